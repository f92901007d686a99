// The confirmation a sync asks for before it deletes more than one contact on a side.
#pragma once

#include <string>

#include "app/Prompt.h"

namespace korvi {

inline constexpr char kQuestionPbxDeletes[] = "pbx-deletes";
inline constexpr char kQuestionPartnerDeletes[] = "partner-deletes";

// inPbx: the contacts are to be deleted from the PBX (they went from the partner).
Question BuildDeletionWarning(bool inPbx, int count, const std::string& partnerName);

// True only for OK; no prompt at all counts as Cancel, so nothing is deleted unasked.
[[nodiscard]] bool ConfirmDeletions(Prompt* prompt, bool inPbx, int count,
                                    const std::string& partnerName);

}  // namespace korvi
