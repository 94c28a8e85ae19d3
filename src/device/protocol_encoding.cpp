#include "device/protocol_encoding.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "device/device_commands.h"
#include "device/mouse.h"

namespace halvric {
namespace {

void Pause(const Mouse& m, int ms) { m.dev->backend().Pause(ms); }

uint8_t Lo(uint32_t v) { return static_cast<uint8_t>(v & 0xFF); }
uint8_t Mid(uint32_t v) { return static_cast<uint8_t>((v >> 8) & 0xFF); }
uint8_t Hi(uint32_t v) { return static_cast<uint8_t>((v >> 16) & 0xFF); }

// Levels 1-10 and 11+ fill the information from the record read at identification.
Info0 Info0FromRecord(const Mouse& m) {
  Info0 r;
  auto info = m.dev->Info(m.path);
  if (!info) return r;
  const auto& rec = info->record;
  r.ok = true;
  r.value = rec[16];
  r.identifier = rec[2] | (rec[3] << 8) | (rec[4] << 16) | (uint32_t{rec[5]} << 24);
  r.value2 = rec[10];
  r.value3 = rec[11];
  return r;
}

bool Info1FromRecord(const Mouse& m, std::array<uint8_t, 2>& out) {
  auto info = m.dev->Info(m.path);
  if (!info) return false;
  out = {info->record[12], info->record[13]};
  return true;
}

bool Info2FromRecord(const Mouse& m, std::array<uint8_t, 4>& out) {
  auto info = m.dev->Info(m.path);
  if (!info) return false;
  std::copy_n(info->record.begin() + 6, 4, out.begin());
  return true;
}

// ---------------------------------------------------------------- short reports (level 0)

class ShortEncoding final : public ProtocolEncoding {
 public:
  EncodingTraits Traits() const override { return {.short_reports = true, .wide_key_planes = false}; }

  bool WriteChunk(const Mouse& m, uint32_t address, std::span<const uint8_t> data) const override {
    bool ok = true;
    for (size_t offset = 0; offset < data.size() && ok; offset += 6) {
      Report piece{0x09, static_cast<uint8_t>(offset)};
      for (size_t i = 0; i < 6 && offset + i < data.size(); ++i) piece[3 + i] = data[offset + i];
      ok = m.dev->DeviceTransfer(m.path, piece, nullptr, -1);
    }
    if (!ok) return false;
    Pause(m, 1);
    ok = m.Send({0x05, 0x02, Lo(address), Mid(address), Hi(address), static_cast<uint8_t>(data.size()), 0x12}, 10);
    Pause(m, 2);
    return ok;
  }
  bool WriteByte(const Mouse& m, uint32_t address, uint8_t value) const override {
    return m.Send({0x05, 0x01, Lo(address), Mid(address), 0x00, value, 0x12}, -1);
  }
  size_t ReadStep() const override { return 7; }
  Report ReadRequest(uint32_t a) const override { return {0x05, 0x00, Lo(a), Mid(a), Hi(a), 0x00, 0x12}; }

  bool ApplyDpiLevel(const Mouse& m, int level, uint8_t x, uint8_t y) const override {
    return m.Send({0x04, 0x01, static_cast<uint8_t>(level), x, y, 0x00, 0x12}, -1);
  }
  bool SelectProfileStored(const Mouse& m, int profile) const override {
    const auto p = static_cast<uint8_t>(profile);
    if (!m.Send({0x04, 0x02, p, 0, 0, 0, 0x12}, 10)) return false;
    return WriteMemoryByte(m, m.map.stored_profile, p);
  }
  bool SelectProfileLive(const Mouse& m, int profile) const override {
    return m.Send({0x04, 0x03, static_cast<uint8_t>(profile), 0, 0, 0, 0x12}, -1);
  }
  bool SetWord(const Mouse& m, uint16_t value) const override {
    return m.Send({0x04, 0x08, Lo(value), Mid(value), 0, 0, 0x12}, 10);
  }
  bool Commit(const Mouse& m) const override { return m.Send({0x08, 0x00, 0, 0, 0, 0x0C, 0x12}, 10); }
  bool CommitAlternate(const Mouse& m) const override { return m.Send({0x08, 0x02, 0, 0, 0, 0x0C, 0x12}, 10); }
  bool Wake(const Mouse&, int) const override { return true; }
  bool SetLed(const Mouse&, const std::array<uint8_t, 6>&) const override { return false; }
  bool ShowLedMode(const Mouse&, uint8_t) const override { return true; }
  bool SetPair(const Mouse&, uint8_t, uint8_t) const override { return false; }
  bool Guarded(const Mouse&, const std::function<bool()>& access) const override { return access(); }
  // Short-report mice have no lighting.
  bool ApplyLighting(const Mouse&) const override { return true; }
  bool ZoneWriteShowsAtOnce() const override { return false; }

  StatusValues GetStatus(const Mouse& m) const override {
    StatusValues st;
    st.ok = m.Send({0x04, 0x00, 0, 0, 0, 0, 0x12}, 10, &st.raw);
    if (st.ok) std::copy_n(st.raw.bytes.begin() + 2, 6, st.values.begin());
    return st;
  }
  Info0 GetInfo0(const Mouse& m) const override {
    Info0 r;
    Report a;
    r.ok = m.Send({0x00, 0x02, 0x00, 0, 0, 0, 0x12}, 30, &a);
    if (r.ok) {
      r.value = a[2];
      r.identifier = a[3] | (a[4] << 8) | (a[5] << 16);
      r.value2 = a[6];
      r.value3 = a[7];
    }
    return r;
  }
  bool GetInfo1(const Mouse& m, std::array<uint8_t, 2>& out) const override {
    Report a;
    if (!m.Send({0x00, 0x02, 0x01, 0, 0, 0, 0x12}, 10, &a)) return false;
    out = {a[2], a[3]};
    return true;
  }
  bool GetInfo2(const Mouse& m, std::array<uint8_t, 4>& out) const override {
    Report a;
    if (!m.Send({0x00, 0x02, 0x02, 0, 0, 0, 0x12}, 2, &a)) return false;
    std::copy_n(a.bytes.begin() + 2, 4, out.begin());
    return true;
  }
  bool GetInfoEntry(const Mouse& m, int index, std::array<uint8_t, 4>& out) const override {
    Report a;
    if (!m.Send({0x00, 0x02, 0x04, static_cast<uint8_t>(index), 0, 0, 0x12}, 0, &a)) return false;
    std::copy_n(a.bytes.begin() + 2, 4, out.begin());
    return true;
  }
  int GetMemorySize(const Mouse&) const override { return 0; }
  // Identified through its strings and GetInfoEntry instead.
  void ReadIdentityRecord(const Mouse&, std::array<uint8_t, kDeviceRecordSize>&) const override {}

  bool SendMarker(const Mouse& m, uint8_t marker) const override {
    Report set{0x00, 0x01, marker, 0, 0, 0, 0x12};
    Report answer;
    m.dev->DeviceTransfer(m.path, set, &answer, 5);
    Pause(m, 2);
    Report status{0, 0, 0, 0, 0, 0, 0x12};
    if (m.dev->DeviceTransfer(m.path, status, &answer, 15) && answer[7] == marker) return true;
    Pause(m, 2);
    return false;
  }
};

// ---------------------------------------------------------------- long reports, group byte (levels 1-10)

class GroupedEncoding final : public ProtocolEncoding {
 public:
  EncodingTraits Traits() const override { return {.short_reports = false, .wide_key_planes = false}; }

  bool WriteChunk(const Mouse& m, uint32_t address, std::span<const uint8_t> data) const override {
    Report req{0x01, 0x03, Lo(address), Mid(address), static_cast<uint8_t>(data.size())};
    std::copy(data.begin(), data.end(), req.bytes.begin() + 6);
    const bool ok = m.dev->DeviceTransfer(m.path, req, nullptr, -1);
    Pause(m, 1);
    return ok;
  }
  bool WriteByte(const Mouse& m, uint32_t address, uint8_t value) const override {
    return WriteChunk(m, address, std::span<const uint8_t>(&value, 1));
  }
  size_t ReadStep() const override { return 61; }
  Report ReadRequest(uint32_t a) const override { return {0x01, 0x00, 0x00, Lo(a), Mid(a)}; }

  bool ApplyDpiLevel(const Mouse& m, int, uint8_t x, uint8_t y) const override {
    return m.Send({0x01, 0x07, 0x01, x, y}, -1);
  }
  bool SelectProfileStored(const Mouse& m, int profile) const override {
    return Guarded(m, [&] { return m.Send({0x01, 0x07, 0x00, static_cast<uint8_t>(profile)}, -1); });
  }
  bool SelectProfileLive(const Mouse& m, int profile) const override {
    return Guarded(m, [&] { return m.Send({0x01, 0x07, 0x02, static_cast<uint8_t>(profile)}, -1); });
  }
  bool SetWord(const Mouse& m, uint16_t value) const override {
    return m.Send({0x01, 0x07, 0x03, 0x02, Lo(value), Mid(value), 0, 0, 0x12}, 10);
  }
  bool Commit(const Mouse& m) const override { return m.Send({0x01, 0x04}, -1); }
  bool CommitAlternate(const Mouse& m) const override { return m.Send({0x01, 0x04, 0x02}, -1); }
  bool Wake(const Mouse& m, int delay) const override { return m.Send({0x00, 0x12, 0x12}, delay); }
  bool SetLed(const Mouse& m, const std::array<uint8_t, 6>& a) const override {
    return m.Send({0x01, 0x08, 0x02, a[0], a[1], a[2], a[3], a[4], a[5]}, 10);
  }
  bool ShowLedMode(const Mouse& m, uint8_t mode) const override {
    return Guarded(m, [&] { return m.Send({0x01, 0x04, 0x03, 0x01, mode}, 10); });
  }
  bool SetPair(const Mouse& m, uint8_t a1, uint8_t a2) const override {
    return m.Send({0x01, 0x05, 0x00, a1, a2}, -1);
  }
  bool Guarded(const Mouse& m, const std::function<bool()>& access) const override {
    return WithWriteGuard(m, access);
  }
  bool ApplyLighting(const Mouse& m) const override { return m.Send({0x01, 0x04, 0x03}, 10); }
  bool ZoneWriteShowsAtOnce() const override { return false; }

  StatusValues GetStatus(const Mouse& m) const override {
    StatusValues st;
    st.ok = m.Send(Report{}, 10, &st.raw);
    static constexpr size_t kAt[] = {8, 9, 10, 21, 22};
    if (st.ok) {
      for (size_t i = 0; i < 5; ++i) st.values[i] = st.raw[kAt[i]];
    }
    return st;
  }
  Info0 GetInfo0(const Mouse& m) const override { return Info0FromRecord(m); }
  bool GetInfo1(const Mouse& m, std::array<uint8_t, 2>& out) const override { return Info1FromRecord(m, out); }
  bool GetInfo2(const Mouse& m, std::array<uint8_t, 4>& out) const override { return Info2FromRecord(m, out); }
  bool GetInfoEntry(const Mouse& m, int index, std::array<uint8_t, 4>& out) const override {
    auto info = m.dev->Info(m.path);
    if (!info || index < 0 || 72 + 4 * index + 3 >= kDeviceRecordSize) return false;
    std::copy_n(info->record.begin() + 72 + 4 * index, 4, out.begin());
    return true;
  }
  int GetMemorySize(const Mouse&) const override { return 0; }
  void ReadIdentityRecord(const Mouse& m, std::array<uint8_t, kDeviceRecordSize>& record) const override {
    Report answer;
    for (int offset = 0; offset <= 120; offset += 30) {
      if (!m.Send({0x01, 0x00, 0x01, static_cast<uint8_t>(offset)}, 0, &answer)) continue;
      for (int i = 0; i < 60 && offset * 2 + i < kDeviceRecordSize; ++i) record[offset * 2 + i] = answer[2 + i];
    }
  }

  bool SendMarker(const Mouse& m, uint8_t marker) const override { return LongMarker(m, marker, 6); }

  // The marker exchange of both long encodings; the echo sits at `echo_at` of the status answer.
  static bool LongMarker(const Mouse& m, uint8_t marker, size_t echo_at) {
    Report set{0x00, 0x01, 0x12, marker};
    m.dev->DeviceTransfer(m.path, set, nullptr, -1);
    Report status, answer;
    return m.dev->DeviceTransfer(m.path, status, &answer, 5) && answer[echo_at] == marker;
  }
};

// ---------------------------------------------------------------- long reports, operation in byte 1 (level 11+)

class OperationEncoding final : public ProtocolEncoding {
 public:
  EncodingTraits Traits() const override { return {.short_reports = false, .wide_key_planes = true}; }

  bool WriteChunk(const Mouse& m, uint32_t address, std::span<const uint8_t> data) const override {
    Report req{0x03, Lo(address), Mid(address), static_cast<uint8_t>(data.size())};
    std::copy(data.begin(), data.end(), req.bytes.begin() + 5);
    const bool ok = m.dev->DeviceTransfer(m.path, req, nullptr, -1);
    Pause(m, 1);
    return ok;
  }
  bool WriteByte(const Mouse& m, uint32_t address, uint8_t value) const override {
    return WriteChunk(m, address, std::span<const uint8_t>(&value, 1));
  }
  size_t ReadStep() const override { return 61; }
  Report ReadRequest(uint32_t a) const override { return {0x02, Lo(a), Mid(a)}; }

  bool ApplyDpiLevel(const Mouse& m, int, uint8_t x, uint8_t y) const override { return m.Send({0x10, x, y}, -1); }
  bool SelectProfileStored(const Mouse& m, int profile) const override {
    return m.Send({0x0F, static_cast<uint8_t>(profile)}, -1);
  }
  bool SelectProfileLive(const Mouse& m, int profile) const override {
    return m.Send({0x11, static_cast<uint8_t>(profile)}, -1);
  }
  // The lift word keeps the grouped form on this encoding too.
  bool SetWord(const Mouse& m, uint16_t value) const override {
    return m.Send({0x01, 0x07, 0x03, 0x02, Lo(value), Mid(value), 0, 0, 0x12}, 10);
  }
  bool Commit(const Mouse& m) const override { return m.Send({0x14}, -1); }
  bool CommitAlternate(const Mouse& m) const override { return m.Send({0x16}, -1); }
  bool Wake(const Mouse& m, int delay) const override { return m.Send({0x00, 0x12, 0x12}, delay); }
  bool SetLed(const Mouse& m, const std::array<uint8_t, 6>& a) const override {
    return m.Send({0x13, a[0], a[2], a[3], a[4], a[5]}, 10);
  }
  bool ShowLedMode(const Mouse& m, uint8_t mode) const override { return m.Send({0x12, mode}, 10); }
  // The pairing request keeps the grouped form on this encoding too.
  bool SetPair(const Mouse& m, uint8_t a1, uint8_t a2) const override {
    return m.Send({0x01, 0x05, 0x00, a1, a2}, -1);
  }
  bool Guarded(const Mouse&, const std::function<bool()>& access) const override { return access(); }
  // The apply request keeps the grouped form on this encoding.
  bool ApplyLighting(const Mouse& m) const override { return m.Send({0x01, 0x04, 0x03}, 10); }
  bool ZoneWriteShowsAtOnce() const override { return true; }

  StatusValues GetStatus(const Mouse& m) const override {
    StatusValues st;
    st.ok = m.Send(Report{}, 10, &st.raw);
    static constexpr size_t kAt[] = {15, 16, 17, 18};
    if (st.ok) {
      for (size_t i = 0; i < 4; ++i) st.values[i] = st.raw[kAt[i]];
    }
    return st;
  }
  Info0 GetInfo0(const Mouse& m) const override { return Info0FromRecord(m); }
  bool GetInfo1(const Mouse& m, std::array<uint8_t, 2>& out) const override { return Info1FromRecord(m, out); }
  bool GetInfo2(const Mouse& m, std::array<uint8_t, 4>& out) const override { return Info2FromRecord(m, out); }
  bool GetInfoEntry(const Mouse& m, int index, std::array<uint8_t, 4>& out) const override {
    Report a;
    if (!m.Send({0x0A, static_cast<uint8_t>(index), 0x01}, 0, &a)) return false;
    std::copy_n(a.bytes.begin() + 2, 4, out.begin());
    return true;
  }
  int GetMemorySize(const Mouse& m) const override {
    Report a;
    if (!m.Send(Report{}, 10, &a)) return 0;
    return a[13] | (a[14] << 8);
  }

  void ReadIdentityRecord(const Mouse& m, std::array<uint8_t, kDeviceRecordSize>& record) const override {
    Report answer;
    for (int i = 0; i < 32; ++i) {
      if (!m.Send({0x0A, static_cast<uint8_t>(i), 0x01}, 0, &answer)) continue;
      for (int k = 0; k < 4; ++k) record[72 + 4 * i + k] = answer[2 + k];
      if (record[72 + 4 * i] > 50) record[72 + 4 * i] = 1;
    }
    record[12] = 5;
    record[13] = 4;
  }

  bool SendMarker(const Mouse& m, uint8_t marker) const override {
    Wake(m, -1);
    return GroupedEncoding::LongMarker(m, marker, 12);
  }
};

}  // namespace

const ProtocolEncoding& EncodingFor(int protocol_level) {
  static const ShortEncoding kShort;
  static const GroupedEncoding kGrouped;
  static const OperationEncoding kOperation;
  if (protocol_level == 0) return kShort;
  if (protocol_level <= 10) return kGrouped;
  return kOperation;
}

bool Mouse::Send(Report request, int delay, Report* answer) const {
  Report scratch;
  return dev->DeviceTransfer(path, request, answer != nullptr ? answer : &scratch, delay);
}

Mouse MouseAt(DeviceLayer& dev, const std::string& path) { return Mouse{&dev, path, &dev.Encoding(path), dev.Map(path)}; }

}  // namespace halvric
