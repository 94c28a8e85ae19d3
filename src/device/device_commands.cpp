#include "device/device_commands.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace halvric {
namespace {

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

uint8_t Lo(uint32_t v) { return static_cast<uint8_t>(v & 0xFF); }
uint8_t Mid(uint32_t v) { return static_cast<uint8_t>((v >> 8) & 0xFF); }
uint8_t Hi(uint32_t v) { return static_cast<uint8_t>((v >> 16) & 0xFF); }

// Sends a request; the answer, when wanted, lands in `answer`.
bool Send(DeviceLayer& dev, const std::string& path, Report request, int delay, Report* answer = nullptr) {
  Report scratch;
  return dev.DeviceTransfer(path, request, answer != nullptr ? answer : &scratch, delay);
}

bool WrappedByWake(DeviceLayer& dev, const std::string& path, const auto& body) {
  if (!Wake(dev, path)) return false;
  if (!body()) return false;
  return Wake(dev, path);
}

void MirrorWrite(DeviceLayer& dev, const std::string& path, uint32_t address, std::span<const uint8_t> data) {
  if (dev.IsCurrent(path)) dev.mirror().Store(address, data);
}

void MirrorForget(DeviceLayer& dev, const std::string& path, uint32_t address, size_t length) {
  if (dev.IsCurrent(path)) dev.mirror().Invalidate(address, length);
}

}  // namespace

// ---------------------------------------------------------------- memory access

bool WriteMemoryChunk(DeviceLayer& dev, const std::string& path, uint32_t address, std::span<const uint8_t> data) {
  if (data.empty() || data.size() > static_cast<size_t>(kMaxChunk)) return false;
  MirrorWrite(dev, path, address, data);
  const int level = dev.ProtocolLevel(path);
  bool ok = true;
  if (level == 0) {
    for (size_t offset = 0; offset < data.size() && ok; offset += 6) {
      Report piece{0x09, static_cast<uint8_t>(offset)};
      for (size_t i = 0; i < 6 && offset + i < data.size(); ++i) piece[3 + i] = data[offset + i];
      ok = dev.DeviceTransfer(path, piece, nullptr, -1);
    }
    if (ok) {
      SleepMs(1);
      ok = Send(dev, path, {0x05, 0x02, Lo(address), Mid(address), Hi(address), static_cast<uint8_t>(data.size()), 0x12},
                10);
      SleepMs(2);
    }
  } else {
    Report req = level <= 10 ? Report{0x01, 0x03, Lo(address), Mid(address), static_cast<uint8_t>(data.size())}
                             : Report{0x03, Lo(address), Mid(address), static_cast<uint8_t>(data.size())};
    const size_t at = level <= 10 ? 6 : 5;
    std::copy(data.begin(), data.end(), req.bytes.begin() + at);
    ok = dev.DeviceTransfer(path, req, nullptr, -1);
    SleepMs(1);
  }
  if (!ok) MirrorForget(dev, path, address, data.size());
  return ok;
}

bool WriteMemory(DeviceLayer& dev, const std::string& path, uint32_t address, std::span<const uint8_t> data) {
  if (data.empty()) return false;
  for (size_t offset = 0; offset < data.size(); offset += kMaxChunk) {
    const size_t n = std::min<size_t>(kMaxChunk, data.size() - offset);
    if (!WriteMemoryChunk(dev, path, address + static_cast<uint32_t>(offset), data.subspan(offset, n))) return false;
  }
  return true;
}

bool WriteMemoryByte(DeviceLayer& dev, const std::string& path, uint32_t address, uint8_t value) {
  if (dev.ProtocolLevel(path) != 0) return WriteMemoryChunk(dev, path, address, std::span<const uint8_t>(&value, 1));
  MirrorWrite(dev, path, address, std::span<const uint8_t>(&value, 1));
  const bool ok = Send(dev, path, {0x05, 0x01, Lo(address), Mid(address), 0x00, value, 0x12}, -1);
  if (!ok) MirrorForget(dev, path, address, 1);
  return ok;
}

bool ReadMemory(DeviceLayer& dev, const std::string& path, uint32_t address, std::span<uint8_t> buffer,
                bool use_cache) {
  const int level = dev.ProtocolLevel(path);
  const size_t step = level == 0 ? 7 : 61;
  const bool cache = use_cache && dev.UseCache() && dev.IsCurrent(path);
  bool ok = true;
  for (size_t offset = 0; offset < buffer.size(); offset += step) {
    const uint32_t a = address + static_cast<uint32_t>(offset);
    const size_t wanted = std::min(step, buffer.size() - offset);
    if (cache && dev.mirror().Serve(a, buffer.subspan(offset))) break;  // every remaining byte is valid
    Report req = level == 0    ? Report{0x05, 0x00, Lo(a), Mid(a), Hi(a), 0x00, 0x12}
                 : level <= 10 ? Report{0x01, 0x00, 0x00, Lo(a), Mid(a)}
                               : Report{0x02, Lo(a), Mid(a)};
    Report answer;
    if (!dev.DeviceTransfer(path, req, &answer, 0)) {
      ok = false;
      break;
    }
    std::copy_n(answer.bytes.begin() + 2, wanted, buffer.begin() + offset);
    if (dev.IsCurrent(path)) dev.mirror().Store(a, std::span<const uint8_t>(answer.bytes.data() + 2, step));
  }
  return ok;
}

int ReadMemoryByte(DeviceLayer& dev, const std::string& path, uint32_t address, bool use_cache) {
  uint8_t b = 0;
  if (!ReadMemory(dev, path, address, std::span<uint8_t>(&b, 1), use_cache)) return -1;
  return b;
}

// ---------------------------------------------------------------- settings

bool ApplyDpiLevel(DeviceLayer& dev, const std::string& path, int level, uint8_t x, uint8_t y) {
  const int pl = dev.ProtocolLevel(path);
  if (pl == 0) return Send(dev, path, {0x04, 0x01, static_cast<uint8_t>(level), x, y, 0x00, 0x12}, -1);
  if (pl <= 10) return Send(dev, path, {0x01, 0x07, 0x01, x, y}, -1);
  return Send(dev, path, {0x10, x, y}, -1);
}

bool StoreDpiLevel(DeviceLayer& dev, const std::string& path, int level, uint8_t x, uint8_t y) {
  level = std::clamp(level, 0, 4);
  const uint32_t base = dev.ProtocolLevel(path) == 0 ? 4 : 3;
  const uint8_t xy[2] = {x, y};
  return WriteMemory(dev, path, base + 2 * static_cast<uint32_t>(level), xy);
}

bool SelectProfileStored(DeviceLayer& dev, const std::string& path, int profile) {
  const auto p = static_cast<uint8_t>(profile);
  const int pl = dev.ProtocolLevel(path);
  if (pl == 0) {
    if (!Send(dev, path, {0x04, 0x02, p, 0, 0, 0, 0x12}, 10)) return false;
    return WriteMemoryByte(dev, path, 2, p);
  }
  if (pl <= 10) return WithWriteGuard(dev, path, [&] { return Send(dev, path, {0x01, 0x07, 0x00, p}, -1); });
  return Send(dev, path, {0x0F, p}, -1);
}

bool SelectProfileLive(DeviceLayer& dev, const std::string& path, int profile) {
  const auto p = static_cast<uint8_t>(profile);
  const int pl = dev.ProtocolLevel(path);
  if (pl == 0) return Send(dev, path, {0x04, 0x03, p, 0, 0, 0, 0x12}, -1);
  if (pl <= 10) return WithWriteGuard(dev, path, [&] { return Send(dev, path, {0x01, 0x07, 0x02, p}, -1); });
  return Send(dev, path, {0x11, p}, -1);
}

bool SetWord(DeviceLayer& dev, const std::string& path, uint16_t value) {
  const uint8_t lo = Lo(value), hi = Mid(value);
  if (dev.ProtocolLevel(path) == 0) return Send(dev, path, {0x04, 0x08, lo, hi, 0, 0, 0x12}, 10);
  return Send(dev, path, {0x01, 0x07, 0x03, 0x02, lo, hi, 0, 0, 0x12}, 10);
}

bool Commit(DeviceLayer& dev, const std::string& path) {
  const int pl = dev.ProtocolLevel(path);
  if (pl == 0) return Send(dev, path, {0x08, 0x00, 0, 0, 0, 0x0C, 0x12}, 10);
  if (pl <= 10) return Send(dev, path, {0x01, 0x04}, -1);
  return Send(dev, path, {0x14}, -1);
}

bool CommitAlternate(DeviceLayer& dev, const std::string& path) {
  const int pl = dev.ProtocolLevel(path);
  if (pl == 0) return Send(dev, path, {0x08, 0x02, 0, 0, 0, 0x0C, 0x12}, 10);
  if (pl <= 10) return Send(dev, path, {0x01, 0x04, 0x02}, -1);
  return Send(dev, path, {0x16}, -1);
}

bool Wake(DeviceLayer& dev, const std::string& path, int delay) {
  if (dev.ProtocolLevel(path) == 0) return true;
  return Send(dev, path, {0x00, 0x12, 0x12}, delay);
}

bool SetLed(DeviceLayer& dev, const std::string& path, const std::array<uint8_t, 6>& a) {
  const int pl = dev.ProtocolLevel(path);
  if (pl == 0) return false;
  if (pl <= 10) return Send(dev, path, {0x01, 0x08, 0x02, a[0], a[1], a[2], a[3], a[4], a[5]}, 10);
  return Send(dev, path, {0x13, a[0], a[2], a[3], a[4], a[5]}, 10);
}

bool SetLedMode(DeviceLayer& dev, const std::string& path, int mode) {
  if (mode < 0 || mode > 4) return false;
  dev.SetCurrentLedMode(mode);
  const int pl = dev.ProtocolLevel(path);
  const auto m = static_cast<uint8_t>(mode);
  if (pl <= 2) return true;
  if (!WriteMemoryByte(dev, path, 0x11, m)) return false;
  if (pl <= 10) return WithWriteGuard(dev, path, [&] { return Send(dev, path, {0x01, 0x04, 0x03, 0x01, m}, 10); });
  return Send(dev, path, {0x12, m}, 10);
}

bool SetPair(DeviceLayer& dev, const std::string& path, uint8_t a1, uint8_t a2) {
  if (dev.ProtocolLevel(path) == 0) return false;
  return Send(dev, path, {0x01, 0x05, 0x00, a1, a2}, -1);
}

bool WithWriteGuard(DeviceLayer& dev, const std::string& path, const std::function<bool()>& access) {
  const StatusValues st = GetStatus(dev, path);
  if (!st.ok) return false;
  const bool locked = (st.raw[10] & 0x40) == 0;
  if (locked && !Wake(dev, path)) return false;
  const bool ok = access();
  // The guard is closed again even when the access failed.
  if (locked && !Wake(dev, path)) return false;
  return ok;
}

// ---------------------------------------------------------------- settings byte

uint32_t SettingsByteAddress(int protocol_level) { return protocol_level == 0 ? 15 : 14; }

namespace {

bool ChangeSettingsByte(DeviceLayer& dev, const std::string& path, uint8_t keep_mask, uint8_t bits) {
  const uint32_t addr = SettingsByteAddress(dev.ProtocolLevel(path));
  const int old = ReadMemoryByte(dev, path, addr, true);
  if (old < 0) return false;
  const auto value = static_cast<uint8_t>((old & keep_mask) | bits);
  return WriteMemoryByte(dev, path, addr, value) && Commit(dev, path);
}

}  // namespace

bool SetRateBits(DeviceLayer& dev, const std::string& path, int value) {
  const auto bits = static_cast<uint8_t>((value & 0x07) << 4);
  auto body = [&] { return ChangeSettingsByte(dev, path, 0x8F, bits); };
  if (dev.ProtocolLevel(path) == 0) return body();
  return WrappedByWake(dev, path, body);
}

bool SetFlagBit(DeviceLayer& dev, const std::string& path, int value) {
  const auto bit = static_cast<uint8_t>(value & 0x01);
  auto body = [&] { return ChangeSettingsByte(dev, path, 0xFE, bit); };
  const int pl = dev.ProtocolLevel(path);
  if (pl >= 1 && pl <= 10) return WithWriteGuard(dev, path, body);
  return body();
}

// ---------------------------------------------------------------- button assignments

uint32_t ButtonPlaneAddress(int protocol_level, int profile, int key, int plane) {
  const auto p = static_cast<uint32_t>(profile), k = static_cast<uint32_t>(key), pl = static_cast<uint32_t>(plane);
  if (protocol_level == 0) return 48 + 16 * pl + 96 * p + k;
  if (protocol_level <= 10) return 64 + 24 * pl + 128 * p + k;
  return 64 + 32 * pl + 160 * p + k;
}

bool WriteButtonAssignment(DeviceLayer& dev, const std::string& path, int profile, int key,
                           const std::array<uint8_t, 4>& bytes, bool commit) {
  const int pl = dev.ProtocolLevel(path);
  for (int plane = 0; plane < 4; ++plane) {
    if (!WriteMemoryByte(dev, path, ButtonPlaneAddress(pl, profile, key, plane), bytes[plane])) return false;
  }
  return !commit || Commit(dev, path);
}

bool WriteButtonParameters(DeviceLayer& dev, const std::string& path, int profile, int key, uint32_t value) {
  const int pl = dev.ProtocolLevel(path);
  const uint8_t b[3] = {Lo(value), Mid(value), Hi(value)};
  for (int plane = 1; plane <= 3; ++plane) {
    if (!WriteMemoryByte(dev, path, ButtonPlaneAddress(pl, profile, key, plane), b[plane - 1])) return false;
  }
  return true;
}

// ---------------------------------------------------------------- information

StatusValues GetStatus(DeviceLayer& dev, const std::string& path) {
  StatusValues st;
  const int pl = dev.ProtocolLevel(path);
  if (pl == 0) {
    st.ok = Send(dev, path, {0x04, 0x00, 0, 0, 0, 0, 0x12}, 10, &st.raw);
    if (st.ok) std::copy_n(st.raw.bytes.begin() + 2, 6, st.values.begin());
  } else {
    st.ok = Send(dev, path, Report{}, 10, &st.raw);
    if (st.ok) {
      static constexpr size_t kMid[] = {8, 9, 10, 21, 22};
      static constexpr size_t kNew[] = {15, 16, 17, 18};
      if (pl <= 10) {
        for (size_t i = 0; i < 5; ++i) st.values[i] = st.raw[kMid[i]];
      } else {
        for (size_t i = 0; i < 4; ++i) st.values[i] = st.raw[kNew[i]];
      }
    }
  }
  return st;
}

Info0 GetInfo0(DeviceLayer& dev, const std::string& path) {
  Info0 r;
  if (dev.ProtocolLevel(path) == 0) {
    Report a;
    r.ok = Send(dev, path, {0x00, 0x02, 0x00, 0, 0, 0, 0x12}, 30, &a);
    if (r.ok) {
      r.value = a[2];
      r.identifier = a[3] | (a[4] << 8) | (a[5] << 16);
      r.value2 = a[6];
      r.value3 = a[7];
    }
    return r;
  }
  auto info = dev.Info(path);
  if (!info) return r;
  const auto& rec = info->record;
  r.ok = true;
  r.value = rec[16];
  r.identifier = rec[2] | (rec[3] << 8) | (rec[4] << 16) | (uint32_t{rec[5]} << 24);
  r.value2 = rec[10];
  r.value3 = rec[11];
  return r;
}

bool GetInfo1(DeviceLayer& dev, const std::string& path, std::array<uint8_t, 2>& out) {
  if (dev.ProtocolLevel(path) == 0) {
    Report a;
    if (!Send(dev, path, {0x00, 0x02, 0x01, 0, 0, 0, 0x12}, 10, &a)) return false;
    out = {a[2], a[3]};
    return true;
  }
  auto info = dev.Info(path);
  if (!info) return false;
  out = {info->record[12], info->record[13]};
  return true;
}

bool GetInfo2(DeviceLayer& dev, const std::string& path, std::array<uint8_t, 4>& out) {
  if (dev.ProtocolLevel(path) == 0) {
    Report a;
    if (!Send(dev, path, {0x00, 0x02, 0x02, 0, 0, 0, 0x12}, 2, &a)) return false;
    std::copy_n(a.bytes.begin() + 2, 4, out.begin());
    return true;
  }
  auto info = dev.Info(path);
  if (!info) return false;
  std::copy_n(info->record.begin() + 6, 4, out.begin());
  return true;
}

bool GetInfoEntry(DeviceLayer& dev, const std::string& path, int index, std::array<uint8_t, 4>& out) {
  const int pl = dev.ProtocolLevel(path);
  const auto i = static_cast<uint8_t>(index);
  if (pl == 0 || pl >= 11) {
    Report a;
    const bool ok = pl == 0 ? Send(dev, path, {0x00, 0x02, 0x04, i, 0, 0, 0x12}, 0, &a)
                            : Send(dev, path, {0x0A, i, 0x01}, 0, &a);
    if (!ok) return false;
    std::copy_n(a.bytes.begin() + 2, 4, out.begin());
  } else {
    auto info = dev.Info(path);
    if (!info || index < 0 || 72 + 4 * index + 3 >= kDeviceRecordSize) return false;
    std::copy_n(info->record.begin() + 72 + 4 * index, 4, out.begin());
  }
  if (out[0] > 50) out[0] = 1;
  return true;
}

int GetMemorySize(DeviceLayer& dev, const std::string& path) {
  if (dev.ProtocolLevel(path) < 11) return 0;
  Report a;
  if (!Send(dev, path, Report{}, 10, &a)) return 0;
  return a[13] | (a[14] << 8);
}

// ---------------------------------------------------------------- firmware upgrade

bool Pair(DeviceLayer& dev, const std::string& path, uint8_t value) {
  return Send(dev, path, {0x18, 0x12, 0x12, value}, -1);
}

bool EnterIsp(DeviceLayer& dev, const std::string& path) { return Send(dev, path, {0x19, 0x12, 0x12, 0x01}, -1); }

bool ExitIsp(DeviceLayer& dev, const std::string& path) { return Send(dev, path, {0x19, 0x12, 0x12, 0x00}, -9); }

bool IspWrite(DeviceLayer& dev, const std::string& path, uint32_t address, std::span<const uint8_t> data) {
  if (data.empty() || data.size() > kIspWriteMax) return false;
  Report req{0x19, 0x12, 0x12, 0x02, Lo(address), Mid(address), Hi(address), static_cast<uint8_t>(data.size())};
  std::copy(data.begin(), data.end(), req.bytes.begin() + 9);
  return dev.DeviceTransfer(path, req, nullptr, -1);
}

bool SetChannel(DeviceLayer& dev, const std::string& path, uint8_t value) {
  return Send(dev, path, {0x19, 0x12, 0x12, 0x04, value}, -1);
}

ChannelInfo GetChannel(DeviceLayer& dev, const std::string& path) {
  ChannelInfo c;
  Report a;
  c.ok = Send(dev, path, {0x19, 0x12, 0x12, 0x05}, 2, &a);
  if (c.ok) {
    c.channel = a[2];
    c.extra = {a[3], a[4], a[5]};
  }
  return c;
}

bool SetPowerSaving(DeviceLayer& dev, const std::string& path, uint8_t value) {
  return Send(dev, path, {0x19, 0x12, 0x12, 0x06, value}, -1);
}

bool IspWriteSmall(DeviceLayer& dev, const std::string& path, uint8_t value, std::span<const uint8_t> data) {
  if (data.size() > kIspWriteSmallMax) return false;
  Report req{0x19, 0x12, 0x12, 0x07, value, static_cast<uint8_t>(data.size())};
  std::copy(data.begin(), data.end(), req.bytes.begin() + 7);
  return dev.DeviceTransfer(path, req, nullptr, -1);
}

}  // namespace halvric
