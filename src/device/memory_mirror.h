#pragma once
// The program's copy of the current mouse's memory, with a valid flag per byte, so that repeated
// reads of the same configuration are served without traffic.

#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

namespace halvric {

class MemoryMirror {
 public:
  static constexpr uint32_t kSize = 70000;
  // Bytes below this address change on the mouse by themselves and are never served from here.
  static constexpr uint32_t kVolatileEnd = 32;

  MemoryMirror();
  void Clear();
  // Stores bytes read from or written to the mouse; marks them valid (not below kVolatileEnd).
  void Store(uint32_t address, std::span<const uint8_t> data);
  // Forgets a range (after a write that may not have reached the mouse).
  void Invalidate(uint32_t address, size_t length);
  // Copies `out.size()` bytes when every one of them is valid.
  bool Serve(uint32_t address, std::span<uint8_t> out) const;

 private:
  mutable std::mutex mutex_;
  std::vector<uint8_t> data_;
  std::vector<uint8_t> valid_;
};

}  // namespace halvric
