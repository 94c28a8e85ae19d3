#include "macro/instruction_words.h"

#include <charconv>
#include <vector>

#include "platform/text.h"

namespace halvric {
namespace {

// Button bits of the press and release opcodes, in the order the words list them.
constexpr std::pair<uint8_t, const char*> kButtons[] = {
    {kMacroButtonLeft, "left"}, {kMacroButtonRight, "right"}, {kMacroButtonMiddle, "middle"},
    {kMacroButtonFifth, "b5"},  {kMacroButtonFourth, "b4"}};

std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    const size_t start = i;
    while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
    if (i > start) words.emplace_back(text.substr(start, i - start));
  }
  return words;
}

// A signed decimal number, or 0x-hex.
std::optional<long> Number(std::string_view s) {
  int base = 10;
  bool negative = false;
  if (!s.empty() && s[0] == '-') {
    negative = true;
    s.remove_prefix(1);
  }
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  long v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return negative ? -v : v;
}

std::string ButtonWords(uint8_t bits) {
  std::string out;
  for (const auto& [bit, name] : kButtons) {
    if ((bits & bit) == 0) continue;
    if (!out.empty()) out += '+';
    out += name;
  }
  return out;
}

std::optional<uint8_t> ButtonBits(std::string_view text) {
  uint8_t bits = 0;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t plus = text.find('+', start);
    const std::string word = AsciiLower(text.substr(start, plus == std::string_view::npos ? text.npos : plus - start));
    bool known = false;
    for (const auto& [bit, name] : kButtons) {
      if (word == name) {
        bits |= bit;
        known = true;
      }
    }
    if (!known) return std::nullopt;
    if (plus == std::string_view::npos) break;
    start = plus + 1;
  }
  return bits;
}

std::string KeyWord(int usage, const KeyLabels& keys) {
  const std::string name = keys.KeyName(usage);
  if (name.empty()) return "0x" + FormatHexNumber(static_cast<uint32_t>(usage), 2);
  return name;
}

std::optional<int> KeyUsage(const std::string& word, const KeyLabels& keys) {
  if (auto v = Number(word); v && *v >= 0 && *v <= 0xFF) return static_cast<int>(*v);
  return keys.UsageOfName(word);
}

std::string Pair(const char* word, int a, int b) {
  return std::string(word) + " " + std::to_string(a) + " " + std::to_string(b);
}

std::string Candidate(const _MACRO_ITEM_& item, const KeyLabels& keys) {
  const uint8_t opcode = item.code[0];
  switch (opcode) {
    case op::kJump: return "jump " + std::to_string(U16(item, 1));
    case op::kLoopJump: return "loop-jump " + std::to_string(U16(item, 1));
    case op::kSetCounter: return "set-counter " + std::to_string(U16(item, 1));
    case op::kMove: return Pair("move", S16(item, 1), S16(item, 3));
    case op::kMoveTo: return Pair("move-to", S16(item, 1), S16(item, 3));
    case op::kMoveToUnsigned: return Pair("move-to-unsigned", U16(item, 1), U16(item, 3));
    case op::kKeyPress: return "key-down " + KeyWord(item.code[1], keys);
    case op::kKeyRelease: return "key-up " + KeyWord(item.code[1], keys);
    case op::kConsumer:
      return U16(item, 1) == 0 ? "media-up" : "media-down 0x" + FormatHexNumber(static_cast<uint32_t>(U16(item, 1)), 4);
    case op::kDelay8: return "wait " + std::to_string(item.code[1]);
    case op::kDelay16: return "wait " + std::to_string(U16(item, 1));
    default: break;
  }
  switch (opcode & 0xE0) {
    case 0x20: return "button-down " + ButtonWords(opcode & 0x1F);
    case 0x40: return "button-up " + ButtonWords(opcode & 0x1F);
    case 0x60: {
      int count = opcode & 0x1F;
      if ((count & 0x10) != 0) count -= 0x20;
      return "wheel " + std::to_string(count);
    }
    default: return {};
  }
}

std::string Raw(const _MACRO_ITEM_& item) {
  const int n = item.size > 0 ? item.size : 1;
  return "raw " + FormatHex(std::span<const uint8_t>(item.code.data(), static_cast<size_t>(n)), " ");
}

bool SameInstruction(const _MACRO_ITEM_& a, const _MACRO_ITEM_& b) {
  if (a.size != b.size) return false;
  for (int i = 0; i < a.size; ++i) {
    if (a.code[static_cast<size_t>(i)] != b.code[static_cast<size_t>(i)]) return false;
  }
  return true;
}

_MACRO_ITEM_ Five(uint8_t opcode, long a, long b) {
  const auto ua = static_cast<uint16_t>(a);
  const auto ub = static_cast<uint16_t>(b);
  return MakeItem({opcode, static_cast<uint8_t>(ua & 0xFF), static_cast<uint8_t>(ua >> 8),
                   static_cast<uint8_t>(ub & 0xFF), static_cast<uint8_t>(ub >> 8)});
}

}  // namespace

std::string InstructionWords(const _MACRO_ITEM_& item, const KeyLabels& keys) {
  const std::string words = Candidate(item, keys);
  if (!words.empty()) {
    const auto back = ParseInstructionWords(words, keys);
    if (back && SameInstruction(*back, item)) return words;
  }
  return Raw(item);
}

std::optional<_MACRO_ITEM_> ParseInstructionWords(std::string_view text, const KeyLabels& keys, std::string* error) {
  auto fail = [&](std::string why) -> std::optional<_MACRO_ITEM_> {
    if (error) *error = std::move(why);
    return std::nullopt;
  };
  const std::vector<std::string> w = Words(text);
  if (w.empty()) return fail("an empty instruction");
  const std::string head = AsciiLower(w[0]);
  auto numbers = [&](size_t count, long min, long max) -> std::optional<std::vector<long>> {
    if (w.size() != count + 1) return std::nullopt;
    std::vector<long> values;
    for (size_t i = 1; i <= count; ++i) {
      const auto v = Number(w[i]);
      if (!v || *v < min || *v > max) return std::nullopt;
      values.push_back(*v);
    }
    return values;
  };
  auto range = [&](long min, long max) {
    return "\"" + head + "\" takes " + std::to_string(min) + " to " + std::to_string(max) + ": " + std::string(text);
  };

  if (head == "raw") {
    std::vector<uint8_t> bytes;
    for (size_t i = 1; i < w.size(); ++i) {
      const auto v = Number("0x" + w[i]);
      if (!v || *v > 0xFF || w[i].size() > 2) return fail("raw takes hex bytes: " + std::string(text));
      bytes.push_back(static_cast<uint8_t>(*v));
    }
    if (bytes.empty() || bytes.size() > 5) return fail("raw takes one to five hex bytes: " + std::string(text));
    _MACRO_ITEM_ item;
    std::copy(bytes.begin(), bytes.end(), item.code.begin());
    item.size = InstructionSizeOf(bytes[0]);
    if (item.size == 0 || bytes[0] == op::kEnd) return fail("not an instruction: " + std::string(text));
    if (static_cast<size_t>(item.size) != bytes.size()) {
      return fail("this instruction has " + std::to_string(item.size) + " bytes: " + std::string(text));
    }
    return item;
  }
  if (head == "wait") {
    const auto v = numbers(1, 1, 0xFFFF);
    if (!v) return fail(range(1, 0xFFFF));
    _MACRO_ITEM_ item;
    DelayInstruction((*v)[0], item);
    return item;
  }
  if (head == "key-down" || head == "key-up") {
    if (w.size() < 2) return fail("\"" + head + "\" takes a key name: " + std::string(text));
    // The key name is the rest of the line: some names have blanks ("Left Ctrl").
    std::string name = w[1];
    for (size_t i = 2; i < w.size(); ++i) name += " " + w[i];
    const auto usage = KeyUsage(name, keys);
    if (!usage) return fail("unknown key \"" + name + "\"");
    return MakeItem({head == "key-down" ? op::kKeyPress : op::kKeyRelease, static_cast<uint8_t>(*usage)});
  }
  if (head == "media-up") {
    if (w.size() != 1) return fail("\"media-up\" takes nothing: " + std::string(text));
    return MakeItem({op::kConsumer, 0, 0});
  }
  if (head == "media-down") {
    const auto v = numbers(1, 1, 0xFFFF);
    if (!v) return fail(range(1, 0xFFFF));
    return MakeItem({op::kConsumer, static_cast<uint8_t>((*v)[0] & 0xFF), static_cast<uint8_t>((*v)[0] >> 8)});
  }
  if (head == "button-down" || head == "button-up") {
    const auto bits = w.size() == 2 ? ButtonBits(w[1]) : std::nullopt;
    if (!bits) return fail("\"" + head + "\" takes buttons such as left+right (left right middle b4 b5): " + std::string(text));
    return MakeItem({static_cast<uint8_t>((head == "button-down" ? op::kButtonPress : op::kButtonRelease) | *bits)});
  }
  if (head == "wheel") {
    const auto v = numbers(1, -16, 15);
    if (!v) return fail(range(-16, 15));
    return WheelItem(static_cast<int>((*v)[0]));
  }
  if (head == "move" || head == "move-to") {
    const auto v = numbers(2, -32768, 32767);
    if (!v) return fail("\"" + head + "\" takes X and Y from -32768 to 32767: " + std::string(text));
    return Five(head == "move" ? op::kMove : op::kMoveTo, (*v)[0], (*v)[1]);
  }
  if (head == "move-to-unsigned") {
    const auto v = numbers(2, 0, 0xFFFF);
    if (!v) return fail("\"move-to-unsigned\" takes X and Y from 0 to 65535: " + std::string(text));
    return Five(op::kMoveToUnsigned, (*v)[0], (*v)[1]);
  }
  if (head == "jump" || head == "loop-jump" || head == "set-counter") {
    const auto v = numbers(1, 0, 0xFFFF);
    if (!v) return fail(range(0, 0xFFFF));
    const uint8_t opcode = head == "jump" ? op::kJump : head == "loop-jump" ? op::kLoopJump : op::kSetCounter;
    return MakeItem({opcode, static_cast<uint8_t>((*v)[0] & 0xFF), static_cast<uint8_t>((*v)[0] >> 8)});
  }
  return fail("unknown instruction \"" + w[0] +
              "\" (key-down, key-up, media-down, media-up, button-down, button-up, wheel, wait, move, move-to, "
              "move-to-unsigned, jump, loop-jump, set-counter, raw)");
}

}  // namespace halvric
