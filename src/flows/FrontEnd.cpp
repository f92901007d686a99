#include "flows/FrontEnd.h"

#include "app/ResultCodes.h"
#include "app/Texts.h"

namespace korvi::flows {

std::string FailureText(const Result& result) {
    return result.text + " (Error Code " + std::to_string(result.code) + ")";
}

Result FrontEnd::ChooseGmailGroup(Tgmail& store) {
    static_cast<void>(store);
    return {kResultCancelled, Text(kTextActionCancelled)};
}

void ReportFailure(FrontEnd& frontEnd, const Result& failed) {
    if (failed.cancelled()) {
        frontEnd.Cancelled(failed);
    } else {
        frontEnd.Failure(failed);
    }
}

}  // namespace korvi::flows
