#pragma once
// A fault planned at one feature exchange of a simulated mouse, and its text form
// ("garbage@12"). Exchanges are the Get and Set Features the mouse receives, counted from 0.
//   garbage@k   the first answer read at or after exchange k is random bytes (bit 7 of byte 1
//               clear, so it does not look busy)
//   drop@k      the first Get Feature at or after exchange k fails
//   busy@k      from the first Get Feature at or after exchange k the mouse answers busy for
//               `busy_polls` Get Features (default 50), then answers again
//   busy:N@k    the same for N Get Features
//   unplug@k    the mouse is gone from exchange k on (that exchange fails)
//   stuck@k     the mouse answers busy for ever from exchange k on
// The first three are one-shot; the last two last until the mouse is plugged in again or
// SimMouse::ClearFaults ends them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace halvric::sim {

enum class FaultKind { kGarbageAnswer, kDroppedAnswer, kBusyForAWhile, kUnplugged, kBusyForever };

struct PlannedFault {
  FaultKind kind = FaultKind::kGarbageAnswer;
  uint64_t at = 0;
  int busy_polls = 50;
};

// "garbage@12" and the other forms above; nullopt for anything else.
std::optional<PlannedFault> ParseFault(std::string_view text);
std::string FaultText(const PlannedFault& fault);

// Counts the exchanges and says what the planned fault does to each. Not thread-safe: the
// mouse calls it under its own lock.
class FaultSchedule {
 public:
  enum class Effect { kNone, kGarbage, kDrop, kBusy, kUnplug, kStuckBusy };

  // Replaces any fault planned before; `fault.at` counts from the exchanges seen so far.
  void Plan(PlannedFault fault);
  void Clear();
  // One Get Feature (`get`) or Set Feature. One-shot faults planned at a Set Feature wait for
  // the next Get Feature, where an answer is read.
  Effect OnExchange(bool get);
  uint64_t Exchanges() const { return exchanges_; }

 private:
  std::optional<PlannedFault> planned_;
  uint64_t exchanges_ = 0;
  int busy_left_ = 0;
};

}  // namespace halvric::sim
