#include "pbx/Tpbx.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <utility>

#include "app/Log.h"
#include "app/Texts.h"
#include "app/Validation.h"
#include "pbx/ContactLoader.h"
#include "pbx/CurlHttpClient.h"
#include "pbx/PbxContactMapping.h"
#include "pbx/ProxySettings.h"
#include "pbx/ServiceProxy.h"
#include "pbx/discovery/FindServers.h"
#include "pbx/discovery/MiniupnpcClient.h"
#include "pbx/soap/SoapTypes.h"

namespace korvi {

namespace {

constexpr char kSoapErrorPrefix[] = "[SoapError] ";
constexpr char kExceptionPrefix[] = "[Exception] ";

// Blanks and control characters (codes up to 32) at either end.
std::string TrimControls(std::string_view text) {
    auto isTrimmed = [](char ch) { return static_cast<unsigned char>(ch) <= 32; };
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isTrimmed(text[begin])) ++begin;
    while (end > begin && isTrimmed(text[end - 1])) --end;
    return std::string(text.substr(begin, end - begin));
}

// The end of an operation that could not complete its calls. A failure that carries a message
// reaches the user with the "[Exception] " prefix; one without a message is reported with
// text 127, prefixed only where the operation has always done so.
Result ExceptionResult(std::string_view operation, const std::string& message, bool prefixUnknown) {
    if (!message.empty()) {
        WriteLog("ERR: PBX: %s Exception: %s", operation, message);
        return {kResultException, kExceptionPrefix + message};
    }
    WriteLog("ERR: PBX: %s Exception: Unknown", operation);
    return {kResultException,
            prefixUnknown ? kExceptionPrefix + Text(kTextPbxNotReached) : Text(kTextPbxNotReached)};
}

std::string Decimal(long long value) { return std::to_string(value); }

}  // namespace

// The names in the "Exception" log lines, and whether text 127 (a failure without a message)
// carries the "[Exception] " prefix: the loading operations have always shown it bare.
const Tpbx::Operation Tpbx::kCheckService{"CheckService", true};
const Tpbx::Operation Tpbx::kGetExtnInfo{"GetExtnInfo", false};
const Tpbx::Operation Tpbx::kGetContactIds{"GetContactIdsForCurContactType", false};
const Tpbx::Operation Tpbx::kLoadContacts{"LoadContacts", false};
const Tpbx::Operation Tpbx::kSaveContacts{"SaveContacts", true};
const Tpbx::Operation Tpbx::kDeleteContact{"DeleteContact", true};
const Tpbx::Operation Tpbx::kWriteContact{"WriteContact", true};

// Gives the operations started inside one outer operation the outer one's HTTP client, so
// that their calls share its kept-alive connection; the outermost scope owns the client.
class Tpbx::ClientScope {
public:
    explicit ClientScope(Tpbx& pbx) : m_pbx(pbx), m_owner(!pbx.m_client) {
        if (m_owner) {
            pbx.m_client = pbx.MakeClient();
        }
    }
    ~ClientScope() {
        if (m_owner && m_pbx.m_client) {
            m_pbx.m_connectionsOpened += m_pbx.m_client->ConnectionsOpened();
            m_pbx.m_client.reset();
        }
    }
    ClientScope(const ClientScope&) = delete;
    ClientScope& operator=(const ClientScope&) = delete;

    // A proxy for the current connection values; false with error when none can be made.
    [[nodiscard]] bool MakeProxy(std::unique_ptr<ServiceProxy>& proxy, std::string& error) {
        if (!m_pbx.m_client) {
            error = "No HTTP client available";
            return false;
        }
        ProxySettings settings;
        if (!MakeProxySettings(m_pbx.url, m_pbx.timeout, settings, error)) return false;
        proxy = std::make_unique<ServiceProxy>(*m_pbx.m_client, std::move(settings));
        return true;
    }

private:
    Tpbx& m_pbx;
    bool m_owner;
};

Tpbx::Tpbx(Progress& progress, HttpClientFactory factory)
    : m_progress(progress), m_factory(std::move(factory)) {}

Tpbx::~Tpbx() = default;

std::unique_ptr<HttpClient> Tpbx::MakeClient() const {
    return m_factory ? m_factory() : std::make_unique<CurlHttpClient>();
}

// What every SOAP-calling operation does around its work: a failure that escapes it ends the
// operation with code -2 and the operation's "Exception" line. work returns the result, or
// nothing with message set (maybe empty) when its call could not complete.
template <class Work>
Result Tpbx::Guarded(const Operation& op, Work&& work) {
    std::string message;
    try {
        if (std::optional<Result> result = work(message)) return std::move(*result);
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
        message.clear();
    }
    return ExceptionResult(op.name, message, op.prefixUnknown);
}

// One SOAP call with the current connection values, on the client of the outermost running
// operation. The text is "[SoapError] " and the PBX's errDesc, success or not;
// onAnswer(response, errCode, text) makes the code and writes the operation's log lines.
template <class Request, class OnAnswer>
Result Tpbx::Call(const Operation& op, Request& request, OnAnswer&& onAnswer) {
    return Guarded(op, [&](std::string& message) -> std::optional<Result> {
        ClientScope scope(*this);
        std::unique_ptr<ServiceProxy> proxy;
        if (!scope.MakeProxy(proxy, message)) return std::nullopt;
        request.userDetails = soap::MakeUserDetails(userName, pin);
        typename Request::Response response;
        if (!proxy->Call(request, response, message)) return std::nullopt;
        std::string text = kSoapErrorPrefix + response.returnData.errDesc;
        const int code = onAnswer(response, response.returnData.errCode, text);
        return Result{code, std::move(text)};
    });
}

int Tpbx::SetConnectionParams(std::string_view newUrl, std::string_view newUserName,
                              std::string_view newTimeout, std::string_view newPin) {
    url = TrimControls(newUrl);
    userName = TrimControls(newUserName);
    timeout = TrimControls(newTimeout);
    pin = TrimControls(newPin);
    WriteLog("LOG: PBX: SetConnectionParams: Url: %s - Username: %s - Timeout %s", url, userName,
             timeout);
    return 0;
}

Result Tpbx::ValidateConnectionParams() const {
    if (Result r = ValidateUrl(url); !r.ok()) return r;
    if (Result r = ValidateUserName(userName); !r.ok()) return r;
    if (Result r = ValidatePin(pin); !r.ok()) return r;
    return ValidateIntegerRange("Connection Timeout", timeout, 2, 60);
}

Result Tpbx::ValidateContactType() const {
    if (contactTypeName.empty()) return {kResultLocalFailure, Text(kTextInvalidContactTypeName)};
    if (contactType <= 1000 || contactType == kContactTypeCentral) return {};
    return {kResultLocalFailure, Text(kTextInvalidContactType) + " - " + Decimal(contactType)};
}

Result Tpbx::CheckService(int getBrowserChallenge) {
    m_progress.SetProgress(0, 0, 0);
    m_progress.SetProgressText(Text(kTextContactingPbx), 0);
    soap::Request_SYS_CheckService request;
    request.getBrowserChallenge = getBrowserChallenge != 0 ? 1 : 0;
    return Call(
        kCheckService, request, [&](const auto& response, int code, const std::string& text) {
            if (code != 0) {
                WriteLog("LOG: PBX: CheckService Fail: %s", text);
                return code;
            }
            const soap::TSysInfoStruct info = response.sysInfo.value_or(soap::TSysInfoStruct{});
            platform = info.platform;
            platformSubtype = info.platformSubtype;
            swVersion = info.swVersion;
            distr = info.distr;
            browserPort = info.browserPort;
            if (getBrowserChallenge != 0) {
                cIdx = response.cIdx;
                browserChallenge = response.browserChallenge.value_or(std::string());
                if (browserChallenge.empty()) {
                    WriteLog("ERR: CheckService: Failed to get Browser Challenge");
                }
            }
            WriteLog("LOG: PBX: CheckService Success: %s - %d - %s - %d", platform, platformSubtype,
                     swVersion, distr);
            return 0;
        });
}

Result Tpbx::GetExtnInfo() {
    m_progress.SetProgress(0, 0, 0);
    m_progress.SetProgressText(Text(kTextContactingPbx), 0);
    soap::Request_SPG_GetExtnInfo request;
    return Call(
        kGetExtnInfo, request, [&](const auto& response, int code, const std::string& text) {
            if (code != 0) {
                WriteLog("ERR: PBX: GetExtnInfo Fail: %s", text);
                return code;
            }
            WriteLog("LOG: PBX: GetExtnInfo Success: %d Extns",
                     static_cast<int>(response.extnInfo.size()));
            extnInfoList.clear();
            for (const auto& item : response.extnInfo) {
                extnInfoList.push_back({Decimal(item.devID), item.extnName, item.extnNumber});
            }
            return 0;
        });
}

Result Tpbx::GetContactIdsForCurContactType() {
    m_progress.SetProgress(0, 0, 0);
    m_progress.SetProgressText(Text(kTextRetrievingPbxContacts), 0);
    contactIdList.clear();
    soap::Request_SPG_GetContactIdList request;
    request.contactType = contactType;
    return Call(
        kGetContactIds, request, [&](const auto& response, int code, const std::string& text) {
            if (code != 0) {
                WriteLog("ERR: PBX: GetContactIdsForCurContactType Fail: %s - Contact Type %d",
                         text, contactType);
                return code;
            }
            WriteLog(
                "LOG: PBX: GetContactIdsForCurContactType Success: Contact Type %d - %d "
                "ContactIDs",
                contactType, static_cast<int>(response.contactIdList.size()));
            contactIdList.reserve(response.contactIdList.size());
            for (const int32_t id : response.contactIdList) contactIdList.push_back({id});
            return 0;
        });
}

Result Tpbx::LoadContacts(TContactList* list, const StopFlag& cancel) {
    return LoadContactsImpl(list, cancel, false);
}

Result Tpbx::LoadAllContacts(TContactList* list, const StopFlag& cancel) {
    return LoadContactsImpl(list, cancel, true);
}

Result Tpbx::LoadContactsImpl(TContactList* list, const StopFlag& cancel, bool forBackup) {
    if (list == nullptr) {
        WriteLog("ERR: PBX: LoadContacts Fail: - Null list");
        return {kResultLocalFailure, "PBX: LoadContacts: Null List"};
    }
    return Guarded(kLoadContacts, [&](std::string& message) -> std::optional<Result> {
        m_progress.SetProgress(1, 0, 1);
        m_progress.SetProgressText(Text(kTextRetrievingPbxContacts), 0);
        const std::size_t n = contactIdList.size();
        WriteLog("LOG: PBX: LoadContacts: Loading %d contacts from %s", static_cast<int>(n), url);
        if (n == 0) return Result{};

        ProxySettings settings;
        if (!MakeProxySettings(url, timeout, settings, message)) return std::nullopt;
        std::vector<int32_t> ids;
        ids.reserve(n);
        for (const TContactID& id : contactIdList) ids.push_back(id.contactId);
        // A backup keeps the names as they are, so that a restore gives them back.
        ContactLoader loader([this] { return MakeClient(); }, std::move(settings),
                             soap::MakeUserDetails(userName, pin), !forBackup);
        const auto total = static_cast<long long>(n);
        ContactLoadOutcome outcome = loader.Load(
            ids, std::clamp(connections, 1, kMaxConnections), cancel, [&](std::size_t i) {
                const auto at = static_cast<long long>(i);
                m_progress.SetProgressText(
                    Text(kTextReadingPbxContact, {}, {}, Decimal(at + 1), Decimal(total)),
                    LoopPosition(at, total));
            });
        m_connectionsOpened += loader.connectionsOpened();

        // What the load read before it stopped stays in the list, as it would one by one.
        for (auto& contact : outcome.contacts) {
            if (contact->numbers || forBackup) {
                list->push_back(std::move(contact));
            } else {
                WriteLog("LOG: PBX: LoadContacts: [%s] has no numbers - not loading.",
                         contact->displayName);
            }
        }
        using Kind = ContactLoadOutcome::Kind;
        switch (outcome.kind) {
            case Kind::kDone:
                return Result{0, kSoapErrorPrefix + outcome.errDesc};
            case Kind::kPbxFailure: {
                std::string text = kSoapErrorPrefix + outcome.errDesc;
                WriteLog("ERR: PBX: LoadContacts Fail: %d - %s", outcome.errCode, text);
                return Result{outcome.errCode, std::move(text)};
            }
            case Kind::kCancelled:
                return Result{kResultCancelled, Text(kTextActionCancelled)};
            case Kind::kCallFailure:
                break;
        }
        message = std::move(outcome.message);
        return std::nullopt;
    });
}

Result Tpbx::SaveContacts(TContactList* list, const StopFlag& cancel) {
    if (list == nullptr) {
        WriteLog("ERR: PBX: SaveContacts Fail: - Null list");
        return {kResultLocalFailure, "PBX: SaveContacts: Null List"};
    }
    if (list->empty()) {
        WriteLog("ERR: PBX: SaveContacts Fail: - Empty list");
        return {kResultLocalFailure, "PBX: SaveContacts: Empty contact List"};
    }
    return Guarded(kSaveContacts, [&](std::string&) -> std::optional<Result> {
        // The delete and every write share one connection, and the writes go one at a time:
        // the caller records exactly what reached the PBX.
        ClientScope scope(*this);
        Result deleted = DeleteContact(soap::kDeleteByType, contactType);
        if (!deleted.ok()) return deleted;
        std::string outText = std::move(deleted.text);
        m_progress.SetProgress(1, 0, 1);
        // The central store does not take barred numbers.
        if (contactType == kContactTypeCentral) SetListBarring(*list, 0);

        const long long n = static_cast<long long>(list->size());
        const int numContacts = static_cast<int>(n);
        int failures = 0;
        long long sent = 0;
        std::string firstFailure;
        bool aborted = false;
        for (long long i = 0; i < n && !cancel.load(); ++i) {
            m_progress.SetProgressText(
                Text(kTextSendingPbxContact, {}, {}, Decimal(i + 1), Decimal(n)),
                LoopPosition(i, n));
            ++sent;
            TContact* contact = (*list)[static_cast<std::size_t>(i)].get();
            if (contact == nullptr) {
                WriteLog("ERR: PBX: SaveContacts: - Empty entry %d in list - skipped",
                         static_cast<int>(i));
                continue;
            }
            contact->contactId = kContactIdNew;
            Result written = WriteContact(*contact);
            outText = std::move(written.text);
            if (!written.ok()) {
                WriteLog("ERR: PBX: SaveContacts Fail: %s", outText);
                if (failures == 0) firstFailure = outText;
                ++failures;
                if (failures > 10) {
                    aborted = i + 1 < n;
                    break;
                }
            }
        }

        if (sent < n && !aborted) {
            // Stopped by the user: the PBX holds only part of the list, which must not be
            // reported as done (a partner import would then record contacts the PBX lacks).
            WriteLog("LOG: PBX: SaveContacts Cancelled: - Contact Type %d - %d of %d Contacts sent",
                     contactType, static_cast<int>(sent), numContacts);
            return Result{kResultCancelled, Text(kTextActionCancelled)};
        }
        if (failures > 0) {
            WriteLog("LOG: PBX: SaveContacts Fail: - Contact Type %d - Num Contacts %d - %d Errors",
                     contactType, numContacts, failures);
            outText = Text(kTextPbxSendFailures, {}, {}, Decimal(failures)) + "\n" +
                      Text(kTextFirstError) + "\n\n" + firstFailure;
            if (aborted) outText += "\n\n" + Text(kTextPbxSendAborted);
            return Result{kResultLocalFailure, std::move(outText)};
        }
        WriteLog("LOG: PBX: SaveContacts Success: - Contact Type %d - Num Contacts %d", contactType,
                 numContacts);
        return Result{0, std::move(outText)};
    });
}

Result Tpbx::DeleteAllContactsForCurContactType() {
    m_progress.SetProgress(0, 0, 0);
    m_progress.SetProgressText(Text(kTextDeletingPbxContacts, {}, contactTypeName), 0);
    Result deleted = DeleteContact(soap::kDeleteByType, contactType);
    if (deleted.ok()) {
        WriteLog("LOG: PBX: DeleteAllContactsForCurContactType Success: Contact Type %d",
                 contactType);
    } else {
        WriteLog("ERR: PBX: DeleteAllContactsForCurContactType Fail : Contact Type %d",
                 contactType);
    }
    return deleted;
}

Result Tpbx::DeleteContact(const std::string& deleteType, int32_t deleteParam) {
    if (deleteType != soap::kDeleteByType && deleteType != soap::kDeleteByContactId) {
        return {kResultBadDeleteType, "PBX: DeleteContact: Invalid delete type"};
    }
    soap::Request_SPG_DeleteContact request;
    request.deleteType = deleteType;
    request.deleteParam = deleteParam;
    return Call(kDeleteContact, request, [&](const auto&, int code, const std::string& text) {
        if (code != 0) WriteLog("ERR: PBX: DeleteContact Fail: %d - %s", code, text);
        return code;
    });
}

Result Tpbx::WriteContact(TContact& contact) {
    soap::Request_SPG_AddOrUpdateContact request;
    request.contact = ContactToPbx(contact, contactType);
    return Call(kWriteContact, request,
                [&](const auto& response, int code, const std::string& text) {
                    contact.contactId = response.contactId;
                    if (response.contactId < 1000) {
                        WriteLog(
                            "ERR: PBX: WriteContact Fail: Invalid CustomerID returned from PBX: "
                            "%d",
                            response.contactId);
                    }
                    if (code != 0) {
                        WriteLog("ERR: PBX: WriteContact Fail: %d - %s (SoapError)", code, text);
                    }
                    return code;
                });
}

Result Tpbx::FindServersOnLan() {
    m_progress.SetProgress(0, 0, 0);
    m_progress.SetProgressText(Text(kTextSearchingPbx), 0);
    serverList.clear();
    numServers = 0;
    const std::unique_ptr<UpnpClient> library =
        m_upnpFactory ? m_upnpFactory() : std::make_unique<MiniupnpcClient>();
    FoundServers found = FindServers(*library, m_discoveryWait);
    serverList = std::move(found.serverList);
    // The library's count must match its own list; a mismatch (a negative count included)
    // means the answer cannot be trusted as a whole. Entries dropped by the walk are neither.
    if (found.numServers != found.entries) {
        numServers = found.numServers;
        WriteLog("ERR: PBX: FindServersOnLan Fail: num_servers %d - server_list %d",
                 found.numServers, found.entries);
        return {kResultLocalFailure, Text(kTextServerCountMismatch)};
    }
    numServers = static_cast<int>(serverList.size());
    WriteLog("LOG: PBX: FindServersOnLan Success: num_servers %d ", numServers);
    return {};
}

}  // namespace korvi
