#include "config/backup_file.h"

#include <cstdio>

#include "platform/archive_stream.h"
#include "platform/atomic_file.h"

namespace halvric {

std::vector<uint8_t> EncodeBackupFile(std::span<const uint8_t> image) {
  ArchiveWriter w;
  w.WriteString(kBackupTag);
  w.WriteU32(static_cast<uint32_t>(image.size()));
  w.WriteBytes(image);
  return w.bytes();
}

FileResult<std::vector<uint8_t>> DecodeBackupFile(std::span<const uint8_t> file) {
  using Result = FileResult<std::vector<uint8_t>>;
  const Result invalid = Result::Failure(FileFault::kInvalidFormat, kInvalidBackupMessage);
  ArchiveReader r(file);
  std::string tag;
  if (!r.ReadString(tag) || tag != kBackupTag) return invalid;
  uint32_t size = 0;
  if (!r.ReadU32(size) || size > kMaxBackupImage) return invalid;
  std::vector<uint8_t> image;
  if (!r.ReadBytes(size, image)) return invalid;
  return image;
}

FileResult<std::vector<uint8_t>> LoadBackupFile(const std::string& path) {
  std::string raw, error;
  if (!ReadWholeFile(path, raw, &error)) {
    return FileResult<std::vector<uint8_t>>::Failure(FileFault::kUnreadable, "Cannot read " + path + ": " + error);
  }
  return DecodeBackupFile(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(raw.data()), raw.size()));
}

std::string ProposedBackupName(int year, int month, int day) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "mouse_%04d-%02d-%02d", year, month, day);
  return buf;
}

bool WriteBackupFile(const std::string& path, std::span<const uint8_t> image, std::string* error) {
  const std::vector<uint8_t> bytes = EncodeBackupFile(image);
  return WriteFileAtomically(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), error);
}

}  // namespace halvric
