// Shared by the contact file tests: contact builders, a canonical dump for comparing lists,
// a progress recorder and a fixture that captures the detailed log.
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/Clock.h"
#include "app/Progress.h"
#include "model/Contact.h"

namespace korvi::test {

TContactNumber Num(std::string text, int32_t type, int32_t ref = 0, int32_t barring = 0,
                   int32_t lineAccess = 0, int32_t cli = 0, int32_t state = kNoChange);

// numbers: nullopt for no list at all.
TContact MakeContact(std::string display, std::string last, std::string first, int32_t id,
                     std::string entry, std::optional<TNumberList> numbers);

TContactList ListOf(const std::vector<TContact>& contacts);

// Every member of every contact, one contact per line; "none" and "[]" tell a missing number
// list from an empty one.
std::string Dump(const TContactList& list);
std::string Dump(const TContact& contact);

// What a contact file gives back: no Deleted markers, no contact type, action or state, and a
// list that held no number reads back as none.
TContact AsReadBack(const TContact& contact);

class RecordingProgress final : public Progress {
public:
    void SetProgress(int showBar, int position, int showCancel) override;
    void SetProgressText(const std::string& text, int position) override;
    std::vector<std::string> calls;
};

// A fixed day so that the daily log file cannot change under a test.
class FixedClock final : public Clock {
public:
    std::time_t Now() const override { return 0; }
    LocalTime Local() const override { return {2026, 3, 4, 10, 20, 30}; }
};

// A temporary folder of its own and the detailed log switched on into it.
class FilesTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Messages of the detailed log without their stamps, in order.
    std::vector<std::string> LogMessages() const;
    // File names in folder, sorted.
    static std::vector<std::string> FolderNames(const std::filesystem::path& folder);

    std::filesystem::path m_folder;
    std::filesystem::path m_logs;
    FixedClock m_clock;
};

}  // namespace korvi::test
