// What the cloud tests share: the recorded traffic in ../shared/fixtures/gdata read in place,
// and the emulator started over HTTPS with a throw-away authority, with a client that trusts it.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "GdataSimulator.h"
#include "ThrowawayTls.h"
#include "net/CurlTransport.h"

namespace korvi::test {

std::filesystem::path GdataFixturesDir();
bool HaveGdataFixtures();

// A test that reads the recordings skips itself, naming where they were looked for, when the
// folder is absent (a user's clone has no ../shared).
#define SKIP_WITHOUT_GDATA_FIXTURES()                                                   \
    if (!::korvi::test::HaveGdataFixtures())                                            \
    GTEST_SKIP() << "cloud fixtures not found at " << ::korvi::test::GdataFixturesDir() \
                 << " (they live in ../shared/fixtures/gdata beside the clone)"

// One HTTP message of a recording: its first line, headers and body (bytes as recorded).
struct RecordedMessage {
    std::string startLine;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    std::string Header(std::string_view name) const;  // "" when absent
};

struct RecordedExchange {
    RecordedMessage request;
    RecordedMessage response;
};

// A fixture file's bytes without its "# source:" line (.trace, .txt), or as they are (.xml).
std::string ReadGdataFixture(const std::string& name);
// The request/response pairs of a .trace file.
std::vector<RecordedExchange> ReadTrace(const std::string& name);
// The one message of a .txt file.
RecordedMessage ReadRawMessage(const std::string& name);

// The emulator over HTTPS on 127.0.0.1 with a throw-away authority.
class TlsGdataSim {
public:
    explicit TlsGdataSim(gdatasim::GdataSimOptions options = {});
    ~TlsGdataSim();

    bool started() const { return m_started; }
    gdatasim::GdataSimulator& sim() { return *m_sim; }
    std::string url() const { return m_sim->Url(); }
    const std::filesystem::path& caFile() const { return m_files.caCert; }
    // A transport that trusts the emulator's authority (and nothing else).
    std::unique_ptr<net::CurlTransport> MakeTransport() const;

private:
    tls::TlsFiles m_files;
    std::unique_ptr<gdatasim::GdataSimulator> m_sim;
    bool m_started = false;
};

}  // namespace korvi::test
