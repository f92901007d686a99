#include "model/ContactCompare.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace korvi {

namespace {

bool IsSpaceOrControl(char ch) {
    const auto byte = static_cast<unsigned char>(ch);
    return byte <= 32 || byte == 127;
}

bool Matches(int matchKind, const TContact& a, const TContact& b) {
    switch (matchKind) {
        case eMatch_ContactId:
            return a.contactId == b.contactId;
        case eMatch_EntryId:
            return a.entryId == b.entryId;
        case eMatch_Name: {
            const int d = NameDistance(ContactNameKey(a), ContactNameKey(b));
            return d >= 0 && d <= kNameMatchDistance;
        }
        default:
            return false;
    }
}

}  // namespace

std::string NormalisedNumber(std::string_view text) {
    std::string out;
    for (char ch : TrimSpaceAndControl(text)) {
        if (ch != ' ') out.push_back(ch);
    }
    return out;
}

std::string_view TrimSpaceAndControl(std::string_view text) {
    while (!text.empty() && IsSpaceOrControl(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpaceOrControl(text.back())) text.remove_suffix(1);
    return text;
}

std::string ContactNameKey(const TContact& c) {
    std::string key(TrimSpaceAndControl(c.firstName));
    key += TrimSpaceAndControl(c.lastName);
    return key;
}

int NameDistance(std::string_view s, std::string_view t) {
    if (s.empty() || t.empty() || s.size() > kMaxNameKeyLength || t.size() > kMaxNameKeyLength) {
        return -1;
    }
    // Two rows of the (|s|+1) x (|t|+1) table are enough for the last cell.
    std::vector<int> rows(2 * (t.size() + 1));
    int* prev = rows.data();
    int* cur = prev + t.size() + 1;
    std::iota(prev, cur, 0);
    for (std::size_t i = 1; i <= s.size(); ++i) {
        cur[0] = static_cast<int>(i);
        const char si = s[i - 1];
        for (std::size_t j = 1; j <= t.size(); ++j) {
            int best = prev[j - 1] + (si == t[j - 1] ? 0 : 1);
            if (prev[j] + 1 < best) best = prev[j] + 1;
            if (cur[j - 1] + 1 < best) best = cur[j - 1] + 1;
            cur[j] = best;
        }
        std::swap(prev, cur);
    }
    return prev[t.size()];
}

int CompareNumbers(const TContactNumber& n, const TContactNumber& m) {
    if (n.numberType != m.numberType) return -1;
    return NormalisedNumber(n.number) == NormalisedNumber(m.number) ? 0 : 1;
}

int FindNumber(const TContactNumber& n, const TNumberList& list, int& foundIndex) {
    foundIndex = -1;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const int r = CompareNumbers(n, list[i]);
        if (r != -1) {
            foundIndex = static_cast<int>(i);
            return r;
        }
    }
    return -1;
}

int CompareMatchedContacts(TContact& a, const TContact& b, bool compareNumbers) {
    if (a.firstName != b.firstName) return kCompareFirstName;
    if (a.lastName != b.lastName) return kCompareLastName;
    if (a.displayName != b.displayName) return kCompareDisplayName;
    if (!compareNumbers) return kCompareIdentical;
    if (!a.numbers && !b.numbers) return kCompareIdentical;
    if (a.numbers && !b.numbers) return kCompareOnlyFirstHasNumbers;
    if (!a.numbers && b.numbers) return kCompareOnlySecondHasNumbers;

    bool changed = false;
    int at = -1;
    for (TContactNumber& n : *a.numbers) {
        const int r = FindNumber(n, *b.numbers, at);
        n.state = r == -1 ? kAdded : (r == 0 ? kNoChange : kAmended);
        if (r != 0) changed = true;
    }
    // Indexes, a bound taken up front and a copy before the append: when a and b are one
    // contact, the append would otherwise move the number being read.
    const std::size_t bCount = b.numbers->size();
    for (std::size_t k = 0; k < bCount; ++k) {
        if (FindNumber((*b.numbers)[k], *a.numbers, at) != -1) continue;
        TContactNumber marker = (*b.numbers)[k];
        marker.state = kDeleted;
        a.numbers->push_back(std::move(marker));
        changed = true;
    }
    return changed ? kCompareNumberChange : kCompareIdentical;
}

int CompareContacts(int matchKind, TContact& a, const TContact& b, bool compareNumbers) {
    if (!Matches(matchKind, a, b)) return kCompareNoMatch;
    return CompareMatchedContacts(a, b, compareNumbers);
}

int FindContact(int matchKind, TContact& a, const TContactList& list, int& foundIndex,
                bool compareNumbers) {
    foundIndex = -1;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (!list[i]) continue;
        const int r = CompareContacts(matchKind, a, *list[i], compareNumbers);
        if (r != kCompareNoMatch) {
            foundIndex = static_cast<int>(i);
            return r;
        }
    }
    return kCompareNoMatch;
}

int FindContact(int matchKind, TContact* a, const TContactList& list, int& foundIndex,
                bool compareNumbers) {
    if (a == nullptr) {
        foundIndex = -1;
        return kCompareNoMatch;
    }
    return FindContact(matchKind, *a, list, foundIndex, compareNumbers);
}

const char* CompareResultName(int code) {
    switch (code) {
        case kCompareIdentical:
            return "Identical";
        case kCompareFirstName:
            return "First Name Different";
        case kCompareLastName:
            return "Last Name Different";
        case kCompareDisplayName:
            return "Display Name Different";
        case kCompareOnlyFirstHasNumbers:
        case kCompareOnlySecondHasNumbers:
            return "Empty Number List";
        case kCompareNumberChange:
            return "Number Change";
        default:
            return "Unk";
    }
}

}  // namespace korvi
