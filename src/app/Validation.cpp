#include "app/Validation.h"

#include <charconv>
#include <string>

#include "app/Texts.h"
#include "app/Utf8.h"

namespace korvi {

namespace {

std::string_view TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

// Control characters can go neither into an HTTP request line nor into the XML text of a
// SOAP request, so they count as illegal next to the characters the PBX refuses.
bool HasIllegal(std::string_view text, bool blankAllowed) {
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte < 0x20 || byte == 0x7F) return true;
        if (ch == '=' || ch == '\'' || ch == '"') return true;
        if (ch == ' ' && !blankAllowed) return true;
    }
    return false;
}

Result Fail(int code, int textId, std::string_view name = {}, std::string_view number1 = {},
            std::string_view number2 = {}) {
    return {code, Text(textId, {}, name, number1, number2)};
}

// A 32-bit integer, as the callers store it; anything beyond is not a valid value.
bool ParseDecimal(std::string_view text, int& value) {
    if (text.empty()) return false;
    if (text.front() == '+') {
        text.remove_prefix(1);
        if (text.empty() || text.front() == '-') return false;
    }
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

Result ValidateUrl(std::string_view url) {
    const std::string_view trimmed = TrimBlanks(url);
    if (HasIllegal(trimmed, false)) return Fail(kResultBadUrl, kTextUrlIllegal);
    if (!trimmed.starts_with("http://") && !trimmed.starts_with("https://")) {
        return Fail(kResultBadUrl, kTextUrlScheme);
    }
    return {};
}

Result ValidateUserName(std::string_view name) {
    if (HasIllegal(name, true)) return Fail(kResultBadUserName, kTextUserNameIllegal);
    const std::size_t length = Utf8CharacterCount(name);
    if (length < 1 || length > 20)
        return Fail(kResultBadUserName, kTextUserNameLength, {}, "1", "20");
    return {};
}

Result ValidatePin(std::string_view pin) {
    if (HasIllegal(pin, false)) return Fail(kResultBadPin, kTextPinIllegal);
    const std::size_t length = Utf8CharacterCount(pin);
    if (length < 4 || length > 20) return Fail(kResultBadPin, kTextPinLength, {}, "4", "20");
    return {};
}

Result ValidateIntegerRange(std::string_view name, std::string_view value, int min, int max) {
    int number = 0;
    const bool ok =
        ParseDecimal(TrimBlanks(value), number) && number >= min && (max == 0 || number <= max);
    if (ok) return {};
    if (max != 0) {
        return Fail(kResultLocalFailure, kTextIntegerRange, name, std::to_string(min),
                    std::to_string(max));
    }
    return Fail(kResultLocalFailure, kTextIntegerMinimum, name, std::to_string(min));
}

Result ValidateGmailAccount(std::string_view account) {
    std::string lower(account);
    for (char& ch : lower) {
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    }
    const std::string marker = std::string("@") + kGmailMailDomain;
    if (lower.find(marker) == std::string::npos || Utf8CharacterCount(lower) <= 10) {
        return Fail(kResultLocalFailure, kTextGmailAccountForm);
    }
    return {};
}

Result ValidateGmailPassword(std::string_view password) {
    if (Utf8CharacterCount(password) <= 7)
        return Fail(kResultLocalFailure, kTextGmailPasswordLength);
    return {};
}

}  // namespace korvi
