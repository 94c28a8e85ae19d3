#include "device/intel_hex.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "platform/atomic_file.h"
#include "platform/text.h"

namespace halvric {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; }

std::string Hex2(unsigned v) { return FormatHexNumber(v, 2, HexCase::kUpper); }

// The English reason of a refusal of a damaged record.
std::string EnglishReason(const HexRefusal& r) {
  switch (r.problem) {
    case HexProblem::kOddDigits: return "odd number of hex digits";
    case HexProblem::kNotHexDigit: return "not a hex digit: '" + r.detail + "'";
    case HexProblem::kTooShort: return "record too short";
    case HexProblem::kCountMismatch:
      return "record holds " + std::to_string(r.have) + " data bytes, its count says " + std::to_string(r.want);
    case HexProblem::kChecksum: return "record checksum is " + Hex2(r.have) + ", the record needs " + Hex2(r.want);
    case HexProblem::kAddressRecord: return "address record with " + std::to_string(r.have) + " data bytes";
    case HexProblem::kUnknownType: return "unknown record type " + Hex2(r.have);
    default: return {};
  }
}

// A damaged record ends the parse at once; ParseIntelHex turns it into its result.
[[noreturn]] void Refuse(size_t line, HexProblem problem, unsigned have = 0, unsigned want = 0, std::string detail = {}) {
  throw HexRefusal{FileFault::kInvalidFormat, problem, line, have, want, std::move(detail)};
}

// The record's bytes (count, address, type, data, checksum), checked for form and checksum.
std::vector<uint8_t> DecodeRecord(std::string_view digits, size_t line) {
  if (digits.size() % 2 != 0) Refuse(line, HexProblem::kOddDigits);
  std::vector<uint8_t> bytes;
  bytes.reserve(digits.size() / 2);
  for (size_t i = 0; i < digits.size(); i += 2) {
    const int hi = HexDigitValue(digits[i]);
    const int lo = HexDigitValue(digits[i + 1]);
    if (hi < 0 || lo < 0) {
      const char bad = hi < 0 ? digits[i] : digits[i + 1];
      Refuse(line, HexProblem::kNotHexDigit, 0, 0, std::string(1, bad));
    }
    bytes.push_back(static_cast<uint8_t>(hi * 16 + lo));
  }
  if (bytes.size() < 5) Refuse(line, HexProblem::kTooShort);
  if (bytes.size() != 5u + bytes[0]) Refuse(line, HexProblem::kCountMismatch, static_cast<unsigned>(bytes.size() - 5), bytes[0]);
  unsigned sum = 0;
  for (size_t i = 0; i + 1 < bytes.size(); ++i) sum += bytes[i];
  const unsigned expected = (0x100 - (sum & 0xFF)) & 0xFF;
  if (bytes.back() != expected) {
    Refuse(line, HexProblem::kChecksum, bytes.back(), expected);
  }
  return bytes;
}

}  // namespace

uint16_t FirmwareChecksum(const FirmwareImage& image) {
  uint32_t sum = 0;
  for (size_t i = 0; i + 1 < image.bytes.size(); i += 2) {
    sum += static_cast<uint32_t>(image.bytes[i]) | (static_cast<uint32_t>(image.bytes[i + 1]) << 8);
  }
  return static_cast<uint16_t>(sum & 0xFFFF);
}

namespace {

FirmwareImage ParseRecords(std::string_view text) {
  FirmwareImage image;
  uint64_t base = 0;
  uint64_t end = 0;
  bool finished = false;
  size_t line_number = 0;
  size_t pos = 0;
  while (pos < text.size() && !finished) {
    // One line: up to CR, LF or CR LF.
    size_t stop = pos;
    while (stop < text.size() && text[stop] != '\n' && text[stop] != '\r') ++stop;
    std::string_view line = text.substr(pos, stop - pos);
    pos = stop;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;
    ++line_number;

    while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
    if (line.empty() || line.front() != ':') continue;

    const std::vector<uint8_t> rec = DecodeRecord(line.substr(1), line_number);
    const uint32_t count = rec[0];
    const uint32_t address = (static_cast<uint32_t>(rec[1]) << 8) | rec[2];
    const uint8_t type = rec[3];
    const uint8_t* data = rec.data() + 4;
    switch (type) {
      case 0: {
        const uint64_t start = base + address;
        end = std::max(end, start + count);
        if (count > 0 && start + count < kFirmwareImageSize) {
          std::copy(data, data + count, image.bytes.begin() + static_cast<std::ptrdiff_t>(start));
        } else {
          image.bytes_outside += count;
        }
        break;
      }
      case 1:
        finished = true;
        break;
      case 2:
      case 4: {
        if (count != 2) Refuse(line_number, HexProblem::kAddressRecord, count);
        const uint64_t value = (static_cast<uint64_t>(data[0]) << 8) | data[1];
        base = type == 4 ? value << 16 : value << 4;
        break;
      }
      case 3:
      case 5:
        break;
      default:
        Refuse(line_number, HexProblem::kUnknownType, type);
    }
  }
  if (!finished) throw HexRefusal{FileFault::kInvalidFormat, HexProblem::kNoEnd, 0, 0, 0, {}};
  image.end = static_cast<uint32_t>(std::min<uint64_t>(end, UINT32_MAX));
  return image;
}

}  // namespace

HexResult ParseIntelHex(std::string_view text) {
  try {
    return ParseRecords(text);
  } catch (HexRefusal& r) {
    std::string message = r.problem == HexProblem::kNoEnd
                              ? "invalid HEX file: no end-of-file record (the file is incomplete)"
                              : "invalid HEX file: line " + std::to_string(r.line) + ": " + EnglishReason(r);
    return HexResult::Failure(std::move(r), std::move(message));
  }
}

HexResult LoadIntelHexFile(const std::string& path) {
  const auto too_large = [&] {
    return HexResult::Failure(HexRefusal{FileFault::kUnreadable, HexProblem::kTooLarge, 0, 0, 0, {}},
                              path + " is too large for a firmware HEX file");
  };
  // `why` is the system's reason alone ("Permission denied"); the message names the file too.
  const auto unreadable = [&](std::string why, std::string message) {
    return HexResult::Failure(HexRefusal{FileFault::kUnreadable, HexProblem::kCannotOpen, 0, 0, 0, std::move(why)},
                              std::move(message));
  };
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) return unreadable(ec.message(), "cannot open " + path + ": " + ec.message());
  if (size > kMaxHexFileSize) return too_large();
  // The read is bounded too: a device file or a growing file reports no honest size.
  std::string text, error;
  if (!ReadWholeFile(path, text, &error, kMaxHexFileSize)) {
    if (error.find("larger than") != std::string::npos) return too_large();
    // The reader's error is "cannot open|read PATH: reason".
    const size_t at = error.find(path + ": ");
    return unreadable(at == std::string::npos ? error : error.substr(at + path.size() + 2), error);
  }
  return ParseIntelHex(text);
}

}  // namespace halvric
