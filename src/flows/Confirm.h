// The warning box with OK and Cancel that every flow asks before it goes ahead.
#pragma once

#include <string>

namespace korvi::flows {

struct FlowContext;

// Asks text under the caption "Confirm"; id names the question for scripted answers and the
// command line's flags. true on OK.
bool Confirm(FlowContext& ctx, const std::string& id, const std::string& text);

}  // namespace korvi::flows
