// The PBX client: holds the connection values, the results of the last service check, the
// user's extensions and the contact type being worked on, and wraps the PBX's SOAP calls into
// operations that return a result code and a text for the user. One process-wide object; the
// PBX-calling operations run on the controller's worker thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/Progress.h"
#include "app/Result.h"
#include "model/Contact.h"
#include "pbx/HttpClient.h"
#include "pbx/PbxPhonebook.h"
#include "pbx/discovery/PbxDeviceType.h"
#include "pbx/discovery/UpnpClient.h"

namespace korvi {

class ServiceProxy;

struct TExtnInfo {
    std::string devID;  // decimal
    std::string extnName;
    std::string extnNumber;
};

struct TContactID {
    int32_t contactId = 0;
};

// Makes the HTTP client of one operation; all the calls of that operation share it.
using HttpClientFactory = std::function<std::unique_ptr<HttpClient>()>;

class Tpbx final : public PbxPhonebook {
public:
    explicit Tpbx(Progress& progress, HttpClientFactory factory = {});
    ~Tpbx() override;
    Tpbx(const Tpbx&) = delete;
    Tpbx& operator=(const Tpbx&) = delete;

    // How many connections a load uses at once unless told otherwise, and the most it uses.
    static constexpr int kDefaultConnections = 4;
    static constexpr int kMaxConnections = 16;

    // ---- Connection values (set through SetConnectionParams only). ----
    std::string url;
    std::string userName;
    std::string pin;
    std::string timeout;

    // ---- Last successful CheckService. ----
    std::string platform;
    int32_t platformSubtype = 0;
    std::string swVersion;
    int32_t distr = 0;
    int32_t browserPort = 0;
    int32_t cIdx = 0;
    std::string browserChallenge;

    // ---- The contact type worked on, and what the PBX told about it. ----
    int32_t contactType = kContactTypeNone;
    std::string contactTypeName;
    std::vector<TExtnInfo> extnInfoList;
    std::vector<TContactID> contactIdList;
    // ---- The last FindServersOnLan: the PBX URLs ("http://" + host) in the order the PBXs
    // answered, and how many there are (after a success, serverList's size). ----
    std::vector<std::string> serverList;
    int numServers = 0;

    // The "PbxConnections" setting: LoadContacts reads the contacts over this many kept-alive
    // connections at once (1: one call after the other; taken as 1...kMaxConnections). Writes
    // always go one at a time.
    int connections = kDefaultConnections;

    int SetConnectionParams(std::string_view url, std::string_view userName,
                            std::string_view timeout, std::string_view pin);
    Result ValidateConnectionParams() const;
    Result ValidateContactType() const;

    Result CheckService(int getBrowserChallenge);
    Result GetExtnInfo();
    Result DeleteAllContactsForCurContactType();
    Result FindServersOnLan();

    // ---- PbxPhonebook ----
    int32_t CurrentContactType() const override { return contactType; }
    std::string CurrentContactTypeName() const override { return contactTypeName; }
    std::size_t ContactIdCount() const override { return contactIdList.size(); }
    Result GetContactIdsForCurContactType() override;
    Result LoadContacts(TContactList* list, const StopFlag& cancel) override;
    Result LoadAllContacts(TContactList* list, const StopFlag& cancel) override;
    Result SaveContacts(TContactList* list, const StopFlag& cancel) override;
    Result DeleteContact(const std::string& deleteType, int32_t deleteParam) override;
    Result WriteContact(TContact& contact) override;

    // How long FindServersOnLan waits for answers, and the discovery library it searches
    // with (by default miniupnpc).
    void SetDiscoveryWait(std::chrono::milliseconds wait) { m_discoveryWait = wait; }
    void SetUpnpClientFactory(UpnpClientFactory factory) { m_upnpFactory = std::move(factory); }

    // TCP connections opened by the operations that have ended so far.
    long connectionsOpened() const { return m_connectionsOpened; }

private:
    class ClientScope;

    // How an operation names itself in its "Exception" log line, and whether its text 127 (a
    // failure without a message) carries the "[Exception] " prefix.
    struct Operation {
        const char* name;
        bool prefixUnknown;
    };
    static const Operation kCheckService;
    static const Operation kGetExtnInfo;
    static const Operation kGetContactIds;
    static const Operation kLoadContacts;
    static const Operation kSaveContacts;
    static const Operation kDeleteContact;
    static const Operation kWriteContact;

    template <class Work>
    Result Guarded(const Operation& op, Work&& work);
    template <class Request, class OnAnswer>
    Result Call(const Operation& op, Request& request, OnAnswer&& onAnswer);
    std::unique_ptr<HttpClient> MakeClient() const;

    Result LoadContactsImpl(TContactList* list, const StopFlag& cancel, bool forBackup);

    Progress& m_progress;
    HttpClientFactory m_factory;
    // The client of the outermost running operation; the operations it calls reuse it, so
    // SaveContacts' delete and writes share one connection.
    std::unique_ptr<HttpClient> m_client;
    long m_connectionsOpened = 0;
    std::chrono::milliseconds m_discoveryWait = kDiscoveryWait;
    UpnpClientFactory m_upnpFactory;
};

}  // namespace korvi
