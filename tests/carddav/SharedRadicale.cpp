#include "carddav/SharedRadicale.h"

#include <atomic>
#include <memory>

#include "common/TestEnv.h"

namespace korvi::test {

RadicaleServer* SharedRadicale(std::string& whyNot) {
    static std::unique_ptr<RadicaleServer> server;
    static std::string failure;
    if (!server && failure.empty()) {
        auto s = std::make_unique<RadicaleServer>(
            RadicaleServer::Options{.tls = false, .folder = MakeTempDir("radicale")});
        if (s->Start(failure)) server = std::move(s);
    }
    whyNot = failure;
    return server.get();
}

std::string FreshAddressBook(std::string& whyNot) {
    static std::atomic<int> counter{0};
    RadicaleServer* server = SharedRadicale(whyNot);
    if (server == nullptr) return {};
    std::string url;
    if (!server->MakeAddressBook("book" + std::to_string(counter++), url, whyNot)) return {};
    return url;
}

}  // namespace korvi::test
