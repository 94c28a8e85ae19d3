#include "device/memory_mirror.h"

#include <algorithm>

namespace halvric {

MemoryMirror::MemoryMirror() : data_(kSize, 0), valid_(kSize, 0) {}

void MemoryMirror::Clear() {
  std::lock_guard g(mutex_);
  std::fill(data_.begin(), data_.end(), 0);
  std::fill(valid_.begin(), valid_.end(), 0);
}

void MemoryMirror::Store(uint32_t address, std::span<const uint8_t> data) {
  std::lock_guard g(mutex_);
  for (size_t i = 0; i < data.size(); ++i) {
    const uint64_t a = uint64_t{address} + i;
    if (a >= kSize) break;
    data_[a] = data[i];
    if (a >= kVolatileEnd) valid_[a] = 1;
  }
}

void MemoryMirror::Invalidate(uint32_t address, size_t length) {
  std::lock_guard g(mutex_);
  for (size_t i = 0; i < length; ++i) {
    const uint64_t a = uint64_t{address} + i;
    if (a >= kSize) break;
    valid_[a] = 0;
  }
}

bool MemoryMirror::Serve(uint32_t address, std::span<uint8_t> out) const {
  std::lock_guard g(mutex_);
  if (uint64_t{address} + out.size() > kSize) return false;
  for (size_t i = 0; i < out.size(); ++i) {
    if (!valid_[address + i]) return false;
  }
  std::copy_n(data_.begin() + address, out.size(), out.begin());
  return true;
}

}  // namespace halvric
