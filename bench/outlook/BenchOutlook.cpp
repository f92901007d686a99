// Figures of the address book store on a folder of 10,000 cards with three numbers each:
// writing them as new cards, loading them, opening the folder for updates, amending one card
// (which must touch that one file only), and a sync's run of 1,000 amends spread over the folder.
#include <stdlib.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>

#include <fmt/format.h>

#include "app/Progress.h"
#include "common/StepCode.h"
#include "stores/outlook/Toutlook.h"
#include "stores/outlook/VcfAddressBook.h"

namespace {

using korvi::bench::Code;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kCards = 10000;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

korvi::TContactList MakeContacts() {
    korvi::TContactList list;
    for (int i = 0; i < kCards; ++i) {
        auto c = std::make_unique<korvi::TContact>();
        c->firstName = fmt::format("First{}", i);
        c->lastName = fmt::format("Last{}", i);
        c->displayName = fmt::format("{}, {}", c->lastName, c->firstName);
        c->numbers.emplace();
        for (int type : {korvi::kHome1, korvi::kBus1, korvi::kMob}) {
            korvi::TContactNumber n;
            n.numberType = type;
            n.number = fmt::format("0{}{}", 30 + type, 1000000 + i);
            c->numbers->push_back(n);
        }
        list.push_back(std::move(c));
    }
    return list;
}

// Inode and change time of every file, to tell afterwards which files were written.
std::map<std::string, std::pair<ino_t, struct timespec>> Snapshot(const fs::path& folder) {
    std::map<std::string, std::pair<ino_t, struct timespec>> out;
    for (const auto& e : fs::directory_iterator(folder)) {
        struct stat st {};
        if (::stat(e.path().c_str(), &st) == 0)
            out[e.path().filename().string()] = {st.st_ino, st.st_ctim};
    }
    return out;
}

int ChangedFiles(const std::map<std::string, std::pair<ino_t, struct timespec>>& before,
                 const std::map<std::string, std::pair<ino_t, struct timespec>>& after) {
    int changed = 0;
    for (const auto& [name, now] : after) {
        auto it = before.find(name);
        if (it == before.end() || it->second.first != now.first ||
            it->second.second.tv_sec != now.second.tv_sec ||
            it->second.second.tv_nsec != now.second.tv_nsec)
            ++changed;
    }
    return changed;
}

}  // namespace

int main() {
    std::string pattern = (fs::temp_directory_path() / "korvi-bench-outlook-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path base = pattern;
    korvi::outlook::VcfAddressBookOptions options;
    options.root = base / "addressbook";
    options.backupsRoot = base / "backups";
    options.ownTree = true;
    korvi::NullProgress progress;
    korvi::Toutlook store(progress, [&] { return korvi::outlook::ConnectVcfAddressBook(options); });
    store.versionCode = 8;
    store.keepExisting = 1;
    korvi::StopFlag stop{false};
    std::string text;
    int rc = 0;

    korvi::TContactList contacts = MakeContacts();
    auto t0 = Clock::now();
    rc = Code(store.SaveContacts(contacts, stop), text);
    const double write = Seconds(t0);
    if (rc != 0) {
        std::fprintf(stderr, "SaveContacts failed: %s\n", text.c_str());
        return 1;
    }

    korvi::TContactList loaded;
    t0 = Clock::now();
    rc = Code(store.LoadContacts(loaded, stop), text);
    const double load = Seconds(t0);
    if (rc != 0 || loaded.size() != static_cast<std::size_t>(kCards)) {
        std::fprintf(stderr, "LoadContacts failed: %s\n", text.c_str());
        return 1;
    }

    t0 = Clock::now();
    rc = Code(store.BeginUpdates(), text);
    const double open = Seconds(t0);
    korvi::TContact& target = *loaded[kCards / 2];
    target.numbers->at(0).number = "0309999999";
    // The first update reads the folder's cards once; later ones use what it read.
    korvi::TContact& first = *loaded[1];
    first.numbers->at(1).number = "0409999999";
    t0 = Clock::now();
    rc |= Code(store.UpdateContact(korvi::PartnerStore::kUpdateAmend, first), text);
    const double firstAmend = Seconds(t0);
    const fs::path folder = options.root / "Personal Folders" / "Contacts";
    const auto before = Snapshot(folder);
    t0 = Clock::now();
    rc |= Code(store.UpdateContact(korvi::PartnerStore::kUpdateAmend, target), text);
    const double amend = Seconds(t0);
    const int changed = ChangedFiles(before, Snapshot(folder));
    // Every tenth card, from the back of the folder to its front.
    constexpr int kRun = kCards / 10;
    t0 = Clock::now();
    const std::clock_t cpu0 = std::clock();
    for (int i = kCards - 1; i >= 0 && rc == 0; i -= 10) {
        loaded[i]->numbers->at(2).number = fmt::format("0179{}", i);
        rc |= Code(store.UpdateContact(korvi::PartnerStore::kUpdateAmend, *loaded[i]), text);
    }
    const double run = Seconds(t0);
    const double runCpu = static_cast<double>(std::clock() - cpu0) / CLOCKS_PER_SEC;
    store.EndUpdates();
    if (rc != 0) {
        std::fprintf(stderr, "UpdateContact failed: %s\n", text.c_str());
        return 1;
    }

    std::printf("cards: %d with 3 numbers each (%s)\n", kCards, folder.c_str());
    std::printf("write %d new cards (SaveContacts):     %8.3f s\n", kCards, write);
    std::printf("load %d cards (LoadContacts):          %8.3f s\n", kCards, load);
    std::printf("open folder for updates:                 %8.3f s\n", open);
    std::printf("first amend (reads the folder once):     %8.3f s\n", firstAmend);
    std::printf("amend one card in a %d-card folder:   %8.6f s (files rewritten: %d)\n", kCards,
                amend, changed);
    std::printf("amend %d cards of %d, one run:        %8.3f s (%.3f ms each, CPU %.3f s)\n", kRun,
                kCards, run, run * 1000 / kRun, runCpu);
    std::error_code ec;
    fs::remove_all(base, ec);
    return changed == 1 ? 0 : 1;
}
