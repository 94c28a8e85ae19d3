#pragma once
// The readable forms of a button function on the command line.

#include <optional>
#include <string>
#include <string_view>

#include "config/button_assignment.h"
#include "config/working_copy.h"

namespace halvric {

// Accepted forms (case-insensitive words):
//   raw:TYPE,P1,P2,P3        the four bytes, decimal or 0x-hex
//   none | default           no function | the mouse's factory function
//   left, right, middle, back, forward   a mouse button; several joined with '+' press together
//   wheel-up | wheel-down
//   key:[MODS+]KEY           e.g. key:Ctrl+Shift+A, key:F5, key:Enter (names of the key table;
//                            modifiers Ctrl, Shift, Alt, Win, or with L/R for one side: RCtrl)
//   media:NAME | media:0xUSAGE   e.g. media:"Volume Up", media:0xE9
//   dpi-up | dpi-down | dpi-loop | profile-switch
//   macro:SLOT[:loop|:fire]  plays the macro stored in SLOT (0-79) once, in a loop while held, or
//                            as fire key
// `wc` resolves macro slots; `error` receives why the text was refused.
std::optional<ButtonAssignment> ParseFunctionSpec(std::string_view text, const WorkingCopy& wc, std::string* error);

// The help text listing the forms.
const char* FunctionSpecHelp();

}  // namespace halvric
