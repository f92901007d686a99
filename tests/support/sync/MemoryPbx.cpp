#include "sync/MemoryPbx.h"

namespace korvi::test {

Result MemoryPbx::Request(const std::string& operation) {
    ++m_requests;
    if (!m_filter) return {};
    const int rc = m_filter(m_requests, operation);
    if (rc != 0) return {rc, "[Exception] request " + std::to_string(m_requests) + " failed"};
    return {};
}

Result MemoryPbx::GetContactIdsForCurContactType() {
    m_ids.clear();
    if (Result r = Request("GetContactIdList"); !r.ok()) return r;
    for (const auto& [id, c] : m_contacts) {
        if (c.contactType == m_contactType) m_ids.push_back(id);
    }
    return 0;
}

Result MemoryPbx::LoadContacts(TContactList* list, const StopFlag& cancel) {
    if (list == nullptr) return kResultLocalFailure;
    for (int32_t id : m_ids) {
        if (cancel.load()) return kResultCancelled;
        if (Result r = Request("GetContact"); !r.ok()) return r;
        auto it = m_contacts.find(id);
        if (it == m_contacts.end()) return {1, "[SoapError] Contact not found"};
        if (!it->second.numbers || it->second.numbers->empty()) continue;
        list->push_back(std::make_unique<TContact>(it->second));
    }
    return {};
}

Result MemoryPbx::SaveContacts(TContactList* list, const StopFlag& cancel) {
    if (list == nullptr || list->empty()) {
        return {kResultLocalFailure, "PBX: SaveContacts: Empty contact List"};
    }
    if (Result r = DeleteContact("BY_TYPE", m_contactType); !r.ok()) return r;
    for (auto& c : *list) {
        if (cancel.load()) return kResultCancelled;
        if (!c) continue;
        c->contactId = kContactIdNew;
        if (Result r = WriteContact(*c); !r.ok()) return r;
    }
    return {};
}

Result MemoryPbx::DeleteContact(const std::string& deleteType, int32_t deleteParam) {
    if (Result r = Request("DeleteContact"); !r.ok()) return r;
    if (deleteType == "BY_TYPE") {
        std::erase_if(m_contacts,
                      [&](const auto& kv) { return kv.second.contactType == deleteParam; });
        return {};
    }
    if (deleteType != "BY_CONTACT_ID") return {kResultBadDeleteType, "Unknown delete type"};
    if (m_contacts.erase(deleteParam) == 0) return {1, "[SoapError] Contact not found"};
    return {};
}

Result MemoryPbx::WriteContact(TContact& contact) {
    if (Result r = Request("AddOrUpdateContact"); !r.ok()) return r;
    TContact stored = contact;
    stored.action = 0;
    stored.entryId.clear();
    stored.contactType = m_contactType;
    if (stored.numbers) {
        TNumberList kept;
        for (auto n : *stored.numbers) {
            if (n.state == kDeleted) continue;
            n.state = kNoChange;
            kept.push_back(n);
        }
        stored.numbers = std::move(kept);
    }
    if (contact.contactId == kContactIdNew) {
        stored.contactId = m_nextId++;
    } else if (m_contacts.count(contact.contactId) == 0) {
        return {1, "[SoapError] Contact not found"};
    }
    m_contacts[stored.contactId] = stored;
    contact.contactId = stored.contactId;
    return {};
}

int32_t MemoryPbx::Put(const TContact& contact) {
    TContact c = contact;
    c.contactId = m_nextId++;
    c.contactType = m_contactType;
    c.entryId.clear();
    c.action = 0;
    m_contacts[c.contactId] = c;
    return c.contactId;
}

std::map<int32_t, TContact> MemoryPbx::Phonebook() const {
    std::map<int32_t, TContact> out;
    for (const auto& [id, c] : m_contacts) {
        if (c.contactType == m_contactType) out[id] = c;
    }
    return out;
}

TContact* MemoryPbx::Find(int32_t id) {
    auto it = m_contacts.find(id);
    return it == m_contacts.end() ? nullptr : &it->second;
}

}  // namespace korvi::test
