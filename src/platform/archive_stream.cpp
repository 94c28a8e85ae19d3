#include "platform/archive_stream.h"

#include "platform/cp1252.h"
#include "platform/text_encoding.h"

namespace halvric {

bool ArchiveReader::Take(std::size_t count, const uint8_t*& at) {
  if (!ok_ || count > data_.size() - pos_) {
    ok_ = false;
    return false;
  }
  at = data_.data() + pos_;
  pos_ += count;
  return true;
}

bool ArchiveReader::ReadU8(uint8_t& value) {
  const uint8_t* at = nullptr;
  if (!Take(1, at)) return false;
  value = at[0];
  return true;
}

bool ArchiveReader::ReadU16(uint16_t& value) {
  const uint8_t* at = nullptr;
  if (!Take(2, at)) return false;
  value = static_cast<uint16_t>(at[0] | (at[1] << 8));
  return true;
}

bool ArchiveReader::ReadU32(uint32_t& value) {
  const uint8_t* at = nullptr;
  if (!Take(4, at)) return false;
  value = static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
          (static_cast<uint32_t>(at[2]) << 16) | (static_cast<uint32_t>(at[3]) << 24);
  return true;
}

bool ArchiveReader::ReadI32(int32_t& value) {
  uint32_t raw = 0;
  if (!ReadU32(raw)) return false;
  value = static_cast<int32_t>(raw);
  return true;
}

bool ArchiveReader::ReadI64(int64_t& value) {
  uint32_t low = 0;
  uint32_t high = 0;
  if (!ReadU32(low) || !ReadU32(high)) return false;
  value = static_cast<int64_t>((static_cast<uint64_t>(high) << 32) | low);
  return true;
}

bool ArchiveReader::ReadBytes(std::size_t count, std::vector<uint8_t>& out) {
  const uint8_t* at = nullptr;
  if (!Take(count, at)) return false;
  out.assign(at, at + count);
  return true;
}

// Count prefix: one byte below 0xFF; else FF and 16 bits below 0xFFFE; else FF FFFF and 32 bits.
// FF FFFE (only as the first prefix) marks UTF-16 text, and the count follows it.
bool ArchiveReader::ReadCount(uint64_t& count, bool allow_unicode_marker, bool& unicode) {
  uint8_t b = 0;
  if (!ReadU8(b)) return false;
  if (b < 0xFF) {
    count = b;
    return true;
  }
  uint16_t w = 0;
  if (!ReadU16(w)) return false;
  if (w == 0xFFFE) {
    if (!allow_unicode_marker) {
      ok_ = false;
      return false;
    }
    unicode = true;
    return ReadCount(count, false, unicode);
  }
  if (w < 0xFFFE) {
    count = w;
    return true;
  }
  uint32_t d = 0;
  if (!ReadU32(d)) return false;
  count = d;
  return true;
}

bool ArchiveReader::ReadString(std::string& out) {
  bool unicode = false;
  uint64_t count = 0;
  if (!ReadCount(count, true, unicode)) return false;
  const uint64_t bytes = unicode ? count * 2 : count;
  // A count larger than what is left is refused before anything is allocated.
  if (bytes > remaining()) {
    ok_ = false;
    return false;
  }
  const uint8_t* at = nullptr;
  if (!Take(static_cast<std::size_t>(bytes), at)) return false;
  if (unicode) {
    out = Utf16LeToUtf8({reinterpret_cast<const char*>(at), static_cast<std::size_t>(bytes)});
  } else {
    out = Cp1252ToUtf8({at, static_cast<std::size_t>(count)});
  }
  return true;
}

void ArchiveWriter::WriteU16(uint16_t value) {
  bytes_.push_back(static_cast<uint8_t>(value & 0xFF));
  bytes_.push_back(static_cast<uint8_t>(value >> 8));
}

void ArchiveWriter::WriteU32(uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<uint8_t>((value >> (8 * i)) & 0xFF));
}

void ArchiveWriter::WriteI64(int64_t value) {
  const auto raw = static_cast<uint64_t>(value);
  WriteU32(static_cast<uint32_t>(raw & 0xFFFFFFFFu));
  WriteU32(static_cast<uint32_t>(raw >> 32));
}

void ArchiveWriter::WriteString(std::string_view text) {
  const std::string units = Utf8ToUtf16Le(text);
  WriteU8(0xFF);
  WriteU16(0xFFFE);
  const std::size_t count = units.size() / 2;
  if (count < 0xFF) {
    WriteU8(static_cast<uint8_t>(count));
  } else if (count < 0xFFFE) {
    WriteU8(0xFF);
    WriteU16(static_cast<uint16_t>(count));
  } else {
    WriteU8(0xFF);
    WriteU16(0xFFFF);
    WriteU32(static_cast<uint32_t>(count));
  }
  bytes_.insert(bytes_.end(), units.begin(), units.end());
}

}  // namespace halvric
