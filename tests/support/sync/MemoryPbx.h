// An in-memory PBX phonebook for engine tests that need faults no simulator run can give
// cheaply (a throw, a failure at one exact call) and for the quick scenario table.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "pbx/PbxPhonebook.h"

namespace korvi::test {

class MemoryPbx final : public PbxPhonebook {
public:
    explicit MemoryPbx(int32_t contactType = 201) : m_contactType(contactType) {}

    int32_t CurrentContactType() const override { return m_contactType; }
    std::string CurrentContactTypeName() const override {
        return "Extension " + std::to_string(m_contactType);
    }
    std::size_t ContactIdCount() const override { return m_ids.size(); }

    Result GetContactIdsForCurContactType() override;
    Result LoadContacts(TContactList* list, const StopFlag& cancel) override;
    Result SaveContacts(TContactList* list, const StopFlag& cancel) override;
    Result DeleteContact(const std::string& deleteType, int32_t deleteParam) override;
    Result WriteContact(TContact& contact) override;

    // Adds a contact of the current type as a user of the PBX would; returns its id.
    int32_t Put(const TContact& contact);
    // The phonebook of the current type, by id.
    std::map<int32_t, TContact> Phonebook() const;
    TContact* Find(int32_t id);

    // Every call to the PBX counts as one request (GetContact per id in a load). The filter
    // sees each one (1-based) before it is carried out and may fail it (non-zero) or throw.
    using RequestFilter = std::function<int(int request, const std::string& operation)>;
    void SetRequestFilter(RequestFilter filter) { m_filter = std::move(filter); }
    int requests() const { return m_requests; }

private:
    Result Request(const std::string& operation);

    int32_t m_contactType;
    std::map<int32_t, TContact> m_contacts;  // all types; contactType tells them apart
    std::vector<int32_t> m_ids;
    int32_t m_nextId = 1000;
    RequestFilter m_filter;
    int m_requests = 0;
};

}  // namespace korvi::test
