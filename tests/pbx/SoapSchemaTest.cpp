// Stands in for a PBX built on another SOAP stack from the same schema: every body element our
// client sends, and every one the simulator answers with, must validate against the schema of
// the service description, checked by libxml2's validator rather than by our own reader.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "common/TestEnv.h"
#include "pbx/SoapSamples.h"
#include "pbx/soap/SoapServerEnvelope.h"

extern char** environ;

namespace korvi::soap {
namespace {

namespace fs = std::filesystem;

constexpr char kXmllint[] = "/usr/bin/xmllint";

fs::path WsdlPath() { return fs::path(KORVI_SOURCE_DIR) / "tools/pbx-sim/ippbx.wsdl"; }

// Runs argv with stdout and stderr into outFile; the exit status, or -1 when it could not run
// or did not end within the deadline.
int RunProcess(const std::vector<std::string>& args, const fs::path& outFile) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    if (pidfd >= 0) {
        pollfd p{pidfd, POLLIN, 0};
        const int ready = poll(&p, 1, 60'000);
        close(pidfd);
        if (ready != 1) kill(pid, SIGKILL);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

class SoapSchemaTest : public testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(kXmllint)) GTEST_SKIP() << "xmllint (libxml2-utils) is not installed";
        m_dir = test::MakeTempDir("schema");
        pugi::xml_document wsdl;
        ASSERT_TRUE(wsdl.load_file(WsdlPath().c_str())) << WsdlPath();
        pugi::xml_node schema = wsdl.document_element().child("types").child("xs:schema");
        ASSERT_TRUE(schema);
        pugi::xml_document xsd;
        xsd.append_copy(schema);
        m_xsd = m_dir / "ippbx.xsd";
        ASSERT_TRUE(xsd.save_file(m_xsd.c_str()));
    }

    // Saves the Body's element of an envelope as a document of its own.
    fs::path SaveBodyElement(const std::string& envelope, const std::string& name) {
        pugi::xml_document doc;
        EXPECT_TRUE(doc.load_string(envelope.c_str())) << envelope;
        pugi::xml_document body;
        body.append_copy(doc.document_element().child("soap:Body").find_child([](pugi::xml_node n) {
            return n.type() == pugi::node_element;
        }));
        const fs::path file = m_dir / (name + ".xml");
        EXPECT_TRUE(body.save_file(file.c_str(), "", pugi::format_raw));
        return file;
    }

    // Validates all files in one run; returns xmllint's report.
    std::string Validate(const std::vector<fs::path>& files, int& status) {
        std::vector<std::string> args{kXmllint, "--noout", "--schema", m_xsd.string()};
        for (const fs::path& f : files) args.push_back(f.string());
        const fs::path report = m_dir / "report.txt";
        status = RunProcess(args, report);
        return test::ReadFile(report);
    }

    fs::path m_dir;
    fs::path m_xsd;
};

TEST_F(SoapSchemaTest, EveryRequestTheClientBuildsValidates) {
    std::vector<fs::path> files;
    int i = 0;
    for (const AnyRequest& request : test::SampleRequests()) {
        files.push_back(
            SaveBodyElement(test::RequestEnvelope(request), "request" + std::to_string(i++)));
    }
    int status = -1;
    const std::string report = Validate(files, status);
    EXPECT_EQ(status, 0) << report;
    for (const fs::path& f : files) {
        EXPECT_NE(report.find(f.string() + " validates"), std::string::npos) << report;
    }
}

TEST_F(SoapSchemaTest, EveryResponseTheSimulatorBuildsValidates) {
    const std::vector<std::string> envelopes = {
        BuildResponseEnvelope(test::SampleCheckServiceResponse()),
        BuildResponseEnvelope(Response_SYS_CheckService{}),
        BuildResponseEnvelope(Response_SPG_GetExtnInfo{{{7, "A & B", "201"}}, {"", 0}}),
        BuildResponseEnvelope(Response_SPG_GetContactIdList{{1000, 1001}, {"", 0}}),
        BuildResponseEnvelope(Response_SPG_GetContactIdList{}),
        BuildResponseEnvelope(test::SampleGetContactResponse()),
        BuildResponseEnvelope(Response_SPG_GetContact{std::nullopt, {"Contact not found", 2}}),
        BuildResponseEnvelope(Response_SPG_DeleteContact{}),
        BuildResponseEnvelope(Response_SPG_AddOrUpdateContact{1000, {"", 0}}),
    };
    std::vector<fs::path> files;
    for (std::size_t i = 0; i < envelopes.size(); ++i) {
        files.push_back(SaveBodyElement(envelopes[i], "response" + std::to_string(i)));
    }
    int status = -1;
    const std::string report = Validate(files, status);
    EXPECT_EQ(status, 0) << report;
}

// Shows the validator does check what the schema says, so the two tests above mean something.
TEST_F(SoapSchemaTest, MisorderedOrUnqualifiedBodiesFailValidation) {
    const fs::path misordered = m_dir / "misordered.xml";
    test::WriteFile(misordered,
                    "<RequestData-SPG-GetContact xmlns=\"urn:v1.IPPBX.services.qvx\">"
                    "<userDetails><userPin>p</userPin><userID>u</userID></userDetails>"
                    "<contactId>1</contactId></RequestData-SPG-GetContact>");
    const fs::path unqualified = m_dir / "unqualified.xml";
    test::WriteFile(unqualified,
                    "<q:RequestData-SPG-GetContact xmlns:q=\"urn:v1.IPPBX.services.qvx\">"
                    "<userDetails><userID>u</userID><userPin>p</userPin></userDetails>"
                    "<contactId>1</contactId></q:RequestData-SPG-GetContact>");
    for (const fs::path& f : {misordered, unqualified}) {
        int status = -1;
        const std::string report = Validate({f}, status);
        EXPECT_NE(status, 0) << f << "\n" << report;
        EXPECT_NE(report.find("fails to validate"), std::string::npos) << report;
    }
}

}  // namespace
}  // namespace korvi::soap
