#include "GdataSimulator.h"

#include <charconv>
#include <random>

#include <fmt/format.h>
#include <httplib.h>

#include "EntryXml.h"
#include "GdataNames.h"
#include "GdataSeed.h"
#include "GdataStateFile.h"
#include "SimServerSupport.h"
#include "net/UrlText.h"

namespace korvi::gdatasim {

namespace {

constexpr char kTextType[] = "text/plain; charset=UTF-8";
constexpr char kHtmlType[] = "text/html; charset=UTF-8";
constexpr char kFeedType[] = "application/atom+xml; charset=UTF-8; type=feed";
constexpr char kEntryType[] = "application/atom+xml; charset=UTF-8; type=entry";
constexpr std::size_t kLogSize = 256;
constexpr time_t kKeepAliveSeconds = 2;
constexpr int kMaxResultsLimit = 1'000'000;

using Fields = std::vector<std::pair<std::string, std::string>>;

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool MediaTypeIs(const std::string& header, std::string_view type) {
    const std::string media = Lower(header.substr(0, header.find(';')));
    std::string_view m = media;
    while (!m.empty() && m.back() == ' ') m.remove_suffix(1);
    return m == type;
}

// Form fields as the standard defines them ('+' is a blank); false on a malformed escape.
bool ParseFields(std::string_view text, Fields& fields, std::string& error) {
    fields.clear();
    while (!text.empty()) {
        const std::size_t amp = text.find('&');
        std::string_view pair = text.substr(0, amp);
        text = amp == std::string_view::npos ? std::string_view() : text.substr(amp + 1);
        if (pair.empty()) continue;
        const std::size_t eq = pair.find('=');
        std::string name(pair.substr(0, eq));
        std::string value(eq == std::string_view::npos ? std::string_view() : pair.substr(eq + 1));
        for (std::string* s : {&name, &value}) {
            for (char& c : *s) {
                if (c == '+') c = ' ';
            }
            if (!net::PercentDecode(std::string(*s), *s)) {
                error = "Malformed percent-encoding in '" + std::string(pair.substr(0, eq)) + "'";
                return false;
            }
        }
        for (const auto& [n, v] : fields) {
            if (n == name) {
                error = "Parameter '" + name + "' given twice";
                return false;
            }
        }
        fields.emplace_back(std::move(name), std::move(value));
    }
    return true;
}

const std::string* FieldValue(const Fields& fields, std::string_view name) {
    for (const auto& [n, v] : fields) {
        if (n == name) return &v;
    }
    return nullptr;
}

std::string RawQuery(const httplib::Request& req) {
    const std::size_t q = req.target.find('?');
    return q == std::string::npos ? std::string() : req.target.substr(q + 1);
}

void Answer(httplib::Response& res, int status, const std::string& body,
            const char* type = kTextType) {
    res.status = status;
    res.set_content(body, type);
}

void BadRequest(httplib::Response& res, const std::string& reason) {
    Answer(res, 400, reason + "\n");
}

bool ParseCount(const std::string& text, int& out) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && out >= 1 &&
           out <= kMaxResultsLimit;
}

// The paging parameters of a feed request; false with a 400 answered.
bool ReadPaging(const Fields& query, FeedPage& page, httplib::Response& res) {
    for (const char* name : {"max-results", "start-index"}) {
        const std::string* value = FieldValue(query, name);
        if (value == nullptr) continue;
        int n = 0;
        if (!ParseCount(*value, n)) {
            BadRequest(res, "Invalid value for " + std::string(name) + ": '" + *value + "'");
            return false;
        }
        (std::string_view(name) == "max-results" ? page.maxResults : page.startIndex) = n;
    }
    page.pageSize = page.maxResults;
    return true;
}

bool OnlyKnownParameters(const Fields& query, std::initializer_list<std::string_view> known,
                         httplib::Response& res) {
    for (const auto& [name, value] : query) {
        if (std::find(known.begin(), known.end(), name) == known.end()) {
            BadRequest(res, "Unknown query parameter '" + name + "'");
            return false;
        }
    }
    return true;
}

}  // namespace

std::string SimRequest::Header(std::string_view name) const {
    const std::string wanted = Lower(name);
    for (const auto& [n, v] : headers) {
        if (Lower(n) == wanted) return v;
    }
    return "";
}

GdataSimulator::GdataSimulator(GdataSimOptions options)
    : m_options(std::move(options)),
      m_failRequest(m_options.failRequest),
      m_dropRequest(m_options.dropRequest),
      m_expireTokensAt(m_options.expireTokensAt),
      m_pageCap(m_options.pageCap),
      m_loginFinalNewline(m_options.loginFinalNewline) {
    if (m_options.accounts.empty()) m_options.accounts.push_back({kDefaultEmail, kDefaultPassword});
    m_tokenCounter = std::random_device{}();
}

GdataSimulator::~GdataSimulator() { Stop(); }

std::string GdataSimulator::Url() const {
    return std::string(Tls() ? "https://" : "http://") + simsupport::kLoopback + ":" +
           std::to_string(m_port);
}

FeedUrls GdataSimulator::Urls() const {
    return FeedUrls{std::string("http://") + simsupport::kLoopback + ":" + std::to_string(m_port),
                    Url()};
}

bool GdataSimulator::Start(std::string& error) {
    if (m_server) {
        error = "The emulator is already running";
        return false;
    }
    if (!m_loaded) {
        std::lock_guard lock(m_mutex);
        for (const auto& a : m_options.accounts) m_accounts.AddAccount(a.email, a.password);
        std::error_code ec;
        if (!m_options.stateFile.empty() && std::filesystem::exists(m_options.stateFile, ec)) {
            if (!LoadState(m_options.stateFile, m_accounts, error)) return false;
        } else {
            Account& first = *m_accounts.accounts().front();
            int index = 0;
            for (const auto& seed : m_options.seeds) {
                std::string gid = "6";
                if (!seed.groupTitle.empty()) {
                    if (StoredGroup* g = first.FindGroupByTitle(seed.groupTitle)) {
                        gid = g->gid;
                    } else {
                        const std::string refused =
                            m_accounts.CreateGroup(first, seed.groupTitle, {}, gid);
                        if (!refused.empty()) {
                            error = refused;
                            return false;
                        }
                    }
                }
                // Ids name the group through any host: the port is not known yet.
                const std::string groupId = "http://127.0.0.1/m8/feeds/groups/" +
                                            net::PercentEncode(first.email) + "/base/" + gid;
                for (int i = 0; i < seed.count; ++i, ++index) {
                    std::string cid;
                    const std::string refused =
                        m_accounts.CreateContact(first, MakeSeedEntry(index, groupId), cid);
                    if (!refused.empty()) {
                        error = "Seed contact refused: " + refused;
                        return false;
                    }
                }
            }
            if (!m_options.stateFile.empty() &&
                !SaveState(m_options.stateFile, m_accounts, error)) {
                return false;
            }
        }
        m_loaded = true;
    }

    std::unique_ptr<httplib::Server> server;
    if (Tls()) {
        auto tls = std::make_unique<httplib::SSLServer>(m_options.tlsCert.c_str(),
                                                        m_options.tlsKey.c_str());
        if (!tls->is_valid()) {
            error = "The TLS certificate or key could not be loaded (" +
                    m_options.tlsCert.string() + ", " + m_options.tlsKey.string() + ")";
            return false;
        }
        server = std::move(tls);
    } else {
        server = std::make_unique<httplib::Server>();
    }
    server->set_tcp_nodelay(true);
    server->set_keep_alive_timeout(kKeepAliveSeconds);
    server->set_payload_max_length(m_options.maxRequestBytes);
    const auto dispatch = [this](const httplib::Request& req, httplib::Response& res) {
        Dispatch(req, res);
    };
    server->Get(".*", dispatch);
    server->Post(".*", dispatch);
    server->Put(".*", dispatch);
    server->Delete(".*", dispatch);
    server->set_exception_handler(
        [](const httplib::Request&, httplib::Response& res, std::exception_ptr ep) {
            std::string what = "Internal error";
            try {
                if (ep) std::rethrow_exception(ep);
            } catch (const std::exception& e) {
                what += std::string(": ") + e.what();
            } catch (...) {
            }
            Answer(res, 500, what + "\n");
        });
    int port = -1;
    if (!simsupport::BindLoopback(*server, m_options.port, port)) {
        error = "Could not listen on " + std::string(simsupport::kLoopback) + ":" +
                std::to_string(m_options.port);
        return false;
    }
    m_server = std::move(server);
    m_port = port;
    m_serverThread = std::thread([s = m_server.get()] { s->listen_after_bind(); });
    if (!simsupport::WaitRunning(*m_server)) {
        Stop();
        error = "The emulator did not start listening";
        return false;
    }
    return true;
}

void GdataSimulator::Stop() {
    if (m_server) m_server->stop();
    if (m_serverThread.joinable()) m_serverThread.join();
    m_server.reset();
}

// ---- Requests ----

void GdataSimulator::Dispatch(const httplib::Request& req, httplib::Response& res) {
    const int64_t number = ++m_requests;
    RequestHook hook;
    {
        std::lock_guard lock(m_mutex);
        hook = m_hook;
    }
    if (hook) {
        SimRequest seen;
        seen.number = number;
        seen.method = req.method;
        seen.target = req.target;
        for (const auto& [name, value] : req.headers) seen.headers.emplace_back(name, value);
        seen.body = req.body;
        hook(seen);
    }
    if (number == m_expireTokensAt) ExpireTokens();
    if (number == m_dropRequest &&
        simsupport::ShutdownConnection(req.local_port, req.remote_port)) {
        res.status = 500;  // never reaches the client
    } else if (number == m_failRequest) {
        Answer(res, 500, "<HTML><BODY>Internal Server Error</BODY></HTML>", kHtmlType);
    } else {
        Route(req, res);
    }
    SimRequest record;
    record.number = number;
    record.method = req.method;
    record.target = req.target;
    for (const auto& [name, value] : req.headers) record.headers.emplace_back(name, value);
    record.body = req.body;
    record.status = res.status;
    std::lock_guard lock(m_mutex);
    m_log.push_back(std::move(record));
    if (m_log.size() > kLogSize) m_log.pop_front();
}

void GdataSimulator::Route(const httplib::Request& req, httplib::Response& res) {
    if (req.path == "/accounts/ClientLogin") {
        if (req.method != "GET" && req.method != "POST") {
            Answer(res, 405, "ClientLogin takes GET or POST\n");
            return;
        }
        HandleLogin(req, res);
        return;
    }
    // /m8/feeds/(contacts|groups)/USER/full[/ITEM]
    std::vector<std::string_view> parts;
    for (std::string_view path = req.path; !path.empty();) {
        const std::size_t slash = path.find('/', 1);
        parts.push_back(path.substr(1, slash == std::string_view::npos ? slash : slash - 1));
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash);
    }
    const bool feedPath = (parts.size() == 5 || parts.size() == 6) && parts[0] == "m8" &&
                          parts[1] == "feeds" && (parts[2] == "contacts" || parts[2] == "groups") &&
                          !parts[3].empty() && parts[4] == "full" &&
                          (parts.size() == 5 || !parts[5].empty());
    if (feedPath && req.path.starts_with('/')) {
        HandleFeed(req, res, parts[2] == "contacts", std::string(parts[3]),
                   parts.size() == 6 ? std::string(parts[5]) : std::string());
        return;
    }
    Answer(res, 404, "<HTML><BODY>Not Found</BODY></HTML>", kHtmlType);
}

void GdataSimulator::HandleLogin(const httplib::Request& req, httplib::Response& res) {
    Fields fields;
    std::string error;
    if (req.method == "POST") {
        if (!MediaTypeIs(req.get_header_value("Content-Type"),
                         "application/x-www-form-urlencoded")) {
            BadRequest(res, "Content-Type must be application/x-www-form-urlencoded");
            return;
        }
        if (!ParseFields(req.body, fields, error)) return BadRequest(res, error);
    } else if (!ParseFields(RawQuery(req), fields, error)) {
        return BadRequest(res, error);
    }
    for (const char* required : {"Email", "Passwd", "service"}) {
        if (FieldValue(fields, required) == nullptr) {
            return BadRequest(res, std::string("Missing parameter '") + required + "'");
        }
    }
    if (*FieldValue(fields, "service") != "cp") {
        return BadRequest(res, "service must be 'cp' (contacts)");
    }
    if (const std::string* type = FieldValue(fields, "accountType")) {
        if (*type != "GOOGLE" && *type != "HOSTED" && *type != "HOSTED_OR_GOOGLE") {
            return BadRequest(res, "Unknown accountType '" + *type + "'");
        }
    }
    std::lock_guard lock(m_mutex);
    Account* account = m_accounts.Find(*FieldValue(fields, "Email"));
    if (account == nullptr || account->password.empty() ||
        account->password != *FieldValue(fields, "Passwd")) {
        Answer(res, 403, "Error=BadAuthentication\n");
        return;
    }
    std::mt19937_64 random(++m_tokenCounter);
    const std::string token =
        fmt::format("DQAAA{:016x}{:016x}{:016x}", random(), random(), random());
    m_tokens.emplace_back(token, account->email);
    std::string body = "SID=DQAAAsid" + token.substr(5, 16) + "\nLSID=DQAAAlsid" +
                       token.substr(21, 16) + "\nAuth=" + token;
    if (m_loginFinalNewline) body += "\n";
    Answer(res, 200, body);
}

void GdataSimulator::HandleFeed(const httplib::Request& req, httplib::Response& res, bool contacts,
                                const std::string& user, const std::string& item) {
    constexpr std::string_view kScheme = "GoogleLogin auth=";
    const std::string authorization = req.get_header_value("Authorization");
    std::lock_guard lock(m_mutex);
    Account* account = nullptr;
    if (authorization.starts_with(kScheme)) {
        const std::string token = authorization.substr(kScheme.size());
        for (const auto& [t, email] : m_tokens) {
            if (t == token) account = m_accounts.Find(email);
        }
    }
    if (account == nullptr) {
        res.set_header("WWW-Authenticate",
                       "GoogleLogin realm=\"" + Url() + "/accounts/ClientLogin\", service=\"cp\"");
        Answer(res, 401,
               "<HTML><HEAD><TITLE>Token invalid</TITLE></HEAD><BODY>Token invalid</BODY></HTML>",
               kHtmlType);
        return;
    }
    const std::string version = req.get_header_value("GData-Version");
    if (version != "3" && version != "3.0") {
        return BadRequest(res, "GData-Version 3.0 is required (got '" + version + "')");
    }
    if (user != "default" && Lower(user) != Lower(account->email)) {
        Answer(res, 403, "Forbidden: " + user + " is not the account of this token\n");
        return;
    }
    std::string method = req.method;
    if (req.has_header("X-HTTP-Method-Override")) {
        const std::string overridden = req.get_header_value("X-HTTP-Method-Override");
        if (method != "POST" || (overridden != "PUT" && overridden != "DELETE") || item.empty()) {
            return BadRequest(res, "X-HTTP-Method-Override '" + overridden +
                                       "' is for a POST to an entry, as PUT or DELETE");
        }
        method = overridden;
    }
    if ((method == "POST" || method == "PUT") &&
        !MediaTypeIs(req.get_header_value("Content-Type"), "application/atom+xml")) {
        return BadRequest(res, "Content-Type must be application/atom+xml");
    }
    res.set_header("GData-Version", "3.1");
    if (contacts) {
        if (item.empty()) return HandleContactsFeed(req, res, *account, method);
        return HandleContactEntry(req, res, *account, method, item);
    }
    if (item.empty()) return HandleGroupsFeed(req, res, *account, method);
    HandleGroupEntry(res, *account, method, item);
}

void GdataSimulator::HandleContactsFeed(const httplib::Request& req, httplib::Response& res,
                                        Account& account, const std::string& method) {
    Fields query;
    std::string error;
    if (!ParseFields(RawQuery(req), query, error)) return BadRequest(res, error);
    if (method == "GET") {
        if (!OnlyKnownParameters(query, {"max-results", "start-index", "group"}, res)) return;
        FeedPage page;
        if (!ReadPaging(query, page, res)) return;
        std::string gid;
        if (const std::string* group = FieldValue(query, "group")) {
            const auto found = GroupIdToGid(*group, account.email);
            if (!found || account.FindGroup(*found) == nullptr) {
                return BadRequest(res, "Invalid group id '" + *group + "'");
            }
            gid = *found;
            page.groupId = *group;
        }
        const int cap = m_pageCap;
        if (cap > 0) page.pageSize = std::min(page.pageSize, cap);
        Answer(res, 200,
               ContactsFeedXml(Urls(), account, m_accounts.ContactsOf(account, gid), page),
               kFeedType);
        return;
    }
    if (method != "POST") {
        Answer(res, 405, "The contacts feed takes GET or POST\n");
        return;
    }
    if (!OnlyKnownParameters(query, {}, res)) return;
    pugi::xml_document entry;
    if (!NormalizeEntry(req.body, entry, error)) return BadRequest(res, error);
    std::string cid;
    error = m_accounts.CreateContact(account, std::move(entry), cid);
    if (!error.empty()) return BadRequest(res, error);
    if (!Persist(res)) return;
    const StoredContact& contact = *account.FindContact(cid);
    const std::string edit = Urls().ContactEditUrl(account, cid);
    res.set_header("Location", edit);
    res.set_header("Content-Location", edit);
    res.set_header("ETag", EntityTag(cid, contact.version));
    Answer(
        res, 201,
        "<?xml version='1.0' encoding='UTF-8'?>" + ContactEntryXml(Urls(), account, contact, true),
        kEntryType);
}

namespace {

// The entity tag check of a change; false with the refusal answered.
bool PreconditionHolds(const httplib::Request& req, const std::string& bodyEtag,
                       const std::string& current, int version, httplib::Response& res) {
    std::string given = req.get_header_value("If-Match");
    if (given.empty()) given = bodyEtag;
    if (given.empty()) {
        Answer(res, 403, "If-Match or If-None-Match header or entry etag attribute required\n");
        return false;
    }
    if (given == "*" || given == current) return true;
    Answer(
        res, 412,
        "Mismatch: etags = [" + EscapeXml(given) + "], version = [" + std::to_string(version) + "]",
        kHtmlType);
    return false;
}

}  // namespace

void GdataSimulator::HandleContactEntry(const httplib::Request& req, httplib::Response& res,
                                        Account& account, const std::string& method,
                                        const std::string& cid) {
    StoredContact* contact = account.FindContact(cid);
    if (contact == nullptr) {
        Answer(res, 404, "Contact not found.", kHtmlType);
        return;
    }
    const std::string current = EntityTag(cid, contact->version);
    if (method == "GET") {
        res.set_header("ETag", current);
        Answer(res, 200,
               "<?xml version='1.0' encoding='UTF-8'?>" +
                   ContactEntryXml(Urls(), account, *contact, true),
               kEntryType);
        return;
    }
    if (method == "DELETE") {
        if (!PreconditionHolds(req, "", current, contact->version, res)) return;
        m_accounts.DeleteContact(account, cid);
        if (!Persist(res)) return;
        Answer(res, 200, "", kHtmlType);
        return;
    }
    if (method != "PUT") {
        Answer(res, 405, "An entry takes GET, PUT or DELETE\n");
        return;
    }
    pugi::xml_document entry;
    std::string error;
    std::string bodyEtag;
    if (!NormalizeEntry(req.body, entry, error, &bodyEtag)) return BadRequest(res, error);
    if (!PreconditionHolds(req, bodyEtag, current, contact->version, res)) return;
    error = m_accounts.ReplaceContact(account, *contact, std::move(entry));
    if (!error.empty()) return BadRequest(res, error);
    if (!Persist(res)) return;
    res.set_header("ETag", EntityTag(cid, contact->version));
    Answer(
        res, 200,
        "<?xml version='1.0' encoding='UTF-8'?>" + ContactEntryXml(Urls(), account, *contact, true),
        kEntryType);
}

void GdataSimulator::HandleGroupsFeed(const httplib::Request& req, httplib::Response& res,
                                      Account& account, const std::string& method) {
    Fields query;
    std::string error;
    if (!ParseFields(RawQuery(req), query, error)) return BadRequest(res, error);
    if (method == "GET") {
        if (!OnlyKnownParameters(query, {"max-results", "start-index"}, res)) return;
        FeedPage page;
        if (!ReadPaging(query, page, res)) return;
        const int cap = m_pageCap;
        if (cap > 0) page.pageSize = std::min(page.pageSize, cap);
        Answer(res, 200, GroupsFeedXml(Urls(), account, page), kFeedType);
        return;
    }
    if (method != "POST") {
        Answer(res, 405, "The groups feed takes GET or POST\n");
        return;
    }
    if (!OnlyKnownParameters(query, {}, res)) return;
    pugi::xml_document entry;
    if (!NormalizeEntry(req.body, entry, error)) return BadRequest(res, error);
    const std::string title = entry.document_element().child("title").text().get();
    std::string gid;
    error = m_accounts.CreateGroup(account, title, std::move(entry), gid);
    if (!error.empty()) return BadRequest(res, error);
    if (!Persist(res)) return;
    const StoredGroup& group = *account.FindGroup(gid);
    const std::string edit = Urls().GroupEditUrl(account, gid);
    res.set_header("Location", edit);
    res.set_header("Content-Location", edit);
    res.set_header("ETag", EntityTag(gid, group.version));
    Answer(res, 201,
           "<?xml version='1.0' encoding='UTF-8'?>" + GroupEntryXml(Urls(), account, group, true),
           kEntryType);
}

void GdataSimulator::HandleGroupEntry(httplib::Response& res, Account& account,
                                      const std::string& method, const std::string& gid) {
    const StoredGroup* group = account.FindGroup(gid);
    if (group == nullptr) {
        Answer(res, 404, "Group not found.", kHtmlType);
        return;
    }
    if (method != "GET") {
        Answer(res, 405, "Groups are only created and read here\n");
        return;
    }
    res.set_header("ETag", EntityTag(gid, group->version));
    Answer(res, 200,
           "<?xml version='1.0' encoding='UTF-8'?>" + GroupEntryXml(Urls(), account, *group, true),
           kEntryType);
}

bool GdataSimulator::Persist(httplib::Response& res) {
    if (m_options.stateFile.empty()) return true;
    std::string error;
    if (SaveState(m_options.stateFile, m_accounts, error)) return true;
    Answer(res, 500, "The state file could not be written: " + error + "\n");
    return false;
}

// ---- For tests ----

Account* GdataSimulator::AccountFor(const std::string& account) {
    if (account.empty()) {
        return m_accounts.accounts().empty() ? nullptr : m_accounts.accounts().front().get();
    }
    return m_accounts.Find(account);
}

const Account* GdataSimulator::AccountFor(const std::string& account) const {
    return const_cast<GdataSimulator*>(this)->AccountFor(account);
}

std::string GdataSimulator::GroupId(const std::string& title, const std::string& account) const {
    std::lock_guard lock(m_mutex);
    const Account* a = AccountFor(account);
    if (a == nullptr) return "";
    for (const auto& g : a->groups) {
        if (g->title == title) return Urls().GroupId(*a, g->gid);
    }
    return "";
}

std::vector<std::string> GdataSimulator::GroupTitles(const std::string& account) const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> titles;
    if (const Account* a = AccountFor(account)) {
        for (const auto& g : a->groups) titles.push_back(g->title);
    }
    return titles;
}

std::vector<SimContact> GdataSimulator::Contacts(const std::string& groupTitle,
                                                 const std::string& account) const {
    std::lock_guard lock(m_mutex);
    std::vector<SimContact> out;
    const Account* a = AccountFor(account);
    if (a == nullptr) return out;
    std::string gid;
    if (!groupTitle.empty()) {
        const StoredGroup* g = const_cast<Account*>(a)->FindGroupByTitle(groupTitle);
        if (g == nullptr) return out;
        gid = g->gid;
    }
    const std::string relPrefix = std::string(kGdNs) + "#";
    for (const StoredContact* c : m_accounts.ContactsOf(*a, gid)) {
        SimContact view;
        view.cid = c->cid;
        view.editUrl = Urls().ContactEditUrl(*a, c->cid);
        view.etag = EntityTag(c->cid, c->version);
        const pugi::xml_document parsed = c->Parse();
        const pugi::xml_node entry = parsed.document_element();
        const pugi::xml_node name = entry.child("gd:name");
        view.fullName = name.child("gd:fullName").text().get();
        view.givenName = name.child("gd:givenName").text().get();
        view.familyName = name.child("gd:familyName").text().get();
        for (pugi::xml_node p : entry.children("gd:phoneNumber")) {
            std::string rel = p.attribute("rel").value();
            if (rel.starts_with(relPrefix)) rel.erase(0, relPrefix.size());
            view.phones.push_back({rel, p.attribute("label").value(), p.text().get()});
        }
        for (const auto& g : c->groups) {
            if (const StoredGroup* group = const_cast<Account*>(a)->FindGroup(g)) {
                view.groupTitles.push_back(group->title);
            }
        }
        view.entryXml = ContactEntryXml(Urls(), *a, *c, true);
        out.push_back(std::move(view));
    }
    return out;
}

int GdataSimulator::SeedContacts(int count, const std::string& groupTitle, int firstIndex,
                                 const std::string& account) {
    std::lock_guard lock(m_mutex);
    Account* a = AccountFor(account);
    if (a == nullptr) return 0;
    const std::string title = groupTitle.empty() ? kSystemGroups[0].title : groupTitle;
    std::string gid;
    if (StoredGroup* g = a->FindGroupByTitle(title)) {
        gid = g->gid;
    } else if (!m_accounts.CreateGroup(*a, title, {}, gid).empty()) {
        return 0;
    }
    const std::string groupId = Urls().GroupId(*a, gid);
    int stored = 0;
    for (int i = 0; i < count; ++i) {
        std::string cid;
        if (m_accounts.CreateContact(*a, MakeSeedEntry(firstIndex + i, groupId), cid).empty()) {
            ++stored;
        }
    }
    std::string error;
    if (!m_options.stateFile.empty() && !SaveState(m_options.stateFile, m_accounts, error)) {
        return 0;
    }
    return stored;
}

std::string GdataSimulator::AddContactXml(const std::string& entryXml, std::string& cid,
                                          const std::string& account) {
    std::lock_guard lock(m_mutex);
    Account* a = AccountFor(account);
    if (a == nullptr) return "No such account";
    pugi::xml_document entry;
    std::string error;
    if (!NormalizeEntry(entryXml, entry, error)) return error;
    error = m_accounts.CreateContact(*a, std::move(entry), cid);
    if (error.empty() && !m_options.stateFile.empty() &&
        !SaveState(m_options.stateFile, m_accounts, error)) {
        return "The state file could not be written: " + error;
    }
    return error;
}

std::string GdataSimulator::EditContactXml(const std::string& cid, const std::string& entryXml,
                                           const std::string& account) {
    std::lock_guard lock(m_mutex);
    Account* a = AccountFor(account);
    StoredContact* c = a == nullptr ? nullptr : a->FindContact(cid);
    if (c == nullptr) return "No such contact";
    pugi::xml_document entry;
    std::string error;
    if (!NormalizeEntry(entryXml, entry, error)) return error;
    return m_accounts.ReplaceContact(*a, *c, std::move(entry));
}

bool GdataSimulator::TouchContact(const std::string& cid, const std::string& account) {
    std::lock_guard lock(m_mutex);
    Account* a = AccountFor(account);
    StoredContact* c = a == nullptr ? nullptr : a->FindContact(cid);
    if (c == nullptr) return false;
    ++c->version;
    c->updated = NowStamp();
    return true;
}

void GdataSimulator::SetBeforeRequest(RequestHook hook) {
    std::lock_guard lock(m_mutex);
    m_hook = std::move(hook);
}

void GdataSimulator::ExpireTokens() {
    std::lock_guard lock(m_mutex);
    m_tokens.clear();
}

void GdataSimulator::ClearFaults() {
    m_failRequest = 0;
    m_dropRequest = 0;
    m_expireTokensAt = 0;
}

void GdataSimulator::ResetCounters() {
    m_requests = 0;
    std::lock_guard lock(m_mutex);
    m_log.clear();
}

std::vector<SimRequest> GdataSimulator::Requests() const {
    std::lock_guard lock(m_mutex);
    return {m_log.begin(), m_log.end()};
}

}  // namespace korvi::gdatasim
