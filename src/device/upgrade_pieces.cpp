#include "device/upgrade_pieces.h"

#include <algorithm>

namespace halvric {
namespace {

struct Hole {
  uint32_t begin;
  uint32_t end;  // exclusive
};
constexpr Hole kHoles[] = {{216, 220}, {248, 250}};
// Pieces stop at these addresses so that none spans them.
constexpr uint32_t kCuts[] = {216, 248, 256};

bool Done(uint32_t address, uint32_t image_end) {
  return address >= image_end || address > kUpgradeLastStart;
}

}  // namespace

std::optional<UpgradePiece> NextUpgradePiece(uint32_t address, uint32_t image_end) {
  if (Done(address, image_end)) return std::nullopt;
  for (const Hole& h : kHoles) {
    if (address >= h.begin && address < h.end) address = h.end;
  }
  // The image may end inside a hole: then nothing is left after it.
  if (Done(address, image_end)) return std::nullopt;
  uint32_t length = std::min(kUpgradePieceLength, image_end - address);
  for (uint32_t cut : kCuts) {
    if (address < cut && address + length > cut) length = cut - address;
  }
  return UpgradePiece{address, length};
}

std::vector<UpgradePiece> PlanUpgradePieces(uint32_t image_end) {
  std::vector<UpgradePiece> pieces;
  uint32_t address = kUpgradeFirstAddress;
  while (auto piece = NextUpgradePiece(address, image_end)) {
    pieces.push_back(*piece);
    address = piece->End();
  }
  return pieces;
}

}  // namespace halvric
