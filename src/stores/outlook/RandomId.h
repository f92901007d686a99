// Identifiers for new cards and folders.
#pragma once

#include <string>

namespace korvi::outlook {

// A random (version 4) UUID in lower case, as address book programs write them.
std::string NewUuid();
// 32 upper-case hexadecimal digits, random.
std::string NewHexId();

}  // namespace korvi::outlook
