// Building addresses and form bodies from user values, and showing addresses without secrets.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvi::net {

// Every byte but the unreserved ones (A-Z a-z 0-9 - . _ ~) as %XX with upper-case digits, so
// that a value can never end its field ('&', '=', '#', '+', '%', '/' included).
std::string PercentEncode(std::string_view value);

// "name=value&name=value" with every name and value percent-encoded: a query or an
// application/x-www-form-urlencoded body.
std::string FormEncode(const std::vector<std::pair<std::string, std::string>>& fields);

// %XX back to bytes ('+' stays '+'); false, with out unchanged, on a malformed escape.
[[nodiscard]] bool PercentDecode(std::string_view text, std::string& out);

// The address as messages may show it: scheme, host, port and path; the user, password,
// query and fragment are left out (a query may carry a password or a token).
std::string UrlForMessages(std::string_view url);

}  // namespace korvi::net
