// Text that came from the network, made fit for one log line: whoever answered a search chose
// it, so line breaks and other control characters must not forge log lines, and its length
// is bounded.
#pragma once

#include <string>
#include <string_view>

namespace korvi {

// Control characters become '?'; beyond maxLength the text is cut and "..." appended.
std::string LogSafe(std::string_view text, std::size_t maxLength = 120);

}  // namespace korvi
