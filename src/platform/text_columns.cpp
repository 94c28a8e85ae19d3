#include "platform/text_columns.h"

#include "platform/text_encoding.h"

namespace halvric {

namespace {

bool Wide(char32_t c) {
  // Hangul Jamo, CJK (radicals to Yi), Hangul syllables, CJK compatibility ideographs and forms,
  // full-width forms, and the ideographs beyond the BMP.
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

bool Hangul(char32_t c) { return (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0x1100 && c <= 0x115F); }

// Marks that close a phrase or a bracket: a line never starts with one.
bool Closing(char32_t c) {
  return c == 0x3001 || c == 0x3002 || c == 0x3009 || c == 0x300B || c == 0x300D || c == 0x300F || c == 0x3011 ||
         c == 0xFF01 || c == 0xFF09 || c == 0xFF0C || c == 0xFF0E || c == 0xFF1A || c == 0xFF1B || c == 0xFF1F;
}

// Opening brackets: a line never ends with one.
bool Opening(char32_t c) {
  return c == 0x3008 || c == 0x300A || c == 0x300C || c == 0x300E || c == 0x3010 || c == 0xFF08;
}

// The scripts written without blanks between words (Chinese, Japanese) break between any two of
// their characters; Hangul is written with blanks, so its words stay whole.
bool Unspaced(char32_t c) { return Wide(c) && !Hangul(c); }

struct Piece {
  std::string text;
  std::size_t width = 0;
  bool blank_before = false;  // the piece followed a blank, which stands between them on a line
};

// The text as the pieces a line may not split: words between blanks, cut further around each
// character of an unspaced script, except before a closing mark and after an opening one.
std::vector<Piece> Pieces(std::string_view text) {
  std::vector<Piece> out;
  bool blank = false;
  char32_t previous = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t start = pos;
    const char32_t c = NextCodePoint(text, pos);
    if (c == U' ' || c == U'\n' || c == U'\t') {
      blank = true;
      continue;
    }
    const bool cut = (Unspaced(c) || Unspaced(previous)) && !Closing(c) && !Opening(previous);
    if (out.empty() || blank || cut) out.push_back(Piece{{}, 0, blank && !out.empty()});
    out.back().text.append(text.substr(start, pos - start));
    out.back().width += Wide(c) ? 2 : 1;
    blank = false;
    previous = c;
  }
  return out;
}

}  // namespace

std::size_t DisplayWidth(std::string_view text) {
  std::size_t width = 0;
  for (std::size_t pos = 0; pos < text.size();) width += Wide(NextCodePoint(text, pos)) ? 2 : 1;
  return width;
}

std::vector<std::string> WrapColumns(std::string_view text, std::size_t width) {
  std::vector<std::string> lines;
  std::string line;
  std::size_t used = 0;
  for (const Piece& p : Pieces(text)) {
    const std::size_t gap = p.blank_before ? 1 : 0;
    if (!line.empty() && used + gap + p.width > width) {
      lines.push_back(std::move(line));
      line.clear();
      used = 0;
    }
    if (!line.empty() && gap != 0) {
      line += ' ';
      ++used;
    }
    line += p.text;
    used += p.width;
  }
  if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

}  // namespace halvric
