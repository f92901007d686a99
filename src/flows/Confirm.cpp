#include "flows/Confirm.h"

#include "app/Prompt.h"
#include "app/Texts.h"
#include "flows/FlowContext.h"
#include "flows/FrontEnd.h"

namespace korvi::flows {

bool Confirm(FlowContext& ctx, const std::string& id, const std::string& text) {
    Question question;
    question.kind = Question::Kind::Confirm;
    question.id = id;
    question.caption = Text(kTextConfirm);
    question.text = text;
    return ctx.frontEnd.prompt().Ask(question) == kOk;
}

}  // namespace korvi::flows
