#include "sync/SimilarContactQuestion.h"

#include "app/Log.h"
#include "app/Texts.h"

namespace korvi {

std::vector<std::string> ContactLines(const TContact& contact) {
    std::vector<std::string> lines;
    if (!contact.firstName.empty()) lines.push_back("First Name: " + contact.firstName);
    if (!contact.lastName.empty()) lines.push_back("Last Name: " + contact.lastName);
    if (!contact.displayName.empty()) lines.push_back("Display Name: " + contact.displayName);
    if (contact.numbers) {
        for (const auto& n : *contact.numbers) {
            lines.push_back("Number: " + n.number + " [" + NumberTypeName(n.numberType) + "]");
        }
    }
    return lines;
}

Question BuildSimilarContactQuestion(const TContact& pbxContact, const TContact& partnerContact,
                                     const std::string& partnerName) {
    Question q;
    q.kind = Question::Kind::SimilarContact;
    q.id = kQuestionSimilarContact;
    q.caption = Text(kTextSimilarCaption);
    q.heading = Text(kTextSimilarHeading, partnerName);
    q.text = q.heading;
    q.pbxCaption = Text(kTextSimilarPbxCaption);
    q.partnerCaption = Text(kTextSimilarPartnerCaption, partnerName);
    q.pbxLines = ContactLines(pbxContact);
    q.partnerLines = ContactLines(partnerContact);
    q.buttons = {Text(kTextUsePbxContact), Text(kTextUsePartnerContact, partnerName),
                 Text(kTextRetainBoth), Text(kTextCancelButton)};
    return q;
}

int AskSimilarContact(Prompt* prompt, const TContact& pbxContact, const TContact& partnerContact,
                      const std::string& partnerName) {
    if (prompt == nullptr) {
        WriteLog("ERR: FirstTimeSync: no one to ask about similar contacts - cancelling");
        return kCancel;
    }
    const int choice =
        prompt->Ask(BuildSimilarContactQuestion(pbxContact, partnerContact, partnerName));
    switch (choice) {
        case kUsePbx:
        case kUsePartner:
        case kRetainBoth:
            return choice;
        default:
            return kCancel;
    }
}

}  // namespace korvi
