#include "device/upgrade_ack.h"

#include <cstdio>

namespace halvric {

std::optional<UpgradeAck> ParseUpgradeAck(std::span<const uint8_t> report) {
  if (report.size() <= 10) return std::nullopt;
  uint8_t x = 0;
  for (size_t i = 1; i < report.size(); ++i) x ^= report[i];
  if (x != 0) return std::nullopt;
  if (report[0] != 0x01 || report[1] != 0x13 || report[2] != 0x13) return std::nullopt;
  UpgradeAck ack;
  ack.length = report[3];
  ack.address = report[4] | (static_cast<uint32_t>(report[5]) << 8) | (static_cast<uint32_t>(report[6]) << 16);
  ack.status = report[7];
  return ack;
}

std::string FormatAckLine(int count, const UpgradeAck& ack) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "[%d] return addr=%04X, flag=%02X", count, static_cast<unsigned>(ack.address),
                static_cast<unsigned>(ack.status));
  return buf;
}

std::optional<UpgradeAck> UpgradeAckSlot::Deliver(std::span<const uint8_t> report, int* count) {
  auto ack = ParseUpgradeAck(report);
  if (!ack) return std::nullopt;
  std::lock_guard g(mutex_);
  received_ = ack;
  ++count_;
  if (count != nullptr) *count = count_;
  return ack;
}

std::optional<UpgradeAck> UpgradeAckSlot::Received() const {
  std::lock_guard g(mutex_);
  return received_;
}

void UpgradeAckSlot::Reset() {
  std::lock_guard g(mutex_);
  received_.reset();
}

int UpgradeAckSlot::Count() const {
  std::lock_guard g(mutex_);
  return count_;
}

}  // namespace halvric
