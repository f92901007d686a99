// The outcome of an operation, set at the edge where a failure is understood: a code (0 for
// success, one of ResultCodes.h, or a peer's own error number such as the PBX's errCode) and
// the text for the user. Functions that return it cannot have it ignored.
#pragma once

#include <string>
#include <utility>

#include "app/ResultCodes.h"

namespace korvi {

struct [[nodiscard]] Result {
    int code = kResultOk;
    std::string text;

    Result() = default;
    Result(int c, std::string t = {}) : code(c), text(std::move(t)) {}

    bool ok() const { return code == kResultOk; }
    bool cancelled() const { return code == kResultCancelled; }
};

// The outcome of `step`, run after `before` in one pipeline: the step's code, and its text when
// it has one. A step that says nothing (most succeed silently) leaves the text of the one
// before, as one result text carried through the whole pipeline would.
inline Result Chained(Result before, Result step) {
    if (step.text.empty()) step.text = std::move(before.text);
    return step;
}

}  // namespace korvi
