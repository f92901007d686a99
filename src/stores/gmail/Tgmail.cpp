#include "stores/gmail/Tgmail.h"

#include <set>

#include <fmt/format.h>

#include "app/Log.h"
#include "app/Md5Digest.h"
#include "app/TextIds.h"
#include "app/Texts.h"
#include "net/UrlText.h"
#include "stores/gmail/GmailEntryWriter.h"
#include "stores/gmail/GmailLoginAnswer.h"

namespace korvi {

namespace {

constexpr long kConnectTimeoutMs = 30'000;
constexpr long kAllContacts = 10'000;
// A feed that keeps sending next links is not followed forever.
constexpr int kMaxPages = 100'000;
constexpr char kAtomType[] = "application/atom+xml";

std::string Num(long long n) { return fmt::format("{}", n); }

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Scheme, host and port of an address, lower-cased, without a default port: the token goes
// only where this equals the service's.
std::string Origin(std::string_view url) {
    const std::size_t scheme = url.find("://");
    if (scheme == std::string_view::npos) return "";
    const std::string s = Lower(url.substr(0, scheme));
    std::string_view authority = url.substr(scheme + 3);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    const std::size_t at = authority.rfind('@');
    if (at != std::string_view::npos) authority.remove_prefix(at + 1);
    std::string host = Lower(authority);
    if ((s == "https" && host.ends_with(":443")) || (s == "http" && host.ends_with(":80"))) {
        host.resize(host.rfind(':'));
    }
    return s + "://" + host;
}

bool IsLoopback(std::string_view url) {
    const std::string origin = Origin(url);
    const std::string host = origin.substr(origin.find("://") + 3);
    for (const char* loopback : {"127.0.0.1", "localhost", "[::1]"}) {
        if (host == loopback || host.starts_with(std::string(loopback) + ":")) return true;
    }
    return false;
}

const char* Reason(long status) {
    switch (status) {
        case 200:
            return "OK";
        case 201:
            return "Created";
        case 204:
            return "No Content";
        case 400:
            return "Bad Request";
        case 401:
            return "Unauthorized";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 409:
            return "Conflict";
        case 412:
            return "Precondition Failed";
        case 413:
            return "Request Entity Too Large";
        case 500:
            return "Internal Server Error";
        case 503:
            return "Service Unavailable";
        default:
            return "";
    }
}

}  // namespace

struct Tgmail::Answer {
    bool completed = false;
    long status = 0;
    std::string body;
    std::string location;
    std::string etag;
    std::string error;  // why the request failed (transport); see Failure() for a status

    bool Is(long wanted) const { return completed && status == wanted; }
    // What went wrong, as the user reads it: the transport's words, or the status line and,
    // for a refused request, the service's reason.
    std::string Failure(std::string_view expected = {}) const {
        if (!completed) return error;
        std::string text = fmt::format("HTTP/1.1 {} {}", status, Reason(status));
        while (!text.empty() && text.back() == ' ') text.pop_back();
        if (status == 400 && !body.empty() && body.size() < 300) {
            std::string reason = body.substr(0, body.find('\n'));
            text += " (" + reason + ")";
        }
        if (status < 300 && !expected.empty()) text += fmt::format(", expected {}", expected);
        return text;
    }
};

Tgmail::Tgmail(Progress& progress, net::HttpTransport& transport)
    : m_progress(progress), m_transport(transport) {}

Tgmail::Tgmail(Progress& progress, std::unique_ptr<net::HttpTransport> transport)
    : m_progress(progress), m_ownTransport(std::move(transport)), m_transport(*m_ownTransport) {}

bool Tgmail::LoggedInAsSet() const {
    return loggedIn == 1 && !authToken.empty() && accountName == m_tokenAccount &&
           accountPassword == m_tokenPassword && serviceUrl == m_tokenService;
}

std::string Tgmail::contactStoreID() const {
    std::string hex;
    return Md5Hex(folderID, hex) ? hex : std::string();
}

// ---- Requests ----

std::string Tgmail::FeedUrl(const char* feed, const std::string& query) const {
    std::string base = serviceUrl;
    while (!base.empty() && base.back() == '/') base.pop_back();
    return base + "/m8/feeds/" + feed + "/default/full" + (query.empty() ? "" : "?" + query);
}

std::string Tgmail::GroupQuery(long maxResults) const {
    return "max-results=" + Num(maxResults) + "&group=" + net::PercentEncode(folderID);
}

Tgmail::Answer Tgmail::Send(const std::string& method, const std::string& url,
                            const std::string& body, std::vector<net::HttpHeader> extraHeaders,
                            bool feedRequest) {
    Answer answer;
    if (Origin(url).empty() || Origin(url) != Origin(serviceUrl)) {
        answer.error = fmt::format("The address {} is not on the service {}",
                                   net::UrlForMessages(url), net::UrlForMessages(serviceUrl));
        return answer;
    }
    // The password and the token travel in every request: only over TLS, except to a
    // service on this machine (an emulator without a certificate).
    if (!Origin(url).starts_with("https://") && !IsLoopback(url)) {
        answer.error = fmt::format("The service address {} must begin with https://",
                                   net::UrlForMessages(serviceUrl));
        return answer;
    }
    for (int attempt = 0;; ++attempt) {
        net::HttpRequest request;
        request.method = method;
        request.url = url;
        if (feedRequest) {
            request.headers = {{"GData-Version", "3.0"},
                               {"Authorization", "GoogleLogin auth=" + authToken}};
        }
        for (const auto& h : extraHeaders) request.headers.push_back(h);
        if (method == "POST" || method == "PUT") {
            request.headers.push_back(
                {"Content-Type", feedRequest ? kAtomType : "application/x-www-form-urlencoded"});
        }
        request.headers.push_back({"Accept", "text/html, */*"});
        request.headers.push_back({"User-Agent", "Mozilla/3.0 (compatible; Indy Library)"});
        request.body = body;
        request.connectTimeoutMs = kConnectTimeoutMs;
        request.timeoutMs = requestTimeoutMs;
        net::HttpResponse response = m_transport.Send(request);

        // A token the service no longer takes (it expired): one fresh login, one retry.
        if (feedRequest && attempt == 0 && response.Completed() && response.status == 401 &&
            !accountName.empty()) {
            WriteLog("LOG: GMAIL: The service refused the login token - logging in again");
            loggedIn = 0;
            authToken.clear();
            if (LoginToGmail().ok()) continue;
        }
        answer.completed = response.Completed();
        answer.status = response.status;
        answer.error = std::move(response.error);
        answer.location = response.Header("Location").value_or("");
        answer.etag = response.Header("ETag").value_or("");
        answer.body = std::move(response.body);
        return answer;
    }
}

int Tgmail::ReadAllPages(const std::string& url, const StopFlag* stop,
                         const std::function<void(GmailFeedPage&)>& onPage, std::string& error) {
    std::set<std::string> seen;
    std::string next = url;
    while (!next.empty()) {
        if (stop != nullptr && stop->load()) return kResultCancelled;
        if (!seen.insert(next).second || static_cast<int>(seen.size()) > kMaxPages) {
            error = "The contacts feed's next links lead back to a page already read";
            return kResultGmailFailure;
        }
        const Answer answer = Send("GET", next, "");
        if (!answer.Is(200)) {
            error = answer.Failure("200 OK");
            return kResultGmailFailure;
        }
        GmailFeedPage page;
        const XmlResult parsed = ReadContactFeed(answer.body, page);
        if (!parsed.ok()) {
            error = parsed.text;
            return kResultGmailFailure;
        }
        WriteLog("LOG: GMAIL: Contacts feed page %d: %d entries of %d",
                 static_cast<int>(seen.size()), static_cast<int>(page.entries.size()),
                 static_cast<int>(page.totalResults));
        onPage(page);
        next = page.nextUrl;
    }
    return 0;
}

// ---- Login ----

Result Tgmail::LoginToGmail() {
    if (loggedIn == 1 && !authToken.empty()) {
        if (LoggedInAsSet()) return {};
        // A token is for the account it was made for, not for the one now entered.
        WriteLog("LOG: GMAIL: Login details changed - logging in again");
    }
    authToken.clear();
    m_progress.SetProgress(0, 0, 0);
    m_progress.SetProgressText(Text(kTextGmailLoggingIn), 0);

    // A form body, every value encoded: a password never travels in an address, and a '&' or
    // '+' in it stays part of it.
    const std::string form = net::FormEncode({{"accountType", "GOOGLE"},
                                              {"Email", accountName},
                                              {"Passwd", accountPassword},
                                              {"service", "cp"},
                                              {"source", "QVX-KorviComm"}});
    std::string base = serviceUrl;
    while (!base.empty() && base.back() == '/') base.pop_back();
    const Answer answer = Send("POST", base + "/accounts/ClientLogin", form, {}, false);
    if (!answer.Is(200)) {
        const std::string error = answer.Failure("200 OK");
        loggedIn = 0;
        WriteLog("ERR: GMAIL: Login Exception: userName %s : %s", accountName, error);
        return {kResultGmailFailure, Text(kTextGmailLoginFailed) + " " + error};
    }
    authToken = TokenFromLoginAnswer(answer.body);
    if (!authToken.empty()) {
        loggedIn = 1;
        m_tokenAccount = accountName;
        m_tokenPassword = accountPassword;
        m_tokenService = serviceUrl;
        WriteLog("LOG: GMAIL: Login Success: userName %s", accountName);
        return {};
    }
    loggedIn = 0;
    WriteLog("LOG: GMAIL: Login Fail: userName %s", accountName);
    return {kResultGmailFailure, Text(kTextGmailLoginFailed) + " " + Text(kTextGmailCheckLogin)};
}

// ---- Groups ----

Result Tgmail::GetGmailFolderInfo() {
    m_progress.SetProgress(0, 0, 0);
    m_progress.SetProgressText(Text(kTextRetrievingGmailFolders), 0);
    folderTree = GmailGroupNode{};
    numFolders = 0;

    std::set<std::string> seen;
    std::string next = FeedUrl("groups");
    bool rootAdded = false;
    std::string error;
    while (!next.empty() && error.empty()) {
        if (!seen.insert(next).second) {
            error = "The groups feed's next links lead back to a page already read";
            break;
        }
        const Answer answer = Send("GET", next, "");
        if (!answer.Is(200)) {
            error = answer.Failure("200 OK");
            break;
        }
        GmailGroupPage page;
        const XmlResult parsed = ReadGroupFeed(answer.body, page);
        if (!parsed.ok()) {
            error = parsed.text;
            break;
        }
        if (!rootAdded) {
            folderTree = GmailGroupNode{Text(kTextGmailGroupsCaption), 0, std::nullopt, {}};
            rootAdded = true;
        }
        for (auto& title : page.titles) {
            folderTree.children.push_back(GmailGroupNode{title.title, 1, title.record, {}});
            ++numFolders;
        }
        next = page.nextUrl;
    }
    if (!error.empty()) {
        WriteLog("ERR: Gmail: GetFolderInfo Exception: %s", error);
        return {kResultGmailFailure, Text(kTextGmailFoldersFailed)};
    }
    if (numFolders == 0) {
        WriteLog("ERR: GMAIL: GetFolderInfo Fail : numFolders = 0");
        return {kResultGmailFailure, Text(kTextGmailFoldersFailed)};
    }
    WriteLog("LOG: GMAIL: GetFolderInfo Success : numFolders %d", numFolders);
    Result result;
    for (auto& node : folderTree.children) {
        if (!node.record) continue;
        // A count that cannot be read shows as 0; the listing goes on and says so.
        Result counted = GetNumContactsInFolder(*node.record, node.record->id);
        if (!counted.ok()) result.text = std::move(counted.text);
        node.text += " (" + Num(node.record->numContacts) + ")";
    }
    return result;
}

Result Tgmail::GetNumContactsInFolder(Ty_gmailFolderInfo& record, const std::string& groupId) {
    record.numContacts = 0;
    record.countKnown = false;
    // The count is the feed's total: one entry is enough to get it.
    const Answer answer =
        Send("GET", FeedUrl("contacts", "max-results=1&group=" + net::PercentEncode(groupId)), "");
    std::string error;
    GmailFeedPage page;
    if (!answer.Is(200)) {
        error = answer.Failure("200 OK");
    } else if (const XmlResult parsed = ReadContactFeed(answer.body, page); !parsed.ok()) {
        error = parsed.text;
    }
    if (!error.empty()) {
        WriteLog("ERR: GMAIL: GetNumContactsInFolder Exception: %s", error);
        return {kResultGmailFailure, Text(kTextGmailFolderCountFailed)};
    }
    if (page.totalResults >= 0) {
        record.numContacts = static_cast<int>(page.totalResults);
        record.countKnown = true;
    }
    return {};
}

Result Tgmail::CreateNewGmailFolder() {
    m_progress.SetProgress(0, 0, 0);
    m_progress.SetProgressText(Text(kTextCreatingGmailFolder), 0);
    const Answer answer = Send("POST", FeedUrl("groups"), NewGroupEntryXml(folderTitle));
    if (!answer.Is(201)) {
        // Only a 201 says a group was made: any other answer leaves the chosen group as it was
        // and fails, so nothing is written into a group the user did not mean.
        WriteLog("ERR: GMAIL: CreateNewFolder Exception: %s", answer.Failure("201 Created"));
        return {kResultGmailFailure, Text(kTextGmailCreateFolderFailed)};
    }
    // The group's id is what the groups feed lists it by (and what memberships name); its
    // edit address (the Location) is another text.
    const std::string id = ReadGroupEntryId(answer.body);
    if (id.empty()) {
        WriteLog("ERR: GMAIL: CreateNewFolder Fail: Could not get Location");
        return {kResultGmailFailure, Text(kTextGmailNoFolderLocation)};
    }
    folderID = id;
    folderContactCount = 0;
    folderCountKnown = true;
    WriteLog("LOG: GMAIL: CreateNewFolder Success: Title [%s] - Location [%s]", folderTitle,
             folderID);
    return {};
}

// ---- The chooser ----

void Tgmail::ResetChooser() {
    newFolderRequested = 0;
    createCancelled = 0;
}

bool Tgmail::SelectGroupNode(const GmailGroupNode* node) {
    if (node == nullptr || !node->record) return false;
    folderTitle = node->record->title;
    folderID = node->record->id;
    folderContactCount = node->record->numContacts;
    folderCountKnown = node->record->countKnown;
    return true;
}

std::string Tgmail::RequestNewGroup(const std::string& name) {
    if (name.empty()) {
        createCancelled = 1;
        return Text(kTextFolderNameInvalid);
    }
    if (loggedIn != 1) return Text(kTextGmailNotLoggedIn);
    folderTitle = name;
    newFolderRequested = 1;
    return "";
}

void Tgmail::SetFolder(const std::string& id, const std::string& title) {
    folderID = id;
    folderTitle = title;
}

// ---- Contacts ----

void Tgmail::LogDropped(const GmailFeedEntry& entry) {
    for (const auto& d : entry.dropped) {
        numbersSkipped = 1;
        if (d.why == DroppedNumber::Why::kNoCapacity) {
            WriteLog("ERR: GMAIL: LoadContacts Fail: No capacity to add %s number %s", d.kind,
                     d.rawText);
            WriteHistory("Warning: No capacity to add '%s' number [%s] for Gmail contact [%s]",
                         d.kind, d.rawText, d.displayName);
        } else {
            WriteLog("ERR: GMAIL: LoadContacts Fail: Gmail number type not mapped %s (tag=%s)",
                     d.rawText, d.tag);
            WriteHistory(
                "Warning: Cannot add number [%s] for Gmail contact [%s] - number type not mapped "
                "(tag=%s)",
                d.rawText, d.displayName, d.tag);
        }
    }
}

Result Tgmail::LoadContacts(TContactList& list, const StopFlag& stop) {
    numbersSkipped = 0;
    m_progress.SetProgress(0, 0, 0);
    m_progress.SetProgressText(Text(kTextRetrievingGmailContacts), 0);
    WriteLog("LOG: GMAIL: LoadContacts: Loading contacts from %s [%s]", folderTitle, folderID);
    const std::size_t before = list.size();
    std::string error;
    // Every page: a group of more contacts than one page holds is read whole, or a sync would
    // take the rest as deleted.
    const int rc = ReadAllPages(
        FeedUrl("contacts", GroupQuery(kAllContacts)), &stop,
        [&](GmailFeedPage& page) {
            for (auto& entry : page.entries) {
                if (entry.deleted) continue;
                LogDropped(entry);
                if (entry.contact.numbers) {
                    list.push_back(std::make_unique<TContact>(std::move(entry.contact)));
                } else {
                    WriteLog("LOG: GMAIL: LoadContacts: [%s] has no numbers - not loading.",
                             entry.contact.displayName);
                }
            }
        },
        error);
    if (rc == kResultCancelled) return {kResultCancelled};
    if (rc != 0) {
        WriteLog("ERR: GMAIL: LoadContacts Exception: %s", error);
        return {kResultGmailFailure, Text(kTextGmailLoadFailed)};
    }
    WriteLog("LOG: GMAIL: LoadContacts: Loaded %d contacts from %s [%s]",
             static_cast<int>(list.size() - before), folderTitle, folderID);
    return {};
}

Result Tgmail::SaveContacts(TContactList& list, const StopFlag& stop) {
    // Keeping the group's contacts is asked for one save (an export the user confirmed), not
    // for every later one: a later replace must replace.
    const bool keep = keepExisting != 0;
    keepExisting = 0;
    if (!keep) {
        Result emptied = DeleteExistingContacts(stop);
        if (!emptied.ok()) return emptied;
    }
    m_progress.SetProgress(1, 0, 1);
    m_progress.SetProgressText(Text(kTextWritingGmailContacts), 0);
    const long long count = static_cast<long long>(list.size());
    WriteLog("LOG: GMAIL: SaveContacts: Saving %d contacts to %s [%s]", static_cast<int>(count),
             folderTitle, folderID);
    for (long long i = 0; i < count; ++i) {
        if (stop.load()) return {kResultCancelled};
        m_progress.SetProgressText(Text(kTextWritingGmailContact, {}, {}, Num(i + 1), Num(count)),
                                   LoopPosition(i, count));
        if (!list[static_cast<std::size_t>(i)]) continue;
        Result written = WriteNewContact(*list[static_cast<std::size_t>(i)]);
        if (!written.ok()) return written;
    }
    return {};
}

Result Tgmail::DeleteExistingContacts(const StopFlag& stop) {
    m_progress.SetProgress(1, 0, 1);
    m_progress.SetProgressText(Text(kTextDeletingGmailContacts), 0);
    std::vector<GmailFeedEntry> entries;
    std::string error;
    const int rc = ReadAllPages(
        FeedUrl("contacts", GroupQuery(kAllContacts)), &stop,
        [&](GmailFeedPage& page) {
            for (auto& entry : page.entries) {
                if (!entry.deleted) entries.push_back(std::move(entry));
            }
        },
        error);
    if (rc == kResultCancelled) return {kResultCancelled};
    if (rc != 0) {
        WriteLog("ERR: GMAIL: SaveContacts Exception: %s", error);
        return {kResultGmailFailure, Text(kTextGmailSaveFailed)};
    }
    // The count is what was read, so the progress never divides by a missing or zero total.
    const long long total = static_cast<long long>(entries.size());
    WriteLog("LOG: GMAIL: SaveContacts: Deleting %d existing contacts", static_cast<int>(total));
    long long count = 0;
    for (const auto& entry : entries) {
        if (stop.load()) return {kResultCancelled};
        ++count;
        m_progress.SetProgressText(Text(kTextDeletingGmailContact, {}, {}, Num(count), Num(total)),
                                   static_cast<int>(count * 100 / total));
        bool otherGroups = false;
        for (const auto& href : entry.groupHrefs) {
            otherGroups = otherGroups || !GroupIdsMatch(href, folderID);
        }
        Result deleted = otherGroups ? RemoveFromGroup(entry.contact.entryId)
                                     : DeleteContact(entry.contact.entryId);
        if (!deleted.ok()) return deleted;
    }
    return {};
}

Result Tgmail::UpdateContact(int kind, TContact& contact) {
    switch (kind) {
        case kUpdateAdd:
            return WriteNewContact(contact);
        case kUpdateDelete:
            if (contact.entryId.empty()) return DeleteContact(contact.entryId);
            return RemoveFromGroup(contact.entryId);
        case kUpdateAmend:
            return AmendContact(contact);
        default:
            WriteLog("ERR: GMAIL: UpdateContact: Unknown action: %d", kind);
            return {kResultLocalFailure, "UpdateContact: action Unknown"};
    }
}

Result Tgmail::WriteNewContact(TContact& contact) {
    const Answer answer = Send("POST", FeedUrl("contacts"), NewContactEntryXml(contact, folderID));
    if (answer.Is(201)) {
        // The Location names the new entry; the answer's own edit link is the same address
        // and stands in when the header is missing (an id lost here would make a duplicate).
        std::string location = answer.location;
        if (location.empty()) {
            pugi::xml_document doc;
            if (LoadXmlText(answer.body, doc, "contact entry").ok()) {
                GmailFeedEntry created;
                ReadContactEntry(doc.document_element(), created);
                location = created.contact.entryId;
            }
        }
        if (!location.empty()) {
            contact.entryId = location;
            WriteLog("LOG: GMAIL: WriteNewContact Success: [%s] - Location %s", contact.displayName,
                     location);
            return {};
        }
        WriteLog("ERR: GMAIL: WriteNewContact Fail: Could not get Location");
        return {kResultGmailFailure, Text(kTextGmailNoContactLocation)};
    }
    WriteLog("ERR: GMAIL: WriteNewContact Fail: [%s] - %s", contact.displayName,
             answer.Failure("201 Created"));
    return {kResultGmailFailure, Text(kTextGmailWriteFailed)};
}

namespace {

// What the sync compares of an entry: its names and the numbers the load mapping takes.
bool SameMappedFields(const TContact& a, const TContact& b) {
    return a.firstName == b.firstName && a.lastName == b.lastName &&
           a.displayName == b.displayName && a.numbers == b.numbers;
}

}  // namespace

bool Tgmail::ReadEntryToChange(const std::string& url, Answer& fetched, GmailFeedEntry& entry,
                               std::string& error) {
    fetched = Send("GET", url, "");
    if (!fetched.Is(200)) {
        error = fetched.Failure("200 OK");
        return false;
    }
    pugi::xml_document doc;
    const XmlResult parsed = LoadXmlText(fetched.body, doc, "contact entry");
    if (!parsed.ok()) {
        error = parsed.text;
        return false;
    }
    ReadContactEntry(doc.document_element(), entry);
    return true;
}

Tgmail::Answer Tgmail::PutChangedEntry(const std::string& url, const std::string& body,
                                       const Answer& fetched, const GmailFeedEntry& entry) {
    const std::string etag = !fetched.etag.empty() ? fetched.etag : entry.etag;
    return Send("PUT", url, body, {{"If-Match", etag.empty() ? "*" : etag}});
}

Result Tgmail::AmendContact(TContact& contact) {
    if (contact.entryId.empty()) {
        return {kResultLocalFailure, "ERR: GMAIL: AmendContact: Null url"};
    }
    std::string error;
    std::optional<TContact> firstRead;
    for (int attempt = 0; attempt < 2; ++attempt) {
        Answer fetched;
        GmailFeedEntry current;
        if (!ReadEntryToChange(contact.entryId, fetched, current, error)) break;
        // Read again after a refused write: another client's change of what we write is not
        // overwritten (the next sync compares it); a change of anything else is kept anyway.
        if (firstRead && !SameMappedFields(*firstRead, current.contact)) {
            error = "The entry was changed by another client since it was read";
            break;
        }
        firstRead = current.contact;
        std::string amended;
        const XmlResult built = AmendContactEntryXml(fetched.body, contact, amended);
        if (!built.ok()) {
            error = built.text;
            break;
        }
        const Answer put = PutChangedEntry(contact.entryId, amended, fetched, current);
        if (put.Is(200)) {
            WriteLog("LOG: GMAIL: AmendContact Success: [%s]", contact.displayName);
            return {};
        }
        error = put.Failure("200 OK");
        if (!(put.Is(412) && attempt == 0)) break;
        WriteLog("LOG: GMAIL: AmendContact: [%s] was changed meanwhile - reading it again",
                 contact.displayName);
    }
    WriteLog("ERR: GMAIL: AmendContact Fail: [%s] - %s", contact.displayName, error);
    return {kResultGmailFailure, Text(kTextGmailAmendFailed)};
}

Result Tgmail::RemoveFromGroup(const std::string& url) {
    std::string error;
    for (int attempt = 0; attempt < 2; ++attempt) {
        Answer fetched;
        GmailFeedEntry entry;
        if (!ReadEntryToChange(url, fetched, entry, error)) {
            if (!fetched.Is(404)) break;
            WriteLog("LOG: GMAIL: DeleteContact: [%s] is gone already", url);
            return {};
        }
        bool otherGroups = false;
        for (const auto& href : entry.groupHrefs) {
            otherGroups = otherGroups || !GroupIdsMatch(href, folderID);
        }
        if (!otherGroups) return DeleteContact(url);

        // Also in other groups: it only leaves this one, and stays in the others.
        std::string amended;
        const XmlResult built = RemoveMembershipXml(fetched.body, folderID, amended);
        if (!built.ok()) {
            error = built.text;
            break;
        }
        const Answer put = PutChangedEntry(url, amended, fetched, entry);
        if (put.Is(200)) {
            WriteLog("LOG: GMAIL: DeleteContact Success: [%s] left the group, kept in its others",
                     url);
            return {};
        }
        error = put.Failure("200 OK");
        if (!(put.Is(412) && attempt == 0)) break;
    }
    WriteLog("ERR: GMAIL: DeleteContact Fail: [%s] - %s", url, error);
    return {kResultGmailFailure, Text(kTextGmailWriteFailed)};
}

Result Tgmail::DeleteContact(const std::string& url) {
    if (url.empty()) {
        return {kResultLocalFailure, "ERR: GMAIL: DeleteContact: Null url"};
    }
    const Answer answer =
        Send("POST", url, "", {{"If-Match", "*"}, {"X-HTTP-Method-Override", "DELETE"}});
    if (answer.Is(200) || answer.Is(204)) {
        WriteLog("LOG: GMAIL: DeleteContact Success: [%s]", url);
        return {};
    }
    WriteLog("ERR: GMAIL: DeleteContact Fail: [%s] - %s", url, answer.Failure("200 OK"));
    return {kResultGmailFailure, Text(kTextGmailWriteFailed)};
}

}  // namespace korvi
