// How much a sync that nobody watches (the window's timer, `korvi sync --silent`) may delete
// on its own: no more than this many contacts of a side, or no more than this share of it. A
// sync that would delete more leaves it to a manual sync, which asks.
#pragma once

namespace korvi {

inline constexpr int kSilentDeleteMaxDefault = 10;
inline constexpr int kSilentDeletePercentDefault = 25;

}  // namespace korvi
