#include "device/device_commands.h"

#include <algorithm>

#include "device/mouse.h"
#include "device/protocol_encoding.h"

namespace halvric {
namespace {

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
  const Mouse m = MouseAt(dev, path);
  MirrorWrite(dev, path, address, data);
  const bool ok = m.encoding.WriteChunk(m, address, data);
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
  const Mouse m = MouseAt(dev, path);
  MirrorWrite(dev, path, address, std::span<const uint8_t>(&value, 1));
  const bool ok = m.encoding.WriteByte(m, address, value);
  if (!ok) MirrorForget(dev, path, address, 1);
  return ok;
}

bool ReadMemory(DeviceLayer& dev, const std::string& path, uint32_t address, std::span<uint8_t> buffer,
                bool use_cache) {
  const Mouse m = MouseAt(dev, path);
  const size_t step = m.encoding.ReadStep();
  const bool cache = use_cache && dev.UseCache() && dev.IsCurrent(path);
  bool ok = true;
  for (size_t offset = 0; offset < buffer.size(); offset += step) {
    const uint32_t a = address + static_cast<uint32_t>(offset);
    const size_t wanted = std::min(step, buffer.size() - offset);
    if (cache && dev.mirror().Serve(a, buffer.subspan(offset))) break;  // every remaining byte is valid
    Report req = m.encoding.ReadRequest(a);
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
  const Mouse m = MouseAt(dev, path);
  return m.encoding.ApplyDpiLevel(m, level, x, y);
}

bool StoreDpiLevel(DeviceLayer& dev, const std::string& path, int level, uint8_t x, uint8_t y) {
  level = std::clamp(level, 0, kDpiLevels - 1);
  const uint8_t xy[2] = {x, y};
  return WriteMemory(dev, path, MouseAt(dev, path).map.DpiX(level), xy);
}

bool SelectProfileStored(DeviceLayer& dev, const std::string& path, int profile) {
  const Mouse m = MouseAt(dev, path);
  return m.encoding.SelectProfileStored(m, profile);
}

bool SelectProfileLive(DeviceLayer& dev, const std::string& path, int profile) {
  const Mouse m = MouseAt(dev, path);
  return m.encoding.SelectProfileLive(m, profile);
}

bool SetWord(DeviceLayer& dev, const std::string& path, uint16_t value) {
  const Mouse m = MouseAt(dev, path);
  return m.encoding.SetWord(m, value);
}

bool Commit(DeviceLayer& dev, const std::string& path) {
  const Mouse m = MouseAt(dev, path);
  return m.encoding.Commit(m);
}

bool CommitAlternate(DeviceLayer& dev, const std::string& path) {
  const Mouse m = MouseAt(dev, path);
  return m.encoding.CommitAlternate(m);
}

bool Wake(DeviceLayer& dev, const std::string& path, int delay) {
  const Mouse m = MouseAt(dev, path);
  return m.encoding.Wake(m, delay);
}

bool SetLed(DeviceLayer& dev, const std::string& path, const std::array<uint8_t, 6>& a) {
  const Mouse m = MouseAt(dev, path);
  return m.encoding.SetLed(m, a);
}

bool SetLedMode(DeviceLayer& dev, const std::string& path, int mode) {
  if (mode < 0 || mode > 4) return false;
  dev.SetCurrentLedMode(mode);
  const Mouse m = MouseAt(dev, path);
  if (m.map.led_mode == 0) return true;  // the level stores no effect
  const auto value = static_cast<uint8_t>(mode);
  if (!WriteMemoryByte(dev, path, m.map.led_mode, value)) return false;
  return m.encoding.ShowLedMode(m, value);
}

bool SetPair(DeviceLayer& dev, const std::string& path, uint8_t a1, uint8_t a2) {
  const Mouse m = MouseAt(dev, path);
  return m.encoding.SetPair(m, a1, a2);
}

bool SendLightingApply(DeviceLayer& dev, const std::string& path) {
  if (!dev.HasLighting(path)) return true;
  const Mouse m = MouseAt(dev, path);
  return m.encoding.ApplyLighting(m);
}

bool ZoneWriteShowsAtOnce(DeviceLayer& dev, const std::string& path) {
  return dev.Encoding(path).ZoneWriteShowsAtOnce();
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

namespace {

bool ChangeSettingsByte(DeviceLayer& dev, const std::string& path, uint8_t keep_mask, uint8_t bits) {
  const uint32_t addr = MouseAt(dev, path).map.settings_byte;
  const int old = ReadMemoryByte(dev, path, addr, true);
  if (old < 0) return false;
  const auto value = static_cast<uint8_t>((old & keep_mask) | bits);
  return WriteMemoryByte(dev, path, addr, value) && Commit(dev, path);
}

}  // namespace

bool SetRateBits(DeviceLayer& dev, const std::string& path, int value) {
  const auto bits = static_cast<uint8_t>((value & 0x07) << 4);
  // Wake is no request at all on the short encoding.
  return WrappedByWake(dev, path, [&] { return ChangeSettingsByte(dev, path, 0x8F, bits); });
}

bool SetFlagBit(DeviceLayer& dev, const std::string& path, int value) {
  const auto bit = static_cast<uint8_t>(value & 0x01);
  const Mouse m = MouseAt(dev, path);
  return m.encoding.Guarded(m, [&] { return ChangeSettingsByte(dev, path, 0xFE, bit); });
}

// ---------------------------------------------------------------- button assignments

bool WriteButtonAssignment(DeviceLayer& dev, const std::string& path, int profile, int key,
                           const std::array<uint8_t, 4>& bytes, bool commit) {
  const MemoryMap map = MouseAt(dev, path).map;
  for (int plane = 0; plane < 4; ++plane) {
    if (!WriteMemoryByte(dev, path, map.Button(profile, key, plane), bytes[plane])) return false;
  }
  return !commit || Commit(dev, path);
}

bool WriteButtonParameters(DeviceLayer& dev, const std::string& path, int profile, int key, uint32_t value) {
  const MemoryMap map = MouseAt(dev, path).map;
  const uint8_t b[3] = {Lo(value), Mid(value), Hi(value)};
  for (int plane = 1; plane <= 3; ++plane) {
    if (!WriteMemoryByte(dev, path, map.Button(profile, key, plane), b[plane - 1])) return false;
  }
  return true;
}

// ---------------------------------------------------------------- information

StatusValues GetStatus(DeviceLayer& dev, const std::string& path) {
  const Mouse m = MouseAt(dev, path);
  return m.encoding.GetStatus(m);
}

Info0 GetInfo0(DeviceLayer& dev, const std::string& path) {
  const Mouse m = MouseAt(dev, path);
  return m.encoding.GetInfo0(m);
}

bool GetInfo1(DeviceLayer& dev, const std::string& path, std::array<uint8_t, 2>& out) {
  const Mouse m = MouseAt(dev, path);
  return m.encoding.GetInfo1(m, out);
}

bool GetInfo2(DeviceLayer& dev, const std::string& path, std::array<uint8_t, 4>& out) {
  const Mouse m = MouseAt(dev, path);
  return m.encoding.GetInfo2(m, out);
}

bool GetInfoEntry(DeviceLayer& dev, const std::string& path, int index, std::array<uint8_t, 4>& out) {
  const Mouse m = MouseAt(dev, path);
  if (!m.encoding.GetInfoEntry(m, index, out)) return false;
  if (out[0] > 50) out[0] = 1;
  return true;
}

int GetMemorySize(DeviceLayer& dev, const std::string& path) {
  const Mouse m = MouseAt(dev, path);
  return m.encoding.GetMemorySize(m);
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
