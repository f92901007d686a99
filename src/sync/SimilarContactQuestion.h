// The similar-contact choice of a first-time sync, as a question of the Prompt interface: the
// dialog's texts and the two contacts' lines, so that any front end can lay it out.
#pragma once

#include <string>
#include <vector>

#include "app/Prompt.h"
#include "model/Contact.h"

namespace korvi {

inline constexpr char kQuestionSimilarContact[] = "similar-contact";

// "First Name: ", "Last Name: ", "Display Name: " lines (only the non-empty ones), then one
// "Number: TEXT [TYPE]" line per entry of the number list, markers of removed numbers included.
std::vector<std::string> ContactLines(const TContact& contact);

Question BuildSimilarContactQuestion(const TContact& pbxContact, const TContact& partnerContact,
                                     const std::string& partnerName);

// Asks through prompt; anything but the four choices, or no prompt at all, is Cancel (0).
int AskSimilarContact(Prompt* prompt, const TContact& pbxContact, const TContact& partnerContact,
                      const std::string& partnerName);

}  // namespace korvi
