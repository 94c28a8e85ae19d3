#pragma once
// The ".bf" backup file: a byte-for-byte image of the mouse's memory behind an archived tag
// string and the image size.
//
//   FF FE FF 07 "_@_BF6_" (UTF-16LE)   the tag, as an archived string
//   S (unsigned 32-bit)                 number of image bytes
//   S bytes                             the memory from address 0 to S - 1

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_result.h"

namespace halvric {

inline constexpr std::string_view kBackupTag = "_@_BF6_";
inline constexpr size_t kBackupHeaderSize = 22;
// The commands address at most 64 KiB, so no mouse has a larger memory.
inline constexpr uint32_t kMaxBackupImage = 0x10000;
// The one message for every file that is not a complete backup.
inline constexpr const char* kInvalidBackupMessage = "invalid format !!";

std::vector<uint8_t> EncodeBackupFile(std::span<const uint8_t> image);

// Writes `image` as a backup file to `path`, replacing the file atomically and durably. Returns
// false with the reason in `error` ("cannot write <path>: <the system's reason>"); the old file is
// then untouched.
bool WriteBackupFile(const std::string& path, std::span<const uint8_t> image, std::string* error = nullptr);

// The image of a backup file, or kInvalidFormat with kInvalidBackupMessage when the file is not a
// complete backup: another tag, a size above kMaxBackupImage, or fewer image bytes than the size
// says. Bytes after the image are ignored.
FileResult<std::vector<uint8_t>> DecodeBackupFile(std::span<const uint8_t> file);
// The same for the file at `path`; a file that cannot be read is kUnreadable with the reason.
FileResult<std::vector<uint8_t>> LoadBackupFile(const std::string& path);

// The name a backup of today is proposed under: "mouse_" and the date as yyyy-MM-dd.
std::string ProposedBackupName(int year, int month, int day);

}  // namespace halvric
