// Helpers of the address book store tests: fixture cards, a temporary address book, the
// detailed log of the test, progress that remembers what it was told, contact records.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/Progress.h"
#include "model/Contact.h"
#include "stores/outlook/VcfAddressBook.h"

namespace korvi::test {

std::filesystem::path VcardFixture(const std::string& name);

// Points the detailed log at a fresh folder and switches it on, for one test.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    std::string Text() const;
    bool Contains(const std::string& piece) const {
        return Text().find(piece) != std::string::npos;
    }

private:
    std::filesystem::path m_folder;
};

// A temporary address book root with its backups folder beside it.
struct TempBook {
    explicit TempBook(const std::string& name = "book");
    std::filesystem::path root;
    std::filesystem::path backups;
    std::filesystem::path contacts;  // root/Personal Folders/Contacts (made)
    outlook::VcfAddressBookOptions Options() const;
};

class RecordingProgress final : public Progress {
public:
    void SetProgress(int showBar, int position, int showCancel) override;
    void SetProgressText(const std::string& text, int position) override;
    std::vector<std::pair<std::string, int>> texts;
};

// A record as the PBX side hands it over: numbers (type, text) in state 0.
TContact MakeContact(const std::string& displayName, const std::string& lastName,
                     const std::string& firstName,
                     const std::vector<std::pair<int, std::string>>& numbers);

// Sorted (type, number) pairs of a record.
std::vector<std::pair<int, std::string>> NumbersOf(const TContact& contact);

// The .vcf files of a folder, by name.
std::vector<std::string> CardFiles(const std::filesystem::path& folder);

// Runs f on a thread that has given up the capabilities that let root ignore file modes, so
// that a read-only folder is read-only even for a test run as root. False when the thread
// could not give them up (f has then not run).
bool RunWithFileModesEnforced(const std::function<void()>& f);

struct ProgramResult {
    int exitCode = -1;
    std::string out;  // stdout and stderr
};
// Runs a program (found on PATH) with the given arguments, without a shell.
ProgramResult RunProgram(const std::vector<std::string>& argv, const std::string& input = {});
bool ProgramOnPath(const std::string& name);

}  // namespace korvi::test
