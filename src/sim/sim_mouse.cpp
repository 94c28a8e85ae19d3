#include "sim/sim_mouse.h"

#include <algorithm>
#include <thread>

#include "sim/device_identity.h"
#include "sim/factory_image.h"

namespace halvric::sim {
namespace {

constexpr size_t kMaxQueuedInput = 256;

uint8_t XorRange(std::span<const uint8_t> bytes, size_t from, size_t to) {
  uint8_t x = 0;
  for (size_t i = from; i <= to && i < bytes.size(); ++i) x ^= bytes[i];
  return x;
}

}  // namespace

SimMouse::SimMouse(const ModelSpec& model)
    : model_(model),
      zone_table_(LayoutFor(model).zone_table),
      zone_count_(LayoutFor(model).zone_count),
      memory_(FactoryImage(model)) {
  Reload(false);
}

// ---------------------------------------------------------------------------------------------
// Memory and live state

std::vector<uint8_t> SimMouse::ReadMemory(uint32_t addr, size_t len) const {
  std::lock_guard lock(mu_);
  std::vector<uint8_t> out(len);
  for (size_t i = 0; i < len; ++i) out[i] = Mem(static_cast<uint32_t>(addr + i));
  return out;
}

void SimMouse::WriteMemory(uint32_t addr, std::span<const uint8_t> data) {
  std::lock_guard lock(mu_);
  for (size_t i = 0; i < data.size(); ++i) SetMem(static_cast<uint32_t>(addr + i), data[i]);
  ++changes_;
}

int SimMouse::ActiveProfile() const { std::lock_guard l(mu_); return active_profile_; }
int SimMouse::DpiLevel() const { std::lock_guard l(mu_); return dpi_level_; }
int SimMouse::DpiMask() const { std::lock_guard l(mu_); return dpi_mask_; }
uint8_t SimMouse::DpiX() const { std::lock_guard l(mu_); return dpi_x_; }
uint8_t SimMouse::DpiY() const { std::lock_guard l(mu_); return dpi_y_; }
int SimMouse::LedMode() const { std::lock_guard l(mu_); return led_mode_; }
uint8_t SimMouse::Marker() const { std::lock_guard l(mu_); return marker_; }
uint16_t SimMouse::LiftWord() const { std::lock_guard l(mu_); return lift_; }
uint8_t SimMouse::SettingsByte() const { std::lock_guard l(mu_); return settings_; }
std::array<uint8_t, 2> SimMouse::PairSetting() const { std::lock_guard l(mu_); return pair_; }
std::array<uint8_t, 2> SimMouse::HostMode() const { std::lock_guard l(mu_); return host_mode_; }
bool SimMouse::WriteGuardOpen() const { std::lock_guard l(mu_); return guard_open_; }
int SimMouse::CommitCount() const { std::lock_guard l(mu_); return commit_count_; }
int SimMouse::AlternateCommitCount() const { std::lock_guard l(mu_); return alternate_commit_count_; }
int SimMouse::LightingApplyCount() const { std::lock_guard l(mu_); return lighting_apply_count_; }
int SimMouse::WakeCount() const { std::lock_guard l(mu_); return wake_count_; }
int SimMouse::RejectedRequests() const { std::lock_guard l(mu_); return rejected_; }
int SimMouse::RequestCount() const { std::lock_guard l(mu_); return requests_; }
bool SimMouse::IspActive() const { std::lock_guard l(mu_); return isp_; }
uint8_t SimMouse::RadioChannel() const { std::lock_guard l(mu_); return channel_; }
uint8_t SimMouse::PowerSaving() const { std::lock_guard l(mu_); return power_saving_; }
uint8_t SimMouse::RadioPairValue() const { std::lock_guard l(mu_); return radio_pair_; }
int SimMouse::IspWriteCount() const { std::lock_guard l(mu_); return isp_writes_; }
std::vector<uint8_t> SimMouse::LastSmallWrite() const { std::lock_guard l(mu_); return small_write_; }
bool SimMouse::Unplugged() const { std::lock_guard l(mu_); return unplugged_; }
bool SimMouse::OpenRefused() const { std::lock_guard l(mu_); return open_refused_; }
uint64_t SimMouse::ChangeCount() const { std::lock_guard l(mu_); return changes_; }

std::array<uint8_t, 4> SimMouse::LiveZone(int zone) const {
  std::lock_guard l(mu_);
  if (zone < 0 || zone >= static_cast<int>(zones_.size())) return {};
  return zones_[static_cast<size_t>(zone)];
}

std::vector<uint8_t> SimMouse::Flash(uint32_t addr, size_t len) const {
  std::lock_guard l(mu_);
  std::vector<uint8_t> out(len, 0xFF);
  if (flash_.empty()) return out;
  for (size_t i = 0; i < len; ++i) out[i] = flash_[(addr + i) % flash_.size()];
  return out;
}

uint8_t SimMouse::DpiState() const {
  return static_cast<uint8_t>((dpi_level_ & 7) | (dpi_mask_ << 3));
}

uint8_t SimMouse::DecoyState(int n) const {
  // The same mask with another level in bits 0-2 (6 or 7 steps on, modulo 8): never the true
  // state, and a different value for n = 1 and n = 2.
  return static_cast<uint8_t>(((dpi_level_ + 5 + n) & 7) | (dpi_mask_ << 3));
}

uint8_t SimMouse::StatusFlags() const {
  uint8_t f = settings_ & 0x01;
  if (isp_) f |= 0x02;
  if (guard_open_) f |= 0x40;
  return f;
}

void SimMouse::Reload(bool keep_selection) {
  const MemoryLayout l = LayoutFor(model_);
  if (!keep_selection) {
    const uint8_t p = Mem(l.active_profile);
    active_profile_ = p <= 4 ? p : 0;
    if (l.dpi_state != 0) {
      const uint8_t state = Mem(l.dpi_state);
      dpi_level_ = std::min(state & 7, 4);
      dpi_mask_ = state >> 3;
    }
  }
  dpi_x_ = Mem(l.dpi_table + 2 * static_cast<uint32_t>(dpi_level_));
  dpi_y_ = Mem(l.dpi_table + 2 * static_cast<uint32_t>(dpi_level_) + 1);
  settings_ = Mem(l.settings);
  if (model_.lighting) {
    const uint8_t mode = Mem(l.led_mode);
    led_mode_ = mode <= 4 ? mode : 0;
  }
  for (int z = 0; z < zone_count_ && z < static_cast<int>(zones_.size()); ++z) {
    for (uint32_t b = 0; b < 4; ++b) {
      zones_[static_cast<size_t>(z)][b] = Mem(zone_table_ + 4 * static_cast<uint32_t>(z) + b);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Input reports

void SimMouse::QueueInput(std::vector<uint8_t> report, bool config_interface) {
  auto& queue = config_interface ? config_input_ : input_;
  if (queue.size() >= kMaxQueuedInput) queue.pop_front();
  queue.push_back(std::move(report));
  input_cv_.notify_all();
}

void SimMouse::QueueTagged(std::vector<uint8_t> report) {
  const size_t n = report.size();
  report[0] = model_.input_report_id;
  report[n - 2] = tag_;
  report[n - 1] = XorRange(report, 1, n - 2);
  QueueInput(std::move(report));
}

void SimMouse::QueueStatusReport() {
  std::vector<uint8_t> r(model_.input_report_length, 0);
  r[1] = 12;
  r[2] = static_cast<uint8_t>(dpi_level_);
  r[3] = dpi_x_;
  r[4] = dpi_y_;
  r[5] = static_cast<uint8_t>(active_profile_);
  r[6] = static_cast<uint8_t>((settings_ & 0x01) | (dpi_scroll_ ? 0x80 : 0));
  r[7] = static_cast<uint8_t>(lift_ & 0xFF);
  r[8] = static_cast<uint8_t>(lift_ >> 8);
  r[11] = static_cast<uint8_t>(sensor_reading_ % 255);
  r[12] = static_cast<uint8_t>(sensor_reading_ / 255);
  r[13] = sensor_level_;
  QueueTagged(std::move(r));
}

void SimMouse::QueueIspAck(uint32_t addr, uint8_t length, uint8_t status) {
  const bool on_config = model_.acks_on_config_interface;
  std::vector<uint8_t> r(on_config ? 64 : model_.input_report_length, 0);
  r[0] = 0x01;
  r[1] = 0x13;
  r[2] = 0x13;
  r[3] = length;
  r[4] = static_cast<uint8_t>(addr & 0xFF);
  r[5] = static_cast<uint8_t>((addr >> 8) & 0xFF);
  r[6] = static_cast<uint8_t>((addr >> 16) & 0xFF);
  r[7] = status;
  r[r.size() - 1] = XorRange(r, 1, r.size() - 2);
  QueueInput(std::move(r), on_config);
}

void SimMouse::PressDpiButton(int level) {
  std::lock_guard l(mu_);
  const MemoryLayout layout = LayoutFor(model_);
  dpi_level_ = std::clamp(level, 0, 4);
  // Only level 11 keeps the DPI state in memory; its button skips the levels the mask there
  // turns off.
  if (layout.dpi_state != 0) {
    const int mask = Mem(layout.dpi_state) >> 3;
    for (int step = 0; step < 5 && mask != 0 && (mask & (1 << dpi_level_)) == 0; ++step) {
      dpi_level_ = (dpi_level_ + 1) % 5;
    }
    dpi_mask_ = mask;
    SetMem(layout.dpi_state, DpiState());
  }
  dpi_x_ = Mem(layout.dpi_table + 2 * static_cast<uint32_t>(dpi_level_));
  dpi_y_ = Mem(layout.dpi_table + 2 * static_cast<uint32_t>(dpi_level_) + 1);
  ++changes_;
  QueueStatusReport();
}

void SimMouse::PressProfileButton(int profile) {
  std::lock_guard l(mu_);
  active_profile_ = std::clamp(profile, 0, 4);
  SetMem(LayoutFor(model_).active_profile, static_cast<uint8_t>(active_profile_));
  ++changes_;
  QueueStatusReport();
}

void SimMouse::SetDpiScrollMode(bool on) {
  std::lock_guard l(mu_);
  dpi_scroll_ = on;
  QueueStatusReport();
}

void SimMouse::SetSensor(uint16_t reading, uint8_t level) {
  std::lock_guard l(mu_);
  sensor_reading_ = reading;
  sensor_level_ = level;
}

void SimMouse::PushMovement(bool touch, int16_t dx, int16_t dy, int8_t tilt) {
  std::lock_guard l(mu_);
  std::vector<uint8_t> r(model_.input_report_length, 0);
  const auto ux = static_cast<uint16_t>(dx);
  const auto uy = static_cast<uint16_t>(dy);
  r[0] = model_.input_report_id;
  r[1] = 11;
  r[2] = touch ? 1 : 0;
  r[4] = static_cast<uint8_t>(ux & 0xFF);
  r[5] = static_cast<uint8_t>(ux >> 8);
  r[6] = static_cast<uint8_t>(uy & 0xFF);
  r[7] = static_cast<uint8_t>(uy >> 8);
  r[9] = static_cast<uint8_t>(tilt);
  r[r.size() - 1] = XorRange(r, 1, r.size() - 2);
  QueueInput(std::move(r));
}

void SimMouse::PushHostAction(uint8_t action) {
  std::lock_guard l(mu_);
  std::vector<uint8_t> r(model_.input_report_length, 0);
  r[1] = 13;
  r[2] = action;
  QueueTagged(std::move(r));
}

void SimMouse::PushInputReport(std::vector<uint8_t> report) {
  std::lock_guard l(mu_);
  QueueInput(std::move(report));
}

size_t SimMouse::PendingInputReports() const {
  std::lock_guard l(mu_);
  return input_.size();
}

// ---------------------------------------------------------------------------------------------
// Faults

void SimMouse::SetBusyPolls(int n) { std::lock_guard l(mu_); busy_polls_ = std::max(0, n); }
void SimMouse::SetStuckBusy(bool on) { std::lock_guard l(mu_); stuck_busy_ = on; }
void SimMouse::SetGarbageAnswers(bool on) { std::lock_guard l(mu_); garbage_ = on; }
void SimMouse::SetDropAnswers(bool on) { std::lock_guard l(mu_); drop_ = on; }
void SimMouse::SetLatency(std::chrono::microseconds latency) { std::lock_guard l(mu_); latency_ = latency; }
void SimMouse::UnplugAfterTransfers(int n) { std::lock_guard l(mu_); unplug_after_ = std::max(0, n); }
void SimMouse::NackNextIspWrites(int n) { NackIspWritesAfter(0, n); }
void SimMouse::AckIspWritesElsewhere(int n) { std::lock_guard l(mu_); ack_elsewhere_ = std::max(0, n); }
void SimMouse::SetIspSilent(bool on) {
  std::lock_guard l(mu_);
  isp_silent_ = on;
  ++changes_;
}
void SimMouse::StallMemoryWrites(bool on) { std::lock_guard l(mu_); stall_writes_ = on; }
void SimMouse::SetStaleAnswers(int n, int after) {
  std::lock_guard l(mu_);
  stale_answers_ = std::max(0, n);
  stale_after_ = std::max(0, after);
}

void SimMouse::NackIspWritesAfter(int after, int n) {
  std::lock_guard l(mu_);
  nack_after_ = std::max(0, after);
  nack_isp_ = std::max(0, n);
  ++changes_;
}

void SimMouse::SetOpenRefused(bool on) {
  std::lock_guard l(mu_);
  open_refused_ = on;
}

void SimMouse::SetUnplugged(bool on) {
  std::lock_guard l(mu_);
  unplugged_ = on;
  if (!on) unplug_after_ = -1;
  input_cv_.notify_all();
}

std::optional<SimMouse::MemoryWrite> SimMouse::MemoryWriteOf(const Report& req) const {
  if (!model_.long_reports) {
    if (req[1] == 0x05 && req[2] == 0x01) return MemoryWrite{static_cast<uint32_t>(req[3] | (req[4] << 8)), 1};
    if (req[1] == 0x05 && req[2] == 0x02) {
      return MemoryWrite{static_cast<uint32_t>(req[3] | (req[4] << 8) | (req[5] << 16)), req[6]};
    }
    return std::nullopt;
  }
  if (model_.protocol_level <= 10) {
    if (req[1] == 0x01 && req[2] == 0x03) return MemoryWrite{static_cast<uint32_t>(req[3] | (req[4] << 8)), req[5]};
    return std::nullopt;
  }
  if (req[1] == 0x03) return MemoryWrite{static_cast<uint32_t>(req[2] | (req[3] << 8)), req[4]};
  return std::nullopt;
}

uint32_t SimMouse::NextRandom() {
  rng_ ^= rng_ << 13;
  rng_ ^= rng_ >> 17;
  rng_ ^= rng_ << 5;
  return rng_;
}

// ---------------------------------------------------------------------------------------------
// Wire side

void SimMouse::Sleep() const {
  std::chrono::microseconds latency;
  {
    std::lock_guard l(mu_);
    latency = latency_;
  }
  if (latency.count() > 0) std::this_thread::sleep_for(latency);
}

bool SimMouse::TransferAllowed() {
  if (unplugged_) return false;
  if (unplug_after_ == 0) {
    unplugged_ = true;
    input_cv_.notify_all();
    return false;
  }
  if (unplug_after_ > 0) --unplug_after_;
  return true;
}

void SimMouse::SetError(Report& ans, uint8_t cmd, ErrorReason reason) {
  ans.fill(0);
  ans[1] = 0x3F;
  ans[2] = reason;
  ans[3] = cmd;
  ++rejected_;
}

void SimMouse::ScheduleFault(const PlannedFault& fault) {
  std::lock_guard l(mu_);
  faults_.Plan(fault);
}

void SimMouse::ClearFaults() {
  std::lock_guard l(mu_);
  faults_.Clear();
  unplugged_ = false;
  unplug_after_ = -1;
  stuck_busy_ = false;
  busy_left_ = 0;
  input_cv_.notify_all();
}

uint64_t SimMouse::FeatureExchanges() const {
  std::lock_guard l(mu_);
  return faults_.Exchanges();
}

FaultSchedule::Effect SimMouse::CountExchange(bool get) {
  const FaultSchedule::Effect effect = faults_.OnExchange(get);
  if (effect == FaultSchedule::Effect::kUnplug) {
    unplugged_ = true;
    input_cv_.notify_all();
  } else if (effect == FaultSchedule::Effect::kStuckBusy) {
    stuck_busy_ = true;
  }
  return effect;
}

bool SimMouse::WireSetFeature(std::span<const uint8_t> report) {
  Sleep();
  std::lock_guard l(mu_);
  CountExchange(false);
  if (!TransferAllowed()) return false;
  if (report.size() != FeatureLength() || report[0] != FeatureReportId()) return false;
  ++requests_;
  Report req{};
  std::copy(report.begin(), report.end(), req.begin());
  if (stall_writes_ && MemoryWriteOf(req)) return false;
  const Report before = answer_;
  const bool accepted = Execute(req);
  if (stale_after_ > 0) {
    --stale_after_;
  } else if (stale_answers_ > 0) {
    --stale_answers_;
    answer_ = before;
  }
  busy_left_ = busy_polls_;
  return accepted;
}

bool SimMouse::WireGetFeature(std::span<uint8_t> report) {
  Sleep();
  std::lock_guard l(mu_);
  const FaultSchedule::Effect fault = CountExchange(true);
  if (!TransferAllowed() || drop_ || fault == FaultSchedule::Effect::kDrop) return false;
  if (report.empty() || report[0] != FeatureReportId()) return false;
  const size_t n = std::min(report.size(), FeatureLength());
  std::fill(report.begin(), report.end(), 0);
  report[0] = FeatureReportId();
  if (stuck_busy_ || busy_left_ > 0 || fault == FaultSchedule::Effect::kBusy) {
    if (busy_left_ > 0 && fault != FaultSchedule::Effect::kBusy) --busy_left_;
    report[1] = 0x80;
    return true;
  }
  if (garbage_ || fault == FaultSchedule::Effect::kGarbage) {
    for (size_t i = 1; i < n; ++i) report[i] = static_cast<uint8_t>(NextRandom());
    report[1] &= 0x7F;
    return true;
  }
  std::copy(answer_.begin() + 1, answer_.begin() + static_cast<std::ptrdiff_t>(n), report.begin() + 1);
  return true;
}

int SimMouse::WireReadInput(std::span<uint8_t> buf, int timeout_ms, bool config_interface) {
  std::unique_lock l(mu_);
  auto& input = config_interface ? config_input_ : input_;
  const uint64_t cancels = read_cancels_;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(0, timeout_ms));
  while (!unplugged_ && input.empty() && read_cancels_ == cancels) {
    if (timeout_ms < 0) {
      input_cv_.wait(l);
    } else if (input_cv_.wait_until(l, deadline) == std::cv_status::timeout) {
      break;
    }
  }
  if (unplugged_) return -1;
  if (input.empty()) return 0;
  std::vector<uint8_t> r = std::move(input.front());
  input.pop_front();
  const size_t n = std::min(buf.size(), r.size());
  std::copy(r.begin(), r.begin() + static_cast<std::ptrdiff_t>(n), buf.begin());
  return static_cast<int>(n);
}

int SimMouse::WireWaitIdle(int timeout_ms) {
  std::unique_lock l(mu_);
  const uint64_t cancels = read_cancels_;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(0, timeout_ms));
  while (!unplugged_ && read_cancels_ == cancels) {
    if (timeout_ms < 0) {
      input_cv_.wait(l);
    } else if (input_cv_.wait_until(l, deadline) == std::cv_status::timeout) {
      break;
    }
  }
  return unplugged_ ? -1 : 0;
}

void SimMouse::WireCancelReads() {
  std::lock_guard l(mu_);
  ++read_cancels_;
  input_cv_.notify_all();
}

int SimMouse::WireIndexedString(int index, std::span<uint8_t> out) {
  {
    std::lock_guard l(mu_);
    if (unplugged_) return -1;
  }
  const std::vector<uint8_t> payload = IndexedStringPayload(model_, index);
  if (payload.empty()) return -1;
  std::fill(out.begin(), out.end(), 0);
  const size_t n = std::min(out.size(), payload.size());
  std::copy(payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(n), out.begin());
  return static_cast<int>(n);
}

}  // namespace halvric::sim
