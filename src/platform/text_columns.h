#pragma once
// Texts laid out for a terminal in every language: how many columns a UTF-8 text takes (the East
// Asian wide characters take two) and a text broken into lines of a width, at blanks where the
// language has them and between ideographs where it has none.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace halvric {

// The columns a terminal gives `text` (UTF-8).
std::size_t DisplayWidth(std::string_view text);

// `text` broken into lines of at most `width` columns: at blanks, and between CJK ideographs and
// kana, but never before the punctuation that closes a phrase ("。", "、", "）"). A word wider than
// `width` stands on a line of its own. Blanks at a break are dropped.
std::vector<std::string> WrapColumns(std::string_view text, std::size_t width);

}  // namespace halvric
