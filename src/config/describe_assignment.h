#pragma once
// The text by which the program shows a button's function to the user.

#include <string>

#include "config/button_assignment.h"
#include "config/macro_slot.h"

namespace halvric {

class KeyLabels;
class TextTables;

// Display text of an assignment with the current texts; `dpi_unit` is the device's DPI step
// (DpiUnitForTypeCode). Keyboard keys are named by `keys` (the user's layout), or by the key
// name table when no labels are given. A type below 0 or above 41 gives the empty text.
std::string DescribeAssignment(const TextTables& texts, const KeyLabels& keys, int type, int p1, int p2, int p3,
                               int dpi_unit = 50);
std::string DescribeAssignment(const TextTables& texts, const KeyLabels& keys, const ButtonAssignment& a,
                               int dpi_unit = 50);
std::string DescribeAssignment(const TextTables& texts, int type, int p1, int p2, int p3, int dpi_unit = 50);
std::string DescribeAssignment(const TextTables& texts, const ButtonAssignment& a, int dpi_unit = 50);

// The name of the macro stored in the mouse that `a` plays: function 8-10 whose parameters are
// the body address of a used slot and 0. Empty for any other assignment (a built-in action, a
// binding to no stored macro) and for a macro stored without a name.
std::string BoundMacroName(const ButtonAssignment& a, const MacroSlotTable& macros);

// The text shown for a button's function, in the main window (its buttons and hints) and by
// halvricctl: the description, and for a button that plays a stored macro the macro's name after
// the mode's name ("Macro " + name).
std::string ButtonFunctionText(const TextTables& texts, const KeyLabels& keys, const ButtonAssignment& a,
                               int dpi_unit, const MacroSlotTable& macros);

// Names of the set bits of a button mask (bits 0..4), in bit order, with no separator.
std::string ButtonMaskNames(const TextTables& texts, int mask);
// Names of the 14 game-pad bits, "XBOX A" ... "XBOX Back".
const char* GamepadBitName(int bit);
inline constexpr int kGamepadBitCount = 14;

}  // namespace halvric
