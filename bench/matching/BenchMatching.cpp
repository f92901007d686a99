// First-time matching and id lookups over in-memory contact lists: the index against the plain
// scan. Prints its figures; the scan runs on a smaller list and is extrapolated (it is
// quadratic).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "model/Contact.h"
#include "model/ContactCompare.h"
#include "model/ContactMatcher.h"

namespace {

using namespace korvi;

// CPU time of this thread: on a machine shared with builds, wall time mostly measures the
// neighbours.
double CpuSeconds() {
    timespec ts{};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts) != 0) return 0;
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

constexpr int kBigN = 10000;
constexpr int kSmallN = 1000;
constexpr int kRuns = 3;

const char* const kFirstNames[] = {
    "James",
    "Mary",
    "John",
    "Patricia",
    "Robert",
    "Jennifer",
    "Michael",
    "Linda",
    "David",
    "Barbara",
    "Sean",
    "Siobhan",
    "Aoife",
    "Ciaran",
    "Niamh",
    "Padraig",
    "Anna",
    "Ann",
    "Anne",
    "Peter",
    "Paul",
    "Mark",
    "Sarah",
    "Emma",
    "Thomas",
    "Laura",
    "Karen",
    "Brian",
    "Kevin",
    "Declan",
    "Orla",
    "Fiona",
    "Zo\xC3\xAB",
    "Ren\xC3\xA9",
    "J\xC3\xBC"
    "rgen",
    "Fran\xC3\xA7ois",
    "Mar\xC3\xAD"
    "a",
    "Jos\xC3\xA9",
    "Olga",
    "Ivan",
    "Wei",
    "Li",
    "Hiroshi",
    "Yuki",
    "Ahmed",
    "Fatima",
    "Carlos",
    "Lucia",
    "Marco",
    "Giulia",
    "Lars",
    "Ingrid",
    "Piotr",
    "Agnieszka",
};
const char* const kSyllables[] = {
    "mur", "phy",  "kel", "ly",  "o",   "bri",  "en",    "dun", "ne", "gal",
    "la",  "gher", "mc",  "car", "thy", "wal",  "sh",    "ry",  "an", "fitz",
    "ger", "ald",  "sm",  "ith", "son", "berg", "stein", "man", "ov", "ski",
    "ez",  "ra",   "mi",  "to",  "ka",  "na",   "be",    "li",  "do", "vi",
};

class Names {
public:
    explicit Names(unsigned seed) : m_rng(seed) {}

    TContact Fresh(int32_t contactId) {
        TContact c;
        c.contactId = contactId;
        c.firstName = kFirstNames[Below(std::size(kFirstNames))];
        const std::size_t syllables = 2 + Below(3);
        for (std::size_t i = 0; i < syllables; ++i)
            c.lastName += kSyllables[Below(std::size(kSyllables))];
        c.lastName[0] = static_cast<char>(c.lastName[0] - 'a' + 'A');
        c.displayName = c.firstName + " " + c.lastName;
        const std::size_t numbers = 1 + Below(3);
        for (std::size_t i = 0; i < numbers; ++i) {
            std::string number = "+353 1 ";
            for (int d = 0; d < 7; ++d) number += static_cast<char>('0' + Below(10));
            AddNumber(number, static_cast<int32_t>(Below(8)), c);
        }
        return c;
    }

    // One byte of the last name changed, inserted or removed: a similar, not identical, pair.
    void Blur(TContact& c) {
        std::string& s = c.lastName;
        const std::size_t at = 1 + Below(s.size() - 1);
        switch (Below(3)) {
            case 0:
                s.insert(at, 1, 'x');
                break;
            case 1:
                s.erase(at, 1);
                break;
            default:
                s[at] = s[at] == 'q' ? 'z' : 'q';
                break;
        }
        c.displayName = c.firstName + " " + c.lastName;
    }

    std::size_t Below(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(m_rng);
    }
    std::mt19937& rng() { return m_rng; }

private:
    std::mt19937 m_rng;
};

struct Lists {
    TContactList pbx;
    TContactList partner;
};

// Half of the contacts on both sides, 1% of pairs similar, the rest on one side only; the
// partner side in its own order.
Lists MakeLists(int n, unsigned seed) {
    Names names(seed);
    Lists lists;
    const int shared = n / 2;
    const int similar = n / 100;
    for (int i = 0; i < n; ++i) {
        lists.pbx.push_back(std::make_unique<TContact>(names.Fresh(1000 + i)));
    }
    for (int i = 0; i < n; ++i) {
        TContact q =
            i < shared + similar ? *lists.pbx[static_cast<std::size_t>(i)] : names.Fresh(0);
        q.contactId = 0;
        q.entryId = "00000000" + std::to_string(900000 + i);
        if (i >= shared && i < shared + similar) names.Blur(q);
        lists.partner.push_back(std::make_unique<TContact>(std::move(q)));
    }
    std::shuffle(lists.partner.begin(), lists.partner.end(), names.rng());
    return lists;
}

TContactList Copy(const TContactList& list) {
    TContactList copy;
    for (const auto& c : list) copy.push_back(CopyContact(c.get()));
    return copy;
}

struct Outcome {
    double seconds = 0;  // CPU
    double wall = 0;
    std::vector<int> found;  // per lookup: result * 1'000'000 + index, to compare both ways
};

int Encode(int result, int index) { return (result + 1) * 1'000'000 + index; }

// Each PBX contact looked up by name among the partner's, then each partner contact among the
// PBX's, with numbers compared (the first-time sync's two passes).
Outcome FirstTimeMatching(const Lists& source, bool indexed) {
    Lists lists{Copy(source.pbx), Copy(source.partner)};
    Outcome out;
    out.found.reserve(lists.pbx.size() + lists.partner.size());
    const double start = CpuSeconds();
    const auto wallStart = std::chrono::steady_clock::now();
    int at = -1;
    if (indexed) {
        const ContactMatcher partnerByName(eMatch_Name, lists.partner);
        for (auto& p : lists.pbx) out.found.push_back(Encode(partnerByName.Find(*p, at, true), at));
        const ContactMatcher pbxByName(eMatch_Name, lists.pbx);
        for (auto& q : lists.partner) out.found.push_back(Encode(pbxByName.Find(*q, at, true), at));
    } else {
        for (auto& p : lists.pbx) {
            out.found.push_back(Encode(FindContact(eMatch_Name, *p, lists.partner, at, true), at));
        }
        for (auto& q : lists.partner) {
            out.found.push_back(Encode(FindContact(eMatch_Name, *q, lists.pbx, at, true), at));
        }
    }
    out.seconds = CpuSeconds() - start;
    out.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    return out;
}

// Every contact of a list looked up by its own id in a copy of the list in another order, as
// change detection looks up each side in the sync list.
Outcome IdLookups(const TContactList& source, int matchKind, bool indexed) {
    TContactList queries = Copy(source);
    TContactList syncList = Copy(source);
    std::mt19937 rng(7);
    std::shuffle(syncList.begin(), syncList.end(), rng);
    Outcome out;
    out.found.reserve(queries.size());
    const double start = CpuSeconds();
    const auto wallStart = std::chrono::steady_clock::now();
    int at = -1;
    if (indexed) {
        const ContactMatcher m(matchKind, syncList);
        for (auto& q : queries) out.found.push_back(Encode(m.Find(*q, at, true), at));
    } else {
        for (auto& q : queries) {
            out.found.push_back(Encode(FindContact(matchKind, *q, syncList, at, true), at));
        }
    }
    out.seconds = CpuSeconds() - start;
    out.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    return out;
}

template <class F>
Outcome Best(F&& run) {
    Outcome best = run();
    for (int i = 1; i < kRuns; ++i) {
        Outcome o = run();
        if (o.seconds < best.seconds) best = std::move(o);
    }
    return best;
}

int Matched(const Outcome& o) {
    return static_cast<int>(
        std::count_if(o.found.begin(), o.found.end(), [](int f) { return f >= 1'000'000; }));
}

}  // namespace

int main() {
    const double scale = static_cast<double>(kBigN) / kSmallN;
    const double quadratic = scale * scale;
    bool allSame = true;

    const Lists big = MakeLists(kBigN, 1);
    const Lists small = MakeLists(kSmallN, 2);

    std::printf("CPU seconds of this thread (wall seconds in brackets), best of %d runs\n", kRuns);
    std::printf(
        "first-time matching by name, both passes, numbers compared; half the contacts "
        "on both sides, 1%% similar pairs, the rest on one side:\n");
    const Outcome bigIndex = Best([&] { return FirstTimeMatching(big, true); });
    const Outcome smallIndex = Best([&] { return FirstTimeMatching(small, true); });
    const Outcome smallScan = Best([&] { return FirstTimeMatching(small, false); });
    allSame = allSame && smallIndex.found == smallScan.found;
    const double scanExtrapolated = smallScan.seconds * quadratic;
    std::printf("  index %5d x %5d: %7.3f s (%.3f)  %d of %zu lookups matched\n", kBigN, kBigN,
                bigIndex.seconds, bigIndex.wall, Matched(bigIndex), bigIndex.found.size());
    std::printf("  index %5d x %5d: %7.3f s (%.3f)\n", kSmallN, kSmallN, smallIndex.seconds,
                smallIndex.wall);
    std::printf("  scan  %5d x %5d: %7.3f s (%.3f)  extrapolated to %d x %d: %.1f s\n", kSmallN,
                kSmallN, smallScan.seconds, smallScan.wall, kBigN, kBigN, scanExtrapolated);
    std::printf("  scan/index: %.0fx at %d x %d (extrapolated scan), %.0fx at %d x %d\n",
                scanExtrapolated / bigIndex.seconds, kBigN, kBigN,
                smallScan.seconds / smallIndex.seconds, kSmallN, kSmallN);
    std::printf("  target: under 0.5 s at %d x %d: %s\n", kBigN, kBigN,
                bigIndex.seconds < 0.5 ? "met" : "MISSED");

    const struct {
        const char* name;
        int kind;
        const TContactList* big;
        const TContactList* small;
    } idKinds[] = {
        {"contactId", eMatch_ContactId, &big.pbx, &small.pbx},
        {"entryId", eMatch_EntryId, &big.partner, &small.partner},
    };
    for (const auto& k : idKinds) {
        const Outcome index = Best([&] { return IdLookups(*k.big, k.kind, true); });
        const Outcome smallIdx = Best([&] { return IdLookups(*k.small, k.kind, true); });
        const Outcome scan = Best([&] { return IdLookups(*k.small, k.kind, false); });
        allSame = allSame && smallIdx.found == scan.found;
        std::printf("lookups by %s, numbers compared:\n", k.name);
        std::printf("  index %5d x %5d: %7.4f s (%.4f), building the index included\n", kBigN,
                    kBigN, index.seconds, index.wall);
        std::printf("  scan  %5d x %5d: %7.4f s (%.4f)  extrapolated to %d x %d: %.2f s\n", kSmallN,
                    kSmallN, scan.seconds, scan.wall, kBigN, kBigN, scan.seconds * quadratic);
    }
    std::printf("index and scan agree on every lookup at %d x %d: %s\n", kSmallN, kSmallN,
                allSame ? "yes" : "NO");
    return allSame ? 0 : 1;
}
