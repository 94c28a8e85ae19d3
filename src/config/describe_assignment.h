#pragma once
// The text by which the program shows a button's function to the user.

#include <string>

#include "config/button_assignment.h"

namespace halvric {

class TextTables;

// Display text of an assignment with the current texts; `dpi_unit` is the device's DPI step
// (DpiUnitForTypeCode). A type below 0 or above 41 gives the empty text.
std::string DescribeAssignment(const TextTables& texts, int type, int p1, int p2, int p3, int dpi_unit = 50);
std::string DescribeAssignment(const TextTables& texts, const ButtonAssignment& a, int dpi_unit = 50);

// Names of the set bits of a button mask (bits 0..4), in bit order, with no separator.
std::string ButtonMaskNames(const TextTables& texts, int mask);
// Names of the 14 game-pad bits, "XBOX A" ... "XBOX Back".
const char* GamepadBitName(int bit);
inline constexpr int kGamepadBitCount = 14;

}  // namespace halvric
