// The PBX behind the simulator's SOAP endpoint: users and their extensions, one phonebook per
// contact type (the central store and every extension), contact ids from 1000 upwards that are
// never reused, and the portal challenges. Thread-safe; the HTTP side only parses and builds.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "SimOptions.h"
#include "SimStateFile.h"
#include "pbx/soap/SoapTypes.h"

namespace korvi::sim {

class SimService {
public:
    explicit SimService(const SimOptions& options);

    // Loads the state file when one is set and exists; otherwise adds the seeds (and writes the
    // state file when one is set).
    [[nodiscard]] bool LoadOrSeed(std::string& error);

    // browserPort as CheckService reports it.
    void SetBrowserPort(int32_t port);

    // Each answers as the PBX would. serverError is set (and the phonebook left unchanged) when
    // a change could not be saved to the state file; the caller then answers with a Fault.
    soap::Response_SYS_CheckService Handle(const soap::Request_SYS_CheckService& request);
    soap::Response_SPG_GetExtnInfo Handle(const soap::Request_SPG_GetExtnInfo& request);
    soap::Response_SPG_GetContactIdList Handle(const soap::Request_SPG_GetContactIdList& request);
    soap::Response_SPG_GetContact Handle(const soap::Request_SPG_GetContact& request);
    soap::Response_SPG_DeleteContact Handle(const soap::Request_SPG_DeleteContact& request,
                                            std::string& serverError);
    soap::Response_SPG_AddOrUpdateContact Handle(
        const soap::Request_SPG_AddOrUpdateContact& request, std::string& serverError);

    // The portal's check: response = md5hex(user ":" md5hex(pin) ":" challenge) for a challenge
    // handed out under cIdx. A challenge serves one successful login.
    [[nodiscard]] bool CheckPortalLogin(const std::string& user, int32_t cIdx,
                                        const std::string& response);

    // For tests: the whole phonebook (ascending id), one contact type's part of it, direct
    // seeding (the contact gets the next id, which is returned; 0 when it could not be stored)
    // and clearing (false when the state file could not be written; nothing changes then).
    std::vector<soap::TContactStruct> Contacts() const;
    std::vector<soap::TContactStruct> Contacts(int32_t contactType) const;
    [[nodiscard]] int32_t AddContact(soap::TContactStruct contact);
    [[nodiscard]] bool ClearContacts();
    int32_t NextContactId() const;

    void AddFailingName(std::string marker);
    void ClearFailingNames();

private:
    const SimUser* Authenticate(const soap::TUserDetailsStruct& details) const;
    bool MayUse(const SimUser& user, int32_t contactType) const;
    bool IsFailing(const std::string& displayName) const;
    // Takes the next free id; 0 when none is left.
    int32_t TakeId();
    // Writes the state file (when set); on failure restores `before` and sets error.
    bool Commit(const std::map<int32_t, soap::TContactStruct>& before, int32_t nextIdBefore,
                std::string& error);
    bool SaveLocked(std::string& error) const;

    const std::vector<SimUser> m_users;
    const std::vector<SimExtension> m_extensions;
    const std::vector<SimSeed> m_seeds;
    const std::filesystem::path m_stateFile;
    const std::string m_platform;
    const int32_t m_platformSubtype;
    const std::string m_swVersion;
    const int32_t m_distr;

    mutable std::mutex m_mutex;
    std::map<int32_t, soap::TContactStruct> m_contacts;
    int32_t m_nextId = 1000;
    std::map<int32_t, std::string> m_challenges;
    int32_t m_nextCIdx = 1;
    int32_t m_browserPort = 0;
    std::vector<std::string> m_failingNames;
};

}  // namespace korvi::sim
