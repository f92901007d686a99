#include "GdataTestSupport.h"

#include <algorithm>

#include "common/TestEnv.h"

namespace korvi::test {

namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::pair<std::string, std::string> SplitHeader(std::string_view line) {
    const std::size_t colon = line.find(':');
    std::string_view value = colon == std::string_view::npos ? "" : line.substr(colon + 1);
    while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    return {std::string(line.substr(0, colon)), std::string(value)};
}

// Lines of one message of a trace ("> " or "< " taken off), up to the "  " line that ends it.
RecordedMessage ParseTraceMessage(const std::vector<std::string>& lines) {
    RecordedMessage m;
    if (lines.empty()) return m;
    m.startLine = lines[0];
    std::size_t i = 1;
    for (; i < lines.size() && !lines[i].empty(); ++i) m.headers.push_back(SplitHeader(lines[i]));
    for (std::size_t b = i + 1; b < lines.size(); ++b) {
        if (b > i + 1) m.body += "\n";
        m.body += lines[b];
    }
    return m;
}

}  // namespace

std::string RecordedMessage::Header(std::string_view name) const {
    for (const auto& [n, v] : headers) {
        if (Lower(n) == Lower(name)) return v;
    }
    return "";
}

std::filesystem::path GdataFixturesDir() { return FixturesDir() / "gdata"; }

bool HaveGdataFixtures() {
    std::error_code ec;
    return std::filesystem::is_directory(GdataFixturesDir(), ec);
}

std::string ReadGdataFixture(const std::string& name) {
    std::string bytes = ReadFile(GdataFixturesDir() / name);
    if (bytes.starts_with("# source:")) {
        const std::size_t end = bytes.find('\n');
        bytes.erase(0, end == std::string::npos ? bytes.size() : end + 1);
    }
    return bytes;
}

std::vector<RecordedExchange> ReadTrace(const std::string& name) {
    const std::string text = ReadGdataFixture(name);
    std::vector<RecordedExchange> out;
    std::vector<std::string> lines;
    char side = 0;
    RecordedExchange current;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line == "  ") {
            if (side == '>') {
                current.request = ParseTraceMessage(lines);
            } else if (side == '<') {
                current.response = ParseTraceMessage(lines);
                out.push_back(std::move(current));
                current = {};
            }
            lines.clear();
            side = 0;
            continue;
        }
        if (line.size() >= 2 && (line[0] == '>' || line[0] == '<') && line[1] == ' ') {
            side = line[0];
            lines.push_back(line.substr(2));
        } else if (!line.empty() && (line[0] == '>' || line[0] == '<')) {
            side = line[0];
            lines.push_back("");
        }
    }
    return out;
}

RecordedMessage ReadRawMessage(const std::string& name) {
    const std::string text = ReadGdataFixture(name);
    RecordedMessage m;
    std::size_t pos = 0;
    bool first = true;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (first) {
            m.startLine = line;
            first = false;
            continue;
        }
        if (line.empty()) break;
        m.headers.push_back(SplitHeader(line));
    }
    if (pos < text.size()) m.body = text.substr(pos);
    return m;
}

TlsGdataSim::TlsGdataSim(gdatasim::GdataSimOptions options) {
    std::string error;
    const auto folder = MakeTempDir("gdata-tls");
    if (!tls::MakeThrowawayTls(folder, {"127.0.0.1", "localhost"}, m_files, error)) {
        ADD_FAILURE() << error;
        return;
    }
    options.tlsCert = m_files.serverCert;
    options.tlsKey = m_files.serverKey;
    m_sim = std::make_unique<gdatasim::GdataSimulator>(std::move(options));
    m_started = m_sim->Start(error);
    if (!m_started) ADD_FAILURE() << "emulator: " << error;
}

TlsGdataSim::~TlsGdataSim() {
    if (m_sim) m_sim->Stop();
}

std::unique_ptr<net::CurlTransport> TlsGdataSim::MakeTransport() const {
    net::CurlTransportOptions options;
    options.caFile = m_files.caCert.string();
    return std::make_unique<net::CurlTransport>(options);
}

}  // namespace korvi::test
