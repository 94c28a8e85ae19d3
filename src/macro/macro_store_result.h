#pragma once
// Outcome of an operation on the macros stored in the mouse.

namespace halvric {

enum class MacroStoreResult {
  kOk,
  kNoSpace,    // "Lack of space !!": nothing was changed
  kEmptySlot,  // the slot holds no macro
  kBadSlot,    // slot number outside 0-79, or no mouse loaded in the working copy
  kFailed,     // a transfer failed; the slot table was brought back in line with the mouse
};

}  // namespace halvric
