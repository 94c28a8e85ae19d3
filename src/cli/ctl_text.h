#pragma once
// The one way halvricctl fetches and formats a text of the text tables: its own (ctl_str) and
// the system's ("No device !!", "write error!!"). A translation whose printf conversions differ
// from the English text's would take the wrong arguments, so the English text stands in for it.

#include <string>
#include <string_view>
#include <vector>

#include "config/ctl_texts.h"
#include "config/text_tables.h"
#include "config/safe_format.h"

namespace halvric {

// The slots of the system's message texts that halvricctl shows as the windows do.
inline constexpr int kMsgFreeMemory = msg_text::kFreeMemory;
inline constexpr int kMsgNoDevice = msg_text::kNoDevice;
inline constexpr int kMsgLackOfSpace = msg_text::kLackOfSpace;
inline constexpr int kMsgInvalidFormat = msg_text::kInvalidFormat;

// The slot's text of `texts` formatted with `args`; the English text where the translation's
// conversions are not the English ones in the same order.
std::string CtlText(const TextTables& texts, TextFamily family, int slot, const std::vector<FormatArg>& args = {});

// True when both texts carry the same printf conversions ("%d", "%04x", "%%") in the same order.
bool SameConversions(std::string_view a, std::string_view b);

}  // namespace halvric
