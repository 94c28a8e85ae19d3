#include "cli/ctl_text.h"

#include <cctype>

namespace halvric {
namespace {

// The conversions of a text as written: flags, width, precision, length and the letter.
std::vector<std::string_view> Conversions(std::string_view text) {
  std::vector<std::string_view> out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') continue;
    size_t j = i + 1;
    auto skip = [&](auto pred) {
      while (j < text.size() && pred(static_cast<unsigned char>(text[j]))) ++j;
    };
    skip([](unsigned char c) { return c == '-' || c == '+' || c == ' ' || c == '#' || c == '0'; });
    skip([](unsigned char c) { return std::isdigit(c) != 0; });
    if (j < text.size() && text[j] == '.') {
      ++j;
      skip([](unsigned char c) { return std::isdigit(c) != 0; });
    }
    skip([](unsigned char c) { return c == 'l' || c == 'h'; });
    if (j < text.size()) ++j;  // the conversion letter (or a stray character, compared as written)
    out.push_back(text.substr(i, j - i));
    i = j - 1;
  }
  return out;
}

}  // namespace

bool SameConversions(std::string_view a, std::string_view b) { return Conversions(a) == Conversions(b); }

std::string CtlText(const TextTables& texts, TextFamily family, int slot, const std::vector<FormatArg>& args) {
  static const TextTables english;
  const std::string& text = texts.Get(family, slot);
  const std::string& en = english.Get(family, slot);
  return SafeFormat(text.empty() || !SameConversions(text, en) ? en : text, args);
}

}  // namespace halvric
