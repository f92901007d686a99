#include "sync/MemoryPbx.h"

namespace korvi::test {

int MemoryPbx::Request(const std::string& operation, std::string& outText) {
    ++m_requests;
    if (!m_filter) return 0;
    const int rc = m_filter(m_requests, operation);
    if (rc != 0) outText = "[Exception] request " + std::to_string(m_requests) + " failed";
    return rc;
}

int MemoryPbx::GetContactIdsForCurContactType(std::string& outText) {
    m_ids.clear();
    if (const int rc = Request("GetContactIdList", outText)) return rc;
    for (const auto& [id, c] : m_contacts) {
        if (c.contactType == m_contactType) m_ids.push_back(id);
    }
    return 0;
}

int MemoryPbx::LoadContacts(TContactList* list, const StopFlag& cancel, std::string& outText) {
    if (list == nullptr) return -1;
    for (int32_t id : m_ids) {
        if (cancel.load()) return -7;
        if (const int rc = Request("GetContact", outText)) return rc;
        auto it = m_contacts.find(id);
        if (it == m_contacts.end()) {
            outText = "[SoapError] Contact not found";
            return 1;
        }
        if (!it->second.numbers || it->second.numbers->empty()) continue;
        list->push_back(std::make_unique<TContact>(it->second));
    }
    return 0;
}

int MemoryPbx::SaveContacts(TContactList* list, const StopFlag& cancel, std::string& outText) {
    if (list == nullptr || list->empty()) {
        outText = "PBX: SaveContacts: Empty contact List";
        return -1;
    }
    if (const int rc = DeleteContact("BY_TYPE", m_contactType, outText)) return rc;
    for (auto& c : *list) {
        if (cancel.load()) return -7;
        if (!c) continue;
        c->contactId = kContactIdNew;
        if (const int rc = WriteContact(*c, outText)) return rc;
    }
    return 0;
}

int MemoryPbx::DeleteContact(const std::string& deleteType, int32_t deleteParam,
                             std::string& outText) {
    if (const int rc = Request("DeleteContact", outText)) return rc;
    if (deleteType == "BY_TYPE") {
        std::erase_if(m_contacts,
                      [&](const auto& kv) { return kv.second.contactType == deleteParam; });
        return 0;
    }
    if (deleteType != "BY_CONTACT_ID") {
        outText = "Unknown delete type";
        return -11;
    }
    if (m_contacts.erase(deleteParam) == 0) {
        outText = "[SoapError] Contact not found";
        return 1;
    }
    return 0;
}

int MemoryPbx::WriteContact(TContact& contact, std::string& outText) {
    if (const int rc = Request("AddOrUpdateContact", outText)) return rc;
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
        outText = "[SoapError] Contact not found";
        return 1;
    }
    m_contacts[stored.contactId] = stored;
    contact.contactId = stored.contactId;
    return 0;
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
