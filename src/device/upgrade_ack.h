#pragma once
// The mouse acknowledges every piece written in its programming mode with a vendor input report:
// bytes 0-2 = 01 13 13, byte 3 the piece length, bytes 4-6 the address (low byte first), byte 7
// the status (0 = written), and the XOR of bytes 1 to n-1 zero. The acknowledgement slot holds
// the last one received; the write thread waits on it while the input intake fills it.

#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>

namespace halvric {

struct UpgradeAck {
  uint32_t address = 0;  // 24 bits
  uint8_t status = 0;
  uint8_t length = 0;
};

// The acknowledgement a vendor input report carries; none for any other report, one of 10 bytes
// or less, or one whose XOR check fails.
std::optional<UpgradeAck> ParseUpgradeAck(std::span<const uint8_t> report);

// "[count] return addr=%04X, flag=%02X", the line shown for each acknowledgement.
std::string FormatAckLine(int count, const UpgradeAck& ack);

class UpgradeAckSlot {
 public:
  // Stores the report's acknowledgement, if it is one, and returns it with the running count.
  std::optional<UpgradeAck> Deliver(std::span<const uint8_t> report, int* count = nullptr);
  // The acknowledgement received since the last Reset.
  std::optional<UpgradeAck> Received() const;
  void Reset();
  // Acknowledgements received since the slot was made.
  int Count() const;

 private:
  mutable std::mutex mutex_;
  std::optional<UpgradeAck> received_;
  int count_ = 0;
};

}  // namespace halvric
