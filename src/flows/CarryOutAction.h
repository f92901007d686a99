// The one way every operation runs a numbered action: the log line, the PBX connection values
// and their checks for the actions that reach the PBX (the history line of a sync that fails
// them), the start, the wait with its cancel, and the result left in the controller.
#pragma once

#include "app/Result.h"

namespace korvi::flows {

struct FlowContext;

// Runs action to its end and returns the controller's result code (its text is in
// ctrl.resultText()). silent: no progress shown (the automatic sync).
int CarryOutAction(FlowContext& ctx, int action, int silent = 0);

// The controller's result after CarryOutAction.
Result LastResult(const FlowContext& ctx);

}  // namespace korvi::flows
