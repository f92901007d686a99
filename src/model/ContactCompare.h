// Comparison and matching of two contacts: which contact on the other side is "the same" one,
// and how it differs, down to the marks on each number.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/Contact.h"

namespace korvi {

enum MatchKind : int32_t {
    eMatch_ContactId = 0,
    eMatch_EntryId = 1,
    eMatch_Name = 2,
};

// Compare result codes; CompareResultName gives their texts.
enum CompareResult : int32_t {
    kCompareNoMatch = -1,
    kCompareIdentical = 0,
    kCompareFirstName = 1,
    kCompareLastName = 2,
    kCompareDisplayName = 3,
    kCompareOnlyFirstHasNumbers = 4,
    kCompareOnlySecondHasNumbers = 5,
    kCompareNumberChange = 6,
};

// Keys longer than this never match by name.
inline constexpr std::size_t kMaxNameKeyLength = 1000;
// Names within this edit distance are the same contact.
inline constexpr int kNameMatchDistance = 2;

// Returns -1 when the two do not match by matchKind, else the first difference found. With
// compareNumbers, reaching the number comparison marks every number of a (state) and appends a
// "Deleted" marker to a for every number type of b that a lacks, on every call. b is never
// changed (unless it is a itself).
[[nodiscard]] int CompareContacts(int matchKind, TContact& a, const TContact& b,
                                  bool compareNumbers);

// CompareContacts without the match test, for callers that already know a and b match
// (an index lookup). Never returns -1.
[[nodiscard]] int CompareMatchedContacts(TContact& a, const TContact& b, bool compareNumbers);

// The plain scan: the first contact of list, in list order, that matches a. Null entries are
// skipped. foundIndex is its position, or -1 with the result -1.
[[nodiscard]] int FindContact(int matchKind, TContact& a, const TContactList& list, int& foundIndex,
                              bool compareNumbers);
// A null a matches nothing.
[[nodiscard]] int FindContact(int matchKind, TContact* a, const TContactList& list, int& foundIndex,
                              bool compareNumbers);

// -1 when the types differ, else 0 when the texts are equal after normalising (ends trimmed of
// white space and control characters, then every space removed), else 1.
[[nodiscard]] int CompareNumbers(const TContactNumber& n, const TContactNumber& m);
// CompareNumbers against the first number of list with n's type; -1 and foundIndex -1 when
// there is none.
[[nodiscard]] int FindNumber(const TContactNumber& n, const TNumberList& list, int& foundIndex);

// Edit distance over bytes (case-sensitive); -1 when either text is empty or longer than
// kMaxNameKeyLength bytes.
[[nodiscard]] int NameDistance(std::string_view s, std::string_view t);

const char* CompareResultName(int code);

// text without leading and trailing white space and ASCII control characters (bytes 0..32 and
// 127). Bytes of 128 and above are kept: they belong to UTF-8 sequences.
[[nodiscard]] std::string_view TrimSpaceAndControl(std::string_view text);
// A number text as CompareNumbers compares it: ends trimmed, every space removed.
[[nodiscard]] std::string NormalisedNumber(std::string_view text);
// The name key: first name and last name, each trimmed, joined without a separator.
[[nodiscard]] std::string ContactNameKey(const TContact& c);

}  // namespace korvi
