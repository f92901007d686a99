#include "sync/DeletionWarning.h"

#include "app/Log.h"
#include "app/Texts.h"

namespace korvi {

Question BuildDeletionWarning(bool inPbx, int count, const std::string& partnerName) {
    Question q;
    q.kind = Question::Kind::Confirm;
    q.id = inPbx ? kQuestionPbxDeletes : kQuestionPartnerDeletes;
    q.caption = Text(kTextConfirm);
    q.text = Text(inPbx ? 168 : 171, partnerName, kAppName, std::to_string(count)) + "\n\n" +
             Text(kTextDoYouWantToContinue) + "\n";
    return q;
}

bool ConfirmDeletions(Prompt* prompt, bool inPbx, int count, const std::string& partnerName) {
    if (prompt == nullptr) {
        WriteLog("ERR: DoSync: no one to confirm %d deletions - cancelling", count);
        return false;
    }
    return prompt->Ask(BuildDeletionWarning(inPbx, count, partnerName)) == kOk;
}

}  // namespace korvi
