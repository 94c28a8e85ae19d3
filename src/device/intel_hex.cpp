#include "device/intel_hex.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "platform/atomic_file.h"
#include "platform/text.h"

namespace halvric {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; }

// A damaged record ends the parse at once; ParseIntelHex turns it into its result.
struct Refusal {
  std::string message;
};

[[noreturn]] void Refuse(size_t line, const std::string& why) {
  throw Refusal{"invalid HEX file, line " + std::to_string(line) + ": " + why};
}

std::string Hex2(unsigned v) {
  static const char* digits = "0123456789ABCDEF";
  return {digits[(v >> 4) & 0xF], digits[v & 0xF]};
}

// The record's bytes (count, address, type, data, checksum), checked for form and checksum.
std::vector<uint8_t> DecodeRecord(std::string_view digits, size_t line) {
  if (digits.size() % 2 != 0) Refuse(line, "odd number of hex digits");
  std::vector<uint8_t> bytes;
  bytes.reserve(digits.size() / 2);
  for (size_t i = 0; i < digits.size(); i += 2) {
    const int hi = HexDigitValue(digits[i]);
    const int lo = HexDigitValue(digits[i + 1]);
    if (hi < 0 || lo < 0) {
      const char bad = hi < 0 ? digits[i] : digits[i + 1];
      Refuse(line, std::string("not a hex digit: '") + bad + "'");
    }
    bytes.push_back(static_cast<uint8_t>(hi * 16 + lo));
  }
  if (bytes.size() < 5) Refuse(line, "record too short");
  if (bytes.size() != 5u + bytes[0]) {
    Refuse(line, "record holds " + std::to_string(bytes.size() - 5) + " data bytes, its count says " +
                     std::to_string(bytes[0]));
  }
  unsigned sum = 0;
  for (size_t i = 0; i + 1 < bytes.size(); ++i) sum += bytes[i];
  const unsigned expected = (0x100 - (sum & 0xFF)) & 0xFF;
  if (bytes.back() != expected) {
    Refuse(line, "record checksum is " + Hex2(bytes.back()) + ", the record needs " + Hex2(expected));
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
        if (count != 2) Refuse(line_number, "address record with " + std::to_string(count) + " data bytes");
        const uint64_t value = (static_cast<uint64_t>(data[0]) << 8) | data[1];
        base = type == 4 ? value << 16 : value << 4;
        break;
      }
      case 3:
      case 5:
        break;
      default:
        Refuse(line_number, "unknown record type " + Hex2(type));
    }
  }
  if (!finished) throw Refusal{"invalid HEX file: no end-of-file record (the file is incomplete)"};
  image.end = static_cast<uint32_t>(std::min<uint64_t>(end, UINT32_MAX));
  return image;
}

}  // namespace

FileResult<FirmwareImage> ParseIntelHex(std::string_view text) {
  try {
    return ParseRecords(text);
  } catch (const Refusal& r) {
    return FileResult<FirmwareImage>::Failure(FileFault::kInvalidFormat, r.message);
  }
}

FileResult<FirmwareImage> LoadIntelHexFile(const std::string& path) {
  using Result = FileResult<FirmwareImage>;
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) return Result::Failure(FileFault::kUnreadable, "cannot open " + path + ": " + ec.message());
  const std::string too_large = path + " is too large for a firmware HEX file";
  if (size > kMaxHexFileSize) return Result::Failure(FileFault::kUnreadable, too_large);
  // The read is bounded too: a device file or a growing file reports no honest size.
  std::string text, error;
  if (!ReadWholeFile(path, text, &error, kMaxHexFileSize)) {
    return Result::Failure(FileFault::kUnreadable, error.find("larger than") != std::string::npos ? too_large : error);
  }
  return ParseIntelHex(text);
}

}  // namespace halvric
