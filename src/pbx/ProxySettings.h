// Where and how long a service proxy talks to the PBX: the endpoint address and the timeout
// made from the connection values as the user typed them.
#pragma once

#include <string>
#include <string_view>

namespace korvi {

inline constexpr char kDefaultPbxAddress[] = "http://192.168.1.250:5002";
inline constexpr long kDefaultTimeoutSeconds = 300;

struct ProxySettings {
    std::string address;
    long timeoutMs = kDefaultTimeoutSeconds * 1000;
};

// The given address, or the default PBX address when it is empty.
std::string ServiceAddress(std::string_view url);

// Seconds as typed -> milliseconds; an empty text gives the default. Anything but a positive
// decimal integer fails with a text naming the value.
[[nodiscard]] bool TimeoutMsFromText(std::string_view text, long& timeoutMs, std::string& error);

[[nodiscard]] bool MakeProxySettings(std::string_view url, std::string_view timeoutText,
                                     ProxySettings& settings, std::string& error);

}  // namespace korvi
