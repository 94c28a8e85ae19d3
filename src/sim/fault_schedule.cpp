#include "sim/fault_schedule.h"

#include <charconv>

namespace halvric::sim {
namespace {

struct KindName {
  FaultKind kind;
  std::string_view name;
};
constexpr KindName kKindNames[] = {
    {FaultKind::kGarbageAnswer, "garbage"}, {FaultKind::kDroppedAnswer, "drop"},
    {FaultKind::kBusyForAWhile, "busy"},    {FaultKind::kUnplugged, "unplug"},
    {FaultKind::kBusyForever, "stuck"},
};

template <typename T>
std::optional<T> Number(std::string_view s) {
  T v{};
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return v;
}

}  // namespace

std::optional<PlannedFault> ParseFault(std::string_view text) {
  const size_t at = text.find('@');
  if (at == std::string_view::npos) return std::nullopt;
  std::string_view kind = text.substr(0, at);
  PlannedFault fault;
  const auto exchange = Number<uint64_t>(text.substr(at + 1));
  if (!exchange) return std::nullopt;
  fault.at = *exchange;
  if (kind.starts_with("busy:")) {
    const auto polls = Number<int>(kind.substr(5));
    if (!polls || *polls < 1) return std::nullopt;
    fault.busy_polls = *polls;
    kind = "busy";
  }
  for (const KindName& k : kKindNames) {
    if (k.name == kind) {
      fault.kind = k.kind;
      return fault;
    }
  }
  return std::nullopt;
}

std::string FaultText(const PlannedFault& fault) {
  std::string name;
  for (const KindName& k : kKindNames) {
    if (k.kind == fault.kind) name = k.name;
  }
  if (fault.kind == FaultKind::kBusyForAWhile) {
    name += ':';
    name += std::to_string(fault.busy_polls);
  }
  name += '@';
  name += std::to_string(fault.at);
  return name;
}

void FaultSchedule::Plan(PlannedFault fault) {
  fault.at += exchanges_;
  planned_ = fault;
  busy_left_ = 0;
}

void FaultSchedule::Clear() {
  planned_.reset();
  busy_left_ = 0;
}

FaultSchedule::Effect FaultSchedule::OnExchange(bool get) {
  const uint64_t exchange = exchanges_++;
  if (get && busy_left_ > 0) {
    --busy_left_;
    return Effect::kBusy;
  }
  if (!planned_ || exchange < planned_->at) return Effect::kNone;
  const PlannedFault fault = *planned_;
  switch (fault.kind) {
    case FaultKind::kUnplugged:
      planned_.reset();
      return Effect::kUnplug;
    case FaultKind::kBusyForever:
      planned_.reset();
      return Effect::kStuckBusy;
    default:
      break;
  }
  if (!get) return Effect::kNone;
  planned_.reset();
  if (fault.kind == FaultKind::kGarbageAnswer) return Effect::kGarbage;
  if (fault.kind == FaultKind::kDroppedAnswer) return Effect::kDrop;
  busy_left_ = fault.busy_polls - 1;
  return Effect::kBusy;
}

}  // namespace halvric::sim
