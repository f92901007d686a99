// Writes and reads back an XML contact file of 10,000 contacts with 3 numbers each, and
// prints the seconds each way and the peak memory of the process.
#include <stdlib.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/Progress.h"
#include "common/StepCode.h"
#include "files/ContactFile.h"

namespace {

using korvi::bench::Code;

using korvi::TContact;
using korvi::TContactList;

constexpr int kContacts = 10000;
constexpr int kRuns = 5;

TContactList MakeContacts() {
    TContactList list;
    list.reserve(kContacts);
    for (int i = 0; i < kContacts; ++i) {
        auto c = std::make_unique<TContact>();
        c->contactId = 1000 + i;
        c->firstName = "First" + std::to_string(i);
        c->lastName = "M\xc3\xbcller-" + std::to_string(i);
        c->displayName = c->firstName + " " + c->lastName + " & Co <Ltd>";
        c->entryId = "00000000A1B2C3D4E5F6" + std::to_string(i);
        c->numbers.emplace();
        const int32_t types[] = {korvi::kHome1, korvi::kMob, korvi::kBus1};
        for (int k = 0; k < 3; ++k) {
            korvi::TContactNumber n;
            n.ref = k + 1;
            n.number = "+49 30 " + std::to_string(5550000 + i * 3 + k);
            n.numberType = types[k];
            n.barring = k % 2;
            n.cli = 1;
            c->numbers->push_back(n);
        }
        list.push_back(std::move(c));
    }
    return list;
}

long PeakKib() {
    rusage usage{};
    return getrusage(RUSAGE_SELF, &usage) == 0 ? usage.ru_maxrss : -1;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main() {
    std::string pattern = (std::filesystem::temp_directory_path() / "bench-contactfile-XXXXXX");
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::filesystem::path folder = pattern;
    const std::filesystem::path file = folder / "contacts.xml";
    korvi::NullProgress progress;
    korvi::TcontactFile contactFile(progress, folder);

    const TContactList contacts = MakeContacts();
    const long baseKib = PeakKib();
    std::vector<double> writes, reads;
    std::string text;
    int rc = 0;
    long afterWriteKib = 0;
    long afterReadKib = 0;
    for (int run = 0; run < kRuns && rc == 0; ++run) {
        auto t0 = std::chrono::steady_clock::now();
        rc = Code(contactFile.SaveContacts(file, contacts, korvi::kFileTypeXml), text);
        auto t1 = std::chrono::steady_clock::now();
        if (run == 0) afterWriteKib = PeakKib();
        if (rc != 0) break;
        TContactList loaded;
        rc = Code(contactFile.LoadContacts(file, loaded), text);
        auto t2 = std::chrono::steady_clock::now();
        if (rc == 0 && loaded.size() != contacts.size()) {
            text = "read back " + std::to_string(loaded.size()) + " contacts";
            rc = -1;
        }
        if (run == 0) afterReadKib = PeakKib();
        writes.push_back(std::chrono::duration<double>(t1 - t0).count());
        reads.push_back(std::chrono::duration<double>(t2 - t1).count());
    }
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(file, ec);
    std::filesystem::remove_all(folder, ec);
    if (rc != 0) {
        std::fprintf(stderr, "bench-contactfile: failed: %s\n", text.c_str());
        return 1;
    }
    std::printf("bench-contactfile: %d contacts x 3 numbers, XML file %llu bytes, %d runs\n",
                kContacts, static_cast<unsigned long long>(bytes), kRuns);
    std::printf("  write: median %.4f s, best %.4f s (target < 0.15 s)\n", Median(writes),
                *std::min_element(writes.begin(), writes.end()));
    std::printf("  read:  median %.4f s, best %.4f s (target < 0.15 s)\n", Median(reads),
                *std::min_element(reads.begin(), reads.end()));
    std::printf(
        "  peak memory (ru_maxrss): %ld KiB with the list built, %ld KiB after the first "
        "write, %ld KiB after the first read\n",
        baseKib, afterWriteKib, afterReadKib);
    return 0;
}
