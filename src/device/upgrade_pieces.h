#pragma once
// How a firmware image is cut into the pieces written into the mouse: from address 8 on, pieces
// of up to 24 bytes; bytes 216-219 and 248-249 are never written; no piece crosses into those
// holes or across address 256; no piece starts above 22783; nothing at or beyond the image end
// is sent.

#include <cstdint>
#include <optional>
#include <vector>

namespace halvric {

inline constexpr uint32_t kUpgradeFirstAddress = 8;
inline constexpr uint32_t kUpgradeLastStart = 22783;
inline constexpr uint32_t kUpgradePieceLength = 24;

struct UpgradePiece {
  uint32_t address = 0;
  uint32_t length = 0;
  uint32_t End() const { return address + length; }
  bool operator==(const UpgradePiece&) const = default;
};

// The piece to send when `address` is the next unwritten address; none when the image is done.
std::optional<UpgradePiece> NextUpgradePiece(uint32_t address, uint32_t image_end);
// Every piece of an image, in sending order.
std::vector<UpgradePiece> PlanUpgradePieces(uint32_t image_end);

}  // namespace halvric
