// korvi-gdata-sim as a program: it makes its own throw-away authority, says where it listens,
// serves HTTPS that a client trusting that authority accepts, and stops on SIGTERM.
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/TestEnv.h"
#include "net/CurlTransport.h"
#include "net/UrlText.h"

extern char** environ;

namespace korvi::test {
namespace {

TEST(GdataSimProgramTest, GeneratedTlsSeededAccount_LoginWorksAndSigtermStops) {
    const auto dir = MakeTempDir("gsim-program");
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string program = (BinDir() / "korvi-gdata-sim").string();
    std::vector<std::string> args = {
        program, "--tls-generate", (dir / "tls").string(),         "--seed",
        "3",     "--account",      "eve.test@gmail.com:eve-secret"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);

    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd p{out[0], POLLIN, 0};
        if (poll(&p, 1, 1000) != 1) continue;
        char buffer[256];
        const ssize_t got = read(out[0], buffer, sizeof buffer);
        if (got <= 0) break;
        line.append(buffer, static_cast<std::size_t>(got));
    }
    close(out[0]);
    const std::string prefix = "listening on https://127.0.0.1:";
    EXPECT_TRUE(line.starts_with(prefix)) << line;
    const std::string url = line.substr(13, line.find('\n') - 13);

    {
        // Closed before the stop, so the emulator need not wait for an idle connection.
        net::CurlTransportOptions options;
        options.caFile = (dir / "tls" / "ca.pem").string();
        net::CurlTransport http(options);
        net::HttpRequest login;
        login.method = "POST";
        login.url = url + "/accounts/ClientLogin";
        login.headers = {{"Content-Type", "application/x-www-form-urlencoded"}};
        login.body = net::FormEncode(
            {{"Email", "eve.test@gmail.com"}, {"Passwd", "eve-secret"}, {"service", "cp"}});
        const net::HttpResponse r = http.Send(login);
        EXPECT_EQ(r.status, 200) << r.error;
    }

    ASSERT_EQ(kill(pid, SIGTERM), 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace korvi::test
