#pragma once
// The sequential little-endian stream of the program's archive files (macro files, backups):
// fixed-width integers and length-prefixed ("archived") strings. The reader never reads past
// its data: every read reports failure instead, and the reader stays failed from then on.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace halvric {

class ArchiveReader {
 public:
  explicit ArchiveReader(std::span<const uint8_t> data) : data_(data) {}

  bool ReadU8(uint8_t& value);
  bool ReadU16(uint16_t& value);
  bool ReadU32(uint32_t& value);
  bool ReadI32(int32_t& value);
  bool ReadI64(int64_t& value);
  // Reads `count` bytes; fails without consuming anything when fewer remain.
  bool ReadBytes(std::size_t count, std::vector<uint8_t>& out);
  // An archived string in either form: UTF-16 (after the FF FE FF marker) or 8-bit
  // (Windows-1252); the result is UTF-8.
  bool ReadString(std::string& out);

  std::size_t remaining() const { return ok_ ? data_.size() - pos_ : 0; }
  bool ok() const { return ok_; }

 private:
  bool Take(std::size_t count, const uint8_t*& at);
  bool ReadCount(uint64_t& count, bool allow_unicode_marker, bool& unicode);

  std::span<const uint8_t> data_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

class ArchiveWriter {
 public:
  void WriteU8(uint8_t value) { bytes_.push_back(value); }
  void WriteU16(uint16_t value);
  void WriteU32(uint32_t value);
  void WriteI32(int32_t value) { WriteU32(static_cast<uint32_t>(value)); }
  void WriteI64(int64_t value);
  void WriteBytes(std::span<const uint8_t> data) { bytes_.insert(bytes_.end(), data.begin(), data.end()); }
  // Writes UTF-8 text as an archived UTF-16 string (FF FE FF, count, code units).
  void WriteString(std::string_view text);

  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

}  // namespace halvric
