#pragma once
// The readable forms of a button function on the command line.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/button_assignment.h"
#include "config/function_catalogue.h"
#include "config/key_labels.h"
#include "config/working_copy.h"

namespace halvric {

// What a function text is read against: the mouse's configuration (macro slots), the key names
// shown to the user, and the catalogue entries offered for the button (see OfferedCatalogue).
struct FunctionSpecContext {
  const WorkingCopy& wc;
  const KeyLabels& keys;
  std::vector<_FITEM_> catalogue;
  // The language of the reasons ParseFunctionSpec gives; English when null.
  const TextTables* texts = nullptr;
};

// The catalogue entries the button setting dialog offers for `key` of this mouse, in its order:
// the catalogue of the identified mouse (game-pad entries only with its game-pad flag) without
// the entries its display filter and the key's hidden types leave out. `key` < 0: no hidden types.
std::vector<_FITEM_> OfferedCatalogue(const TextTables& texts, const DeviceInfo& info, int key);

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
//   catalogue:N              entry N (from 1) of the offered catalogue (halvricctl functions)
//   gamepad:BUTTON           a game-pad button (A B X Y LB LT RB RT Left Right Up Down Start Back)
//                            or analog1 / analog2, for mice whose catalogue offers them
// Key names are those of `c.keys`; `error` receives why the text was refused.
std::optional<ButtonAssignment> ParseFunctionSpec(std::string_view text, const FunctionSpecContext& c,
                                                  std::string* error);
// The same with the key name table and no catalogue.
std::optional<ButtonAssignment> ParseFunctionSpec(std::string_view text, const WorkingCopy& wc, std::string* error);

// The readable form of `a` among those above (catalogue entries aside) that ParseFunctionSpec reads
// back to the same four bytes against `c`; "raw:" when no other form does. A macro function names
// the slot whose macro it plays.
std::string FunctionSpecText(const ButtonAssignment& a, const FunctionSpecContext& c);

// The readable form of key `key`'s function as export and `show --json` give it: FunctionSpecText
// against the mouse's macros and `keys`, with the catalogue offered for the key where a game-pad
// function needs it.
std::string ReadableFunction(const ButtonAssignment& a, int key, const WorkingCopy& wc, const KeyLabels& keys,
                             const TextTables& texts, const DeviceInfo& info);

// The help text listing the forms, described in the language of `texts` (the forms themselves are
// what the user types and stay as they are); no line break at its end.
std::string FunctionSpecHelp(const TextTables& texts);

// The word of a macro's play mode as commands and files take it: 8 once, 9 loop, 10 fire; any
// other value (a macro file may hold one) as its number.
std::string MacroModeWord(int mode);

}  // namespace halvric
