#include "sync/SyncGuards.h"

#include "app/Log.h"
#include "app/Texts.h"

namespace korvi {

bool ExceedsDeletionLimits(int deletes, int sideSize, const DeletionLimits& limits) {
    return deletes > limits.maxCount && static_cast<long long>(deletes) * 100 >
                                            static_cast<long long>(limits.percent) * sideSize;
}

std::string EmptySideWarning(bool pbxEmpty, int syncListEntries, const std::string& partnerName,
                             const std::string& contactTypeName) {
    return Text(pbxEmpty ? kTextPbxReadsEmpty : kTextPartnerReadsEmpty, partnerName,
                pbxEmpty ? contactTypeName : std::string(), std::to_string(syncListEntries));
}

bool ConfirmEmptySide(Prompt* prompt, const std::string& warning) {
    if (prompt == nullptr) {
        WriteLog("ERR: DoSync: no one to confirm filling an empty side - cancelling");
        return false;
    }
    Question q;
    q.kind = Question::Kind::Confirm;
    q.id = kQuestionEmptySide;
    q.caption = Text(kTextConfirm);
    q.text = warning + "\n\n" + Text(kTextDoYouWantToContinue) + "\n";
    return prompt->Ask(q) == kOk;
}

}  // namespace korvi
