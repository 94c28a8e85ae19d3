#pragma once
// Bringing one entry of the program's slot table back in line with the mouse after a transfer
// failed part-way, so that the table never claims a macro the mouse does not hold.

#include <string>

namespace halvric {

struct Mouse;
struct WorkingCopy;

// Reads the slot's directory entry, mode byte and name again, bypassing the memory mirror.
// When the mouse cannot be read the slot is taken as empty (its mode is kept): an empty entry
// claims nothing, and the whole table is read again at the next connection.
// Returns true when the entry was read from the mouse.
bool RefreshMacroSlot(const Mouse& m, WorkingCopy& wc, int slot);

}  // namespace halvric
