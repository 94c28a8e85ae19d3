#pragma once
// Firmware images from Intel HEX files: a 64 KiB image, the highest address the file fills and
// the image checksum shown to the user before writing.
//
// Loading rules:
//  * Records are the lines that start with ':' (leading and trailing blanks ignored); other lines
//    are ignored. Lines end at LF, CR or CR LF.
//  * Hex digits of either case are accepted. A record with any other character, an odd number of
//    digits, a length that does not match its byte count, or a wrong record checksum refuses the
//    whole file: a firmware file that fails these checks is damaged and must never reach a mouse.
//  * Type 0 data at base + address. The image end grows with every data record, even when its
//    bytes lie outside the image; a record whose base + address + count reaches 65536 is not
//    stored. Type 1 ends the file (required: a file without it is taken as truncated). Type 4 sets
//    the base to value << 16, type 2 to value << 4. Types 3 and 5 (start addresses) are ignored.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_result.h"

namespace halvric {

inline constexpr uint32_t kFirmwareImageSize = 65536;
// A HEX file of a full 64 KiB image is about 180 KB; anything far larger is not a firmware file.
inline constexpr uintmax_t kMaxHexFileSize = 16u * 1024 * 1024;

struct FirmwareImage {
  std::vector<uint8_t> bytes = std::vector<uint8_t>(kFirmwareImageSize, 0);
  // Highest end address (base + record address + count) of the data records; may lie beyond the
  // image. Nothing at or beyond it is written into the mouse.
  uint32_t end = 0;
  // Data bytes of the file that fell outside the image and were not stored.
  uint32_t bytes_outside = 0;
};

// Sum of the image's 32768 little-endian 16-bit words, modulo 65536.
uint16_t FirmwareChecksum(const FirmwareImage& image);

// What is wrong with a HEX file.
enum class HexProblem {
  kNone,
  kCannotOpen,     // detail: the system's reason
  kTooLarge,
  kOddDigits,      // the record has an odd number of hex digits
  kNotHexDigit,    // detail: the character
  kTooShort,       // shorter than count, address, type and checksum
  kCountMismatch,  // `have` data bytes, the count byte says `want`
  kChecksum,       // the record's checksum byte is `have`, the record needs `want`
  kAddressRecord,  // an address record with `have` data bytes instead of 2
  kUnknownType,    // record type `have`
  kNoEnd,          // no end-of-file record: the file is incomplete
};

// Why a HEX file was refused, in parts, so that each program can say it in the user's language.
struct HexRefusal {
  FileFault fault = FileFault::kNone;  // kUnreadable or kInvalidFormat
  HexProblem problem = HexProblem::kNone;
  size_t line = 0;  // the damaged record's line, from 1; 0 for a problem of the whole file
  unsigned have = 0;
  unsigned want = 0;
  std::string detail;
};

using HexResult = FileResult<FirmwareImage, HexRefusal>;

// The image of a HEX file, or why it was refused. The message says it in English (for a damaged
// file it names the line); the refusal holds the same in parts.
HexResult ParseIntelHex(std::string_view text);
HexResult LoadIntelHexFile(const std::string& path);

}  // namespace halvric
