#include "FilesTestSupport.h"

#include <algorithm>
#include <sstream>

#include <fmt/format.h>

#include "app/Log.h"
#include "common/TestEnv.h"

namespace korvi::test {

namespace {
constexpr std::size_t kStampLength = 18;

// Control bytes shown as \xNN so that a failing comparison shows what differs.
std::string Visible(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || c == '"' || c == '\\') {
            out += fmt::format("\\x{:02x}", byte);
        } else {
            out += c;
        }
    }
    return out + "\"";
}
}  // namespace

TContactNumber Num(std::string text, int32_t type, int32_t ref, int32_t barring, int32_t lineAccess,
                   int32_t cli, int32_t state) {
    TContactNumber n;
    n.ref = ref;
    n.number = std::move(text);
    n.numberType = type;
    n.barring = barring;
    n.lineAccess = lineAccess;
    n.cli = cli;
    n.state = state;
    return n;
}

TContact MakeContact(std::string display, std::string last, std::string first, int32_t id,
                     std::string entry, std::optional<TNumberList> numbers) {
    TContact c;
    c.displayName = std::move(display);
    c.lastName = std::move(last);
    c.firstName = std::move(first);
    c.contactId = id;
    c.entryId = std::move(entry);
    c.numbers = std::move(numbers);
    return c;
}

TContactList ListOf(const std::vector<TContact>& contacts) {
    TContactList list;
    for (const TContact& c : contacts) list.push_back(std::make_unique<TContact>(c));
    return list;
}

std::string Dump(const TContact& c) {
    std::string out = fmt::format("id={} type={} action={} display={} last={} first={} entry={}",
                                  c.contactId, c.contactType, c.action, Visible(c.displayName),
                                  Visible(c.lastName), Visible(c.firstName), Visible(c.entryId));
    if (!c.numbers) return out + " numbers=none";
    out += " numbers=[";
    for (const TContactNumber& n : *c.numbers) {
        out += fmt::format(" ({} {} t{} b{} la{} cli{} s{})", n.ref, Visible(n.number),
                           n.numberType, n.barring, n.lineAccess, n.cli, n.state);
    }
    return out + " ]";
}

std::string Dump(const TContactList& list) {
    std::string out;
    for (const auto& c : list) out += (c ? Dump(*c) : std::string("null")) + "\n";
    return out;
}

TContact AsReadBack(const TContact& contact) {
    TContact c = contact;
    c.contactType = 0;
    c.action = 0;
    if (c.numbers) {
        TNumberList kept;
        for (TContactNumber n : *c.numbers) {
            if (n.state == kDeleted) continue;
            n.state = kNoChange;
            kept.push_back(n);
        }
        c.numbers = kept.empty() ? std::nullopt : std::optional<TNumberList>(kept);
    }
    return c;
}

void RecordingProgress::SetProgress(int showBar, int position, int showCancel) {
    calls.push_back(fmt::format("SetProgress({}, {}, {})", showBar, position, showCancel));
}

void RecordingProgress::SetProgressText(const std::string& text, int position) {
    calls.push_back(fmt::format("SetProgressText({}, {})", text, position));
}

void FilesTest::SetUp() {
    m_folder = MakeTempDir("files");
    m_logs = MakeTempDir("logs");
    SetLogsFolder(m_logs);
    SetLogClock(&m_clock);
    SetDetailedLogging(true);
}

void FilesTest::TearDown() {
    SetDetailedLogging(false);
    SetLogClock(nullptr);
    SetLogsFolder({});
}

std::vector<std::string> FilesTest::LogMessages() const {
    std::vector<std::string> out;
    std::istringstream in(ReadFile(DetailedLogFilePath()));
    for (std::string line; std::getline(in, line);) {
        out.push_back(line.size() >= kStampLength ? line.substr(kStampLength) : line);
    }
    return out;
}

std::vector<std::string> FilesTest::FolderNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace korvi::test
