#include "SimService.h"

#include <algorithm>
#include <limits>
#include <random>

#include "SimMd5.h"
#include "SimSeed.h"

namespace korvi::sim {

namespace {

constexpr int32_t kCentral = 65533;
constexpr int32_t kNewContact = 65535;
// Challenges kept for portal logins; older ones expire.
constexpr std::size_t kMaxChallenges = 64;

constexpr char kErrLoginText[] = "Invalid user name or PIN";
constexpr char kErrNotFoundText[] = "Contact not found";
constexpr char kErrContactTypeText[] = "Invalid contact type";
constexpr char kErrDeleteTypeText[] = "Invalid delete type";
constexpr char kErrRejectedText[] = "Contact rejected";
constexpr char kErrFullText[] = "No more contact ids";

soap::TReturnStruct Return(int32_t code, const char* text) { return {text, code}; }

std::vector<SimUser> DefaultUsers(std::vector<SimUser> users) {
    if (users.empty()) users.push_back({"user", "1234"});
    return users;
}

std::vector<SimExtension> DefaultExtensions(std::vector<SimExtension> extensions) {
    if (extensions.empty()) extensions.push_back({"", 101, "Extension 201", "201"});
    return extensions;
}

std::string FreshChallenge() {
    static thread_local std::mt19937_64 random{std::random_device{}()};
    static constexpr char kHex[] = "0123456789abcdef";
    std::string challenge;
    for (int i = 0; i < 32; ++i) challenge += kHex[random() & 0x0F];
    return challenge;
}

// The PBX keeps both names of every contact; a request that leaves one out stores it empty.
soap::TContactStruct Normalized(soap::TContactStruct c) {
    if (!c.lastName) c.lastName = "";
    if (!c.firstName) c.firstName = "";
    return c;
}

}  // namespace

SimService::SimService(const SimOptions& options)
    : m_users(DefaultUsers(options.users)),
      m_extensions(DefaultExtensions(options.extensions)),
      m_seeds(options.seeds),
      m_stateFile(options.stateFile),
      m_platform(options.platform),
      m_platformSubtype(options.platformSubtype),
      m_swVersion(options.swVersion),
      m_distr(options.distr),
      m_failingNames(options.failingNames) {}

bool SimService::LoadOrSeed(std::string& error) {
    std::lock_guard lock(m_mutex);
    m_contacts.clear();
    m_nextId = 1000;
    std::error_code ec;
    if (!m_stateFile.empty() && std::filesystem::exists(m_stateFile, ec)) {
        SimPhonebookState state;
        if (!LoadSimState(m_stateFile, state, error)) return false;
        for (soap::TContactStruct& c : state.contacts) {
            const int32_t id = c.contactId;
            m_contacts[id] = Normalized(std::move(c));
        }
        m_nextId = state.nextId;
        return true;
    }
    for (const SimSeed& seed : m_seeds) {
        for (soap::TContactStruct& c : MakeSeedContacts(seed.count, seed.contactType)) {
            c.contactId = TakeId();
            if (c.contactId == 0) break;
            m_contacts[c.contactId] = std::move(c);
        }
    }
    return m_stateFile.empty() || SaveLocked(error);
}

void SimService::SetBrowserPort(int32_t port) {
    std::lock_guard lock(m_mutex);
    m_browserPort = port;
}

const SimUser* SimService::Authenticate(const soap::TUserDetailsStruct& details) const {
    for (const SimUser& u : m_users) {
        if (u.name == details.userID) return u.pin == details.userPin ? &u : nullptr;
    }
    return nullptr;
}

bool SimService::MayUse(const SimUser& user, int32_t contactType) const {
    if (contactType == kCentral) return true;
    return std::any_of(m_extensions.begin(), m_extensions.end(), [&](const SimExtension& e) {
        return e.devID == contactType && (e.user.empty() || e.user == user.name);
    });
}

bool SimService::IsFailing(const std::string& displayName) const {
    return std::any_of(m_failingNames.begin(), m_failingNames.end(), [&](const std::string& m) {
        return !m.empty() && displayName.find(m) != std::string::npos;
    });
}

int32_t SimService::TakeId() {
    // 65533 and 65535 mean "central store" and "new contact" in requests: never hand them out.
    while (m_nextId == kCentral || m_nextId == 65534 || m_nextId == kNewContact) ++m_nextId;
    if (m_nextId == std::numeric_limits<int32_t>::max()) return 0;
    return m_nextId++;
}

bool SimService::SaveLocked(std::string& error) const {
    if (m_stateFile.empty()) return true;
    SimPhonebookState state;
    state.nextId = m_nextId;
    state.contacts.reserve(m_contacts.size());
    for (const auto& [id, c] : m_contacts) state.contacts.push_back(c);
    return SaveSimState(m_stateFile, state, error);
}

bool SimService::Commit(const std::map<int32_t, soap::TContactStruct>& before, int32_t nextIdBefore,
                        std::string& error) {
    if (SaveLocked(error)) return true;
    m_contacts = before;
    m_nextId = nextIdBefore;
    error = "Could not save the phonebook: " + error;
    return false;
}

soap::Response_SYS_CheckService SimService::Handle(const soap::Request_SYS_CheckService& request) {
    soap::Response_SYS_CheckService r;
    std::lock_guard lock(m_mutex);
    if (!Authenticate(request.userDetails)) {
        r.returnData = Return(kSimErrLogin, kErrLoginText);
        return r;
    }
    r.sysInfo =
        soap::TSysInfoStruct{m_platform, m_platformSubtype, m_swVersion, m_distr, m_browserPort};
    if (request.getBrowserChallenge == 1) {
        r.cIdx = m_nextCIdx++;
        r.browserChallenge = FreshChallenge();
        m_challenges[r.cIdx] = *r.browserChallenge;
        while (m_challenges.size() > kMaxChallenges) m_challenges.erase(m_challenges.begin());
    }
    r.returnData = Return(kSimOk, "OK");
    return r;
}

soap::Response_SPG_GetExtnInfo SimService::Handle(const soap::Request_SPG_GetExtnInfo& request) {
    soap::Response_SPG_GetExtnInfo r;
    std::lock_guard lock(m_mutex);
    const SimUser* user = Authenticate(request.userDetails);
    if (!user) {
        r.returnData = Return(kSimErrLogin, kErrLoginText);
        return r;
    }
    for (const SimExtension& e : m_extensions) {
        if (e.user.empty() || e.user == user->name) {
            r.extnInfo.push_back({e.devID, e.name, e.number});
        }
    }
    r.returnData = Return(kSimOk, "OK");
    return r;
}

soap::Response_SPG_GetContactIdList SimService::Handle(
    const soap::Request_SPG_GetContactIdList& request) {
    soap::Response_SPG_GetContactIdList r;
    std::lock_guard lock(m_mutex);
    const SimUser* user = Authenticate(request.userDetails);
    if (!user) {
        r.returnData = Return(kSimErrLogin, kErrLoginText);
        return r;
    }
    if (!MayUse(*user, request.contactType)) {
        r.returnData = Return(kSimErrContactType, kErrContactTypeText);
        return r;
    }
    for (const auto& [id, c] : m_contacts) {
        if (c.contactType == request.contactType) r.contactIdList.push_back(id);
    }
    r.returnData = Return(kSimOk, "OK");
    return r;
}

soap::Response_SPG_GetContact SimService::Handle(const soap::Request_SPG_GetContact& request) {
    soap::Response_SPG_GetContact r;
    std::lock_guard lock(m_mutex);
    const SimUser* user = Authenticate(request.userDetails);
    if (!user) {
        r.returnData = Return(kSimErrLogin, kErrLoginText);
        return r;
    }
    auto it = m_contacts.find(request.contactId);
    if (it == m_contacts.end() || !MayUse(*user, it->second.contactType)) {
        r.returnData = Return(kSimErrNotFound, kErrNotFoundText);
        return r;
    }
    if (IsFailing(it->second.displayName)) {
        r.returnData = Return(kSimErrRejected, kErrRejectedText);
        return r;
    }
    r.contact = it->second;
    r.returnData = Return(kSimOk, "OK");
    return r;
}

soap::Response_SPG_DeleteContact SimService::Handle(const soap::Request_SPG_DeleteContact& request,
                                                    std::string& serverError) {
    soap::Response_SPG_DeleteContact r;
    std::lock_guard lock(m_mutex);
    const SimUser* user = Authenticate(request.userDetails);
    if (!user) {
        r.returnData = Return(kSimErrLogin, kErrLoginText);
        return r;
    }
    const auto before = m_stateFile.empty() ? decltype(m_contacts)() : m_contacts;
    if (request.deleteType == soap::kDeleteByType) {
        if (!MayUse(*user, request.deleteParam)) {
            r.returnData = Return(kSimErrContactType, kErrContactTypeText);
            return r;
        }
        std::erase_if(m_contacts, [&](const auto& entry) {
            return entry.second.contactType == request.deleteParam;
        });
    } else if (request.deleteType == soap::kDeleteByContactId) {
        auto it = m_contacts.find(request.deleteParam);
        if (it == m_contacts.end() || !MayUse(*user, it->second.contactType)) {
            r.returnData = Return(kSimErrNotFound, kErrNotFoundText);
            return r;
        }
        m_contacts.erase(it);
    } else {
        r.returnData = Return(kSimErrDeleteType, kErrDeleteTypeText);
        return r;
    }
    if (!Commit(before, m_nextId, serverError)) return r;
    r.returnData = Return(kSimOk, "OK");
    return r;
}

soap::Response_SPG_AddOrUpdateContact SimService::Handle(
    const soap::Request_SPG_AddOrUpdateContact& request, std::string& serverError) {
    soap::Response_SPG_AddOrUpdateContact r;
    std::lock_guard lock(m_mutex);
    const SimUser* user = Authenticate(request.userDetails);
    if (!user) {
        r.returnData = Return(kSimErrLogin, kErrLoginText);
        return r;
    }
    const soap::TContactStruct& c = request.contact;
    if (!MayUse(*user, c.contactType)) {
        r.returnData = Return(kSimErrContactType, kErrContactTypeText);
        return r;
    }
    if (IsFailing(c.displayName)) {
        r.returnData = Return(kSimErrRejected, kErrRejectedText);
        return r;
    }
    const auto before = m_stateFile.empty() ? decltype(m_contacts)() : m_contacts;
    const int32_t nextIdBefore = m_nextId;
    int32_t id = c.contactId;
    if (id == kNewContact) {
        id = TakeId();
        if (id == 0) {
            r.returnData = Return(kSimErrPhonebookFull, kErrFullText);
            return r;
        }
    } else {
        // An update stays in its phonebook: an id of another phonebook is not found here.
        auto it = m_contacts.find(id);
        if (it == m_contacts.end() || it->second.contactType != c.contactType) {
            r.returnData = Return(kSimErrNotFound, kErrNotFoundText);
            return r;
        }
    }
    soap::TContactStruct stored = Normalized(c);
    stored.contactId = id;
    m_contacts[id] = std::move(stored);
    if (!Commit(before, nextIdBefore, serverError)) return r;
    r.contactId = id;
    r.returnData = Return(kSimOk, "OK");
    return r;
}

bool SimService::CheckPortalLogin(const std::string& user, int32_t cIdx,
                                  const std::string& response) {
    std::lock_guard lock(m_mutex);
    auto challenge = m_challenges.find(cIdx);
    if (challenge == m_challenges.end()) return false;
    for (const SimUser& u : m_users) {
        if (u.name != user) continue;
        const std::string pinHex = Md5Hex(u.pin);
        const std::string expected = Md5Hex(u.name + ":" + pinHex + ":" + challenge->second);
        if (pinHex.empty() || expected.empty() || expected != response) return false;
        m_challenges.erase(challenge);
        return true;
    }
    return false;
}

std::vector<soap::TContactStruct> SimService::Contacts() const {
    std::lock_guard lock(m_mutex);
    std::vector<soap::TContactStruct> out;
    out.reserve(m_contacts.size());
    for (const auto& [id, c] : m_contacts) out.push_back(c);
    return out;
}

std::vector<soap::TContactStruct> SimService::Contacts(int32_t contactType) const {
    std::lock_guard lock(m_mutex);
    std::vector<soap::TContactStruct> out;
    for (const auto& [id, c] : m_contacts) {
        if (c.contactType == contactType) out.push_back(c);
    }
    return out;
}

int32_t SimService::AddContact(soap::TContactStruct contact) {
    std::lock_guard lock(m_mutex);
    const auto before = m_stateFile.empty() ? decltype(m_contacts)() : m_contacts;
    const int32_t nextIdBefore = m_nextId;
    contact = Normalized(std::move(contact));
    contact.contactId = TakeId();
    const int32_t id = contact.contactId;
    if (id == 0) return 0;
    m_contacts[id] = std::move(contact);
    std::string error;
    return Commit(before, nextIdBefore, error) ? id : 0;
}

bool SimService::ClearContacts() {
    std::lock_guard lock(m_mutex);
    const auto before = m_stateFile.empty() ? decltype(m_contacts)() : m_contacts;
    m_contacts.clear();
    std::string error;
    return Commit(before, m_nextId, error);
}

int32_t SimService::NextContactId() const {
    std::lock_guard lock(m_mutex);
    return m_nextId;
}

void SimService::AddFailingName(std::string marker) {
    std::lock_guard lock(m_mutex);
    m_failingNames.push_back(std::move(marker));
}

void SimService::ClearFailingNames() {
    std::lock_guard lock(m_mutex);
    m_failingNames.clear();
}

}  // namespace korvi::sim
