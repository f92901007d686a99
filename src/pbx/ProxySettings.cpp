#include "pbx/ProxySettings.h"

#include <charconv>

#include <fmt/format.h>

namespace korvi {

namespace {
// More than a day is not a timeout a user means; it also keeps the product within a long.
constexpr long kMaxTimeoutSeconds = 86400;
}  // namespace

std::string ServiceAddress(std::string_view url) {
    return url.empty() ? std::string(kDefaultPbxAddress) : std::string(url);
}

bool TimeoutMsFromText(std::string_view text, long& timeoutMs, std::string& error) {
    if (text.empty()) {
        timeoutMs = kDefaultTimeoutSeconds * 1000;
        return true;
    }
    long seconds = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (ec != std::errc() || end != text.data() + text.size() || seconds <= 0 ||
        seconds > kMaxTimeoutSeconds) {
        error = fmt::format("'{}' is not a valid timeout in seconds", text);
        return false;
    }
    timeoutMs = seconds * 1000;
    return true;
}

bool MakeProxySettings(std::string_view url, std::string_view timeoutText, ProxySettings& settings,
                       std::string& error) {
    ProxySettings made;
    made.address = ServiceAddress(url);
    if (!TimeoutMsFromText(timeoutText, made.timeoutMs, error)) return false;
    settings = std::move(made);
    return true;
}

}  // namespace korvi
