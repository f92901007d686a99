// An emulator of the cloud contacts service for tests and demos, on 127.0.0.1 only: the account
// login, the groups feed, the contacts feed with paging, single entries with entity tags, HTTPS,
// strict checks of every request and fault injection. Usable in-process (tests) and as the
// korvi-gdata-sim program.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "GdataAccounts.h"
#include "GdataFeeds.h"
#include "GdataSimOptions.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace korvi::gdatasim {

// One request as the emulator received it, with the status it answered.
struct SimRequest {
    int64_t number = 0;
    std::string method;  // as sent (a POST with X-HTTP-Method-Override stays "POST")
    std::string target;  // path and query as sent
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    int status = 0;

    std::string Header(std::string_view name) const;  // "" when absent
};

struct SimPhone {
    std::string rel;  // fragment after '#' ("home"), or empty
    std::string label;
    std::string number;
};

// A contact as a test reads it back.
struct SimContact {
    std::string cid;
    std::string editUrl;
    std::string etag;
    std::string fullName, givenName, familyName;
    std::vector<SimPhone> phones;
    std::vector<std::string> groupTitles;
    std::string entryXml;  // the whole entry as a GET answers it
};

class GdataSimulator {
public:
    explicit GdataSimulator(GdataSimOptions options = {});
    ~GdataSimulator();
    GdataSimulator(const GdataSimulator&) = delete;
    GdataSimulator& operator=(const GdataSimulator&) = delete;

    // Loads or seeds the store, binds 127.0.0.1 (port 0: a free one) and serves on its own
    // threads. Returns once it accepts connections.
    [[nodiscard]] bool Start(std::string& error);
    // Stops serving; waits for the answers in progress.
    void Stop();

    int Port() const { return m_port; }
    bool Tls() const { return !m_options.tlsCert.empty(); }
    // "https://127.0.0.1:PORT" (http without TLS): what a client's service address is.
    std::string Url() const;

    // ---- The store, for tests (first account when account is empty). ----
    // The id of the group with that title ("" when none).
    std::string GroupId(const std::string& title, const std::string& account = {}) const;
    std::vector<std::string> GroupTitles(const std::string& account = {}) const;
    // Contacts of the group with that title (every contact for an empty title).
    std::vector<SimContact> Contacts(const std::string& groupTitle = {},
                                     const std::string& account = {}) const;
    // Adds count generated contacts to the group of that title (created when missing; empty:
    // My Contacts), seed indexes firstIndex...; returns how many were stored.
    int SeedContacts(int count, const std::string& groupTitle = {}, int firstIndex = 0,
                     const std::string& account = {});
    // Stores an Atom entry as a POST of another client would; "" or the reason it was refused.
    std::string AddContactXml(const std::string& entryXml, std::string& cid,
                              const std::string& account = {});
    // Makes the contact's stored version newer (as an edit by another client would), so that
    // an entity tag taken before is stale.
    bool TouchContact(const std::string& cid, const std::string& account = {});
    // Replaces the contact's elements as another client's PUT would; "" or the reason.
    std::string EditContactXml(const std::string& cid, const std::string& entryXml,
                               const std::string& account = {});

    // ---- Faults, switched at run time; the same meaning as in GdataSimOptions (0 = off). ----
    void SetFailRequest(int64_t k) { m_failRequest = k; }
    void SetDropRequest(int64_t k) { m_dropRequest = k; }
    void SetExpireTokensAt(int64_t k) { m_expireTokensAt = k; }
    void SetPageCap(int cap) { m_pageCap = cap; }
    void SetLoginFinalNewline(bool on) { m_loginFinalNewline = on; }
    // Called with each request before it is answered (outside the emulator's lock), so that a
    // test can act between two requests of a client, as another client would.
    using RequestHook = std::function<void(const SimRequest& request)>;
    void SetBeforeRequest(RequestHook hook);
    // Every token issued so far stops being valid.
    void ExpireTokens();
    void ClearFaults();

    // Requests received since the start or the last reset; the reset also restarts the
    // numbers that faults refer to.
    int64_t RequestCount() const { return m_requests; }
    void ResetCounters();
    // The last requests (up to 256), oldest first.
    std::vector<SimRequest> Requests() const;

private:
    void Dispatch(const httplib::Request& req, httplib::Response& res);
    void Route(const httplib::Request& req, httplib::Response& res);
    void HandleLogin(const httplib::Request& req, httplib::Response& res);
    void HandleFeed(const httplib::Request& req, httplib::Response& res, bool contacts,
                    const std::string& user, const std::string& item);
    void HandleContactsFeed(const httplib::Request& req, httplib::Response& res, Account& account,
                            const std::string& method);
    void HandleContactEntry(const httplib::Request& req, httplib::Response& res, Account& account,
                            const std::string& method, const std::string& cid);
    void HandleGroupsFeed(const httplib::Request& req, httplib::Response& res, Account& account,
                          const std::string& method);
    void HandleGroupEntry(httplib::Response& res, Account& account, const std::string& method,
                          const std::string& gid);
    // Writes the state file after a change; false (and a 500 answer) when that fails.
    bool Persist(httplib::Response& res);
    FeedUrls Urls() const;
    Account* AccountFor(const std::string& account);
    const Account* AccountFor(const std::string& account) const;

    GdataSimOptions m_options;
    GdataAccounts m_accounts;
    mutable std::mutex m_mutex;  // guards m_accounts, m_tokens, m_log
    std::vector<std::pair<std::string, std::string>> m_tokens;  // token, account address
    std::deque<SimRequest> m_log;
    RequestHook m_hook;  // guarded by m_mutex
    uint64_t m_tokenCounter = 0;

    std::unique_ptr<httplib::Server> m_server;
    std::thread m_serverThread;
    int m_port = -1;
    bool m_loaded = false;

    std::atomic<int64_t> m_requests{0};
    std::atomic<int64_t> m_failRequest{0};
    std::atomic<int64_t> m_dropRequest{0};
    std::atomic<int64_t> m_expireTokensAt{0};
    std::atomic<int> m_pageCap{0};
    std::atomic<bool> m_loginFinalNewline{true};
};

}  // namespace korvi::gdatasim
