#include "config/hex_refusal_text.h"

#include "config/safe_format.h"
#include "config/ui_texts.h"
#include "platform/text.h"

namespace halvric {
namespace {

std::string Hex2(unsigned v) { return FormatHexNumber(v, 2, HexCase::kUpper); }


// The reason of a damaged record, without its line.
std::string RecordReason(const TextTables& texts, const HexRefusal& r) {
  switch (r.problem) {
    case HexProblem::kOddDigits: return ui_text::Formatted(texts, ui_text::kHexOddDigits);
    case HexProblem::kNotHexDigit: return ui_text::Formatted(texts, ui_text::kHexNotDigit, {r.detail});
    case HexProblem::kTooShort: return ui_text::Formatted(texts, ui_text::kHexTooShort);
    case HexProblem::kCountMismatch:
      return ui_text::Formatted(texts, ui_text::kHexCountMismatch, {static_cast<long long>(r.have), static_cast<long long>(r.want)});
    case HexProblem::kChecksum: return ui_text::Formatted(texts, ui_text::kHexChecksum, {Hex2(r.have), Hex2(r.want)});
    case HexProblem::kAddressRecord: return ui_text::Formatted(texts, ui_text::kHexAddressRecord, {static_cast<long long>(r.have)});
    case HexProblem::kUnknownType: return ui_text::Formatted(texts, ui_text::kHexUnknownType, {Hex2(r.have)});
    default: return {};
  }
}

}  // namespace

std::string HexRefusalText(const TextTables& texts, const HexRefusal& r, const std::string& file) {
  switch (r.problem) {
    case HexProblem::kCannotOpen: {
      // The system's reason stays as the system words it.
      const std::string head = ui_text::Formatted(texts, ui_text::kUpgradeUnreadable, {file});
      return r.detail.empty() ? head : head + " (" + r.detail + ")";
    }
    case HexProblem::kTooLarge: return ui_text::Formatted(texts, ui_text::kHexTooLarge, {file});
    case HexProblem::kNoEnd: return ui_text::Formatted(texts, ui_text::kUpgradeBadHex, {texts.Get(TextFamily::ui_str, ui_text::kHexNoEnd)});
    default:
      return ui_text::Formatted(texts, ui_text::kUpgradeBadHex,
                  {ui_text::Formatted(texts, ui_text::kHexLine, {static_cast<long long>(r.line), RecordReason(texts, r)})});
  }
}

}  // namespace halvric
