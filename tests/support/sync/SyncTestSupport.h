// Small helpers of the sync tests: contacts from one line of text, and the content of a side
// in a form that ignores ids and order (two runs of the same sync give different PBX ids).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "model/Contact.h"

namespace korvi::test {

// "First Last: Mob=0170 1, Bus1=030 2" (the display name is "First Last"), or with an explicit
// display name "First Last [Display]: ...". A name part "-" is empty.
TContact MakeContact(const std::string& spec);

// "First|Last|Display|Bus1=030 2,Mob=0170 1": numbers sorted, removed-number marks left out.
std::string Canon(const TContact& c);
std::vector<std::string> Canon(const TContactList& list);
std::vector<std::string> Canon(const std::vector<TContact>& list);
std::vector<std::string> CanonSpecs(const std::vector<std::string>& specs);

// A program found on PATH, run without a shell: its exit code and what it printed.
bool ProgramOnPathForTest(const std::string& name);
std::pair<int, std::string> RunForTest(const std::vector<std::string>& argv);
// The same with input on the program's standard input.
std::pair<int, std::string> RunForTest(const std::vector<std::string>& argv,
                                       const std::string& input);

// The lines of a file written by the logs (stamps removed), or empty when it does not exist.
std::vector<std::string> LogLines(const std::string& path);

}  // namespace korvi::test
