// The Radicale server of one test process: the tests of a binary share it and give each world
// an address book of its own.
#pragma once

#include <string>

#include "RadicaleServer.h"

namespace korvi::test {

// Started at the first call, with its folder in the process's temporary home; null (with the
// reason) when Radicale is not installed or does not start.
RadicaleServer* SharedRadicale(std::string& whyNot);

// A fresh, uniquely named address book on the shared server; empty with whyNot on failure.
std::string FreshAddressBook(std::string& whyNot);

}  // namespace korvi::test
