// Reading a secret (PIN, password) from standard input, so that it never has to appear on a
// command line or in the shell history.
#pragma once

#include <string>
#include <string_view>

namespace korvi::cli {

class CliIo;

// One line from io.in() without its line end. On a terminal the prompt goes to the error
// stream and the typed characters are not echoed. False when the input ended before a line.
[[nodiscard]] bool ReadSecretLine(CliIo& io, std::string_view prompt, std::string& secret);

}  // namespace korvi::cli
