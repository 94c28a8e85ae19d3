#pragma once
// The macros stored in the mouse: writing a macro into one of the 80 slots, deleting it, and
// reading it back. The working copy's slot table is the only record of what the mouse holds; it
// is kept true to the mouse after every operation, also when a transfer fails part-way.
// Bindings of buttons (all five profiles) follow a macro that moves, and are cleared when it is
// deleted, both in the mouse and in the working copy.

#include <cstdint>
#include <string>
#include <vector>

#include "device/mouse.h"
#include "device/progress.h"
#include "macro/instruction_set.h"
#include "macro/macro_compaction.h"
#include "macro/macro_space.h"
#include "macro/macro_store_result.h"

namespace halvric {

struct WorkingCopy;

// Bytes a macro's record takes in the mouse: name length byte, 32-byte name field, the
// instruction bytes and the end instruction.
uint32_t MacroRecordSize(const Macro& macro);

// The pieces in which a record's instruction bytes starting at `address` are written: when the
// address is odd and there are more than 128 bytes, a first piece up to the next 64-byte
// boundary, then pieces of 128 bytes (the last one shorter).
std::vector<uint32_t> InstructionPieces(uint32_t address, uint32_t count);

// Stores `macro` (name cut to 16 characters, mode 8-10; any other mode is stored as 8) as the
// macro of `slot`, inside a bulk operation (Wake before and after). The slot's own old space
// counts as free. Buttons that played the slot's old macro are bound to the new one.
// kNoSpace leaves the mouse, the slot table and the buttons as they were.
MacroStoreResult WriteMacroToSlot(const Mouse& m, WorkingCopy& wc,
                                  int slot, const Macro& macro,
                                  const ProgressFn& progress = {});

// Empties the slot's directory entry and sets every button that played the macro to function 0
// with its default label. The mode byte is left as it is.
MacroStoreResult DeleteMacroSlot(const Mouse& m, WorkingCopy& wc,
                                 int slot);

// Reads the slot's record into `macro`: its name and mode from the slot table, its instructions
// from the mouse (up to the end instruction).
MacroStoreResult ReadMacroFromSlot(const Mouse& m, const WorkingCopy& wc, int slot,
                                   Macro& macro, const ProgressFn& progress = {});

}  // namespace halvric
