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
bool Send(const Mouse& m, Report request, int delay, Report* answer = nullptr) {
  Report scratch;
  return m.dev->DeviceTransfer(m.path, request, answer != nullptr ? answer : &scratch, delay);
}

// Wake before and after the body; the closing Wake is sent even when the body failed, so that
// the write guard never stays open.
bool WrappedByWake(const Mouse& m, const auto& body) {
  if (!Wake(m)) return false;
  const bool ok = body();
  return Wake(m) && ok;
}

void MirrorWrite(const Mouse& m, uint32_t address, std::span<const uint8_t> data) {
  if (m.dev->IsCurrent(m.path)) m.dev->mirror().Store(address, data);
}

void MirrorForget(const Mouse& m, uint32_t address, size_t length) {
  if (m.dev->IsCurrent(m.path)) m.dev->mirror().Invalidate(address, length);
}

}  // namespace

// ---------------------------------------------------------------- memory access

bool WriteMemoryChunk(const Mouse& m, uint32_t address, std::span<const uint8_t> data) {
  if (data.empty() || data.size() > static_cast<size_t>(kMaxChunk)) return false;
  MirrorWrite(m, address, data);
  const bool ok = m.encoding->WriteChunk(m, address, data);
  if (!ok) MirrorForget(m, address, data.size());
  return ok;
}

bool WriteMemory(const Mouse& m, uint32_t address, std::span<const uint8_t> data) {
  if (data.empty()) return false;
  for (size_t offset = 0; offset < data.size(); offset += kMaxChunk) {
    const size_t n = std::min<size_t>(kMaxChunk, data.size() - offset);
    if (!WriteMemoryChunk(m, address + static_cast<uint32_t>(offset), data.subspan(offset, n))) return false;
  }
  return true;
}

bool WriteMemoryByte(const Mouse& m, uint32_t address, uint8_t value) {
  MirrorWrite(m, address, std::span<const uint8_t>(&value, 1));
  const bool ok = m.encoding->WriteByte(m, address, value);
  if (!ok) MirrorForget(m, address, 1);
  return ok;
}

namespace {

// Tries of one read step whose answer does not carry the read command.
constexpr int kReadStepTries = 3;

// One read request and its answer. The answer's byte 1 carries the command it answers; an
// answer that carries another one is not this step's memory (garbled on the way, or a stale
// answer of an earlier request) and is asked for again. A failed exchange fails at once: the
// mouse is gone or stays busy, and asking again would only wait out the handshake again.
bool ReadStep(const Mouse& m, uint32_t address, Report& answer) {
  for (int attempt = 0; attempt < kReadStepTries; ++attempt) {
    Report req = m.encoding->ReadRequest(address);
    if (!m.dev->DeviceTransfer(m.path, req, &answer, 0)) return false;
    if (answer.bytes[1] == (req.bytes[1] & 0x3F)) return true;
  }
  return false;
}

}  // namespace

bool ReadMemory(const Mouse& m, uint32_t address, std::span<uint8_t> buffer,
                bool use_cache) {
  const size_t step = m.encoding->ReadStep();
  const bool cache = use_cache && m.dev->UseCache() && m.dev->IsCurrent(m.path);
  bool ok = true;
  for (size_t offset = 0; offset < buffer.size(); offset += step) {
    const uint32_t a = address + static_cast<uint32_t>(offset);
    const size_t wanted = std::min(step, buffer.size() - offset);
    if (cache && m.dev->mirror().Serve(a, buffer.subspan(offset))) break;  // every remaining byte is valid
    Report answer;
    if (!ReadStep(m, a, answer)) {
      ok = false;
      break;
    }
    std::copy_n(answer.bytes.begin() + 2, wanted, buffer.begin() + offset);
    if (m.dev->IsCurrent(m.path)) m.dev->mirror().Store(a, std::span<const uint8_t>(answer.bytes.data() + 2, step));
  }
  return ok;
}

int ReadMemoryByte(const Mouse& m, uint32_t address, bool use_cache) {
  uint8_t b = 0;
  if (!ReadMemory(m, address, std::span<uint8_t>(&b, 1), use_cache)) return -1;
  return b;
}

// ---------------------------------------------------------------- settings

bool ApplyDpiLevel(const Mouse& m, int level, uint8_t x, uint8_t y) {
  return m.encoding->ApplyDpiLevel(m, level, x, y);
}

bool StoreDpiLevel(const Mouse& m, int level, uint8_t x, uint8_t y) {
  level = std::clamp(level, 0, kDpiLevels - 1);
  const uint8_t xy[2] = {x, y};
  return WriteMemory(m, m.map.DpiX(level), xy);
}

bool SelectProfileStored(const Mouse& m, int profile) {
  return m.encoding->SelectProfileStored(m, profile);
}

bool SelectProfileLive(const Mouse& m, int profile) {
  return m.encoding->SelectProfileLive(m, profile);
}

bool SetWord(const Mouse& m, uint16_t value) {
  return m.encoding->SetWord(m, value);
}

bool Commit(const Mouse& m) {
  return m.encoding->Commit(m);
}

bool CommitAlternate(const Mouse& m) {
  return m.encoding->CommitAlternate(m);
}

bool Wake(const Mouse& m, int delay) {
  return m.encoding->Wake(m, delay);
}

bool SetLed(const Mouse& m, const std::array<uint8_t, 6>& a) {
  return m.encoding->SetLed(m, a);
}

bool SetLedMode(const Mouse& m, int mode) {
  if (mode < 0 || mode > 4) return false;
  m.dev->SetCurrentLedMode(mode);
  if (m.map.led_mode == 0) return true;  // the level stores no effect
  const auto value = static_cast<uint8_t>(mode);
  if (!WriteMemoryByte(m, m.map.led_mode, value)) return false;
  return m.encoding->ShowLedMode(m, value);
}

bool SetPair(const Mouse& m, uint8_t a1, uint8_t a2) {
  return m.encoding->SetPair(m, a1, a2);
}

bool SendLightingApply(const Mouse& m) {
  if (!m.dev->HasLighting(m.path)) return true;
  return m.encoding->ApplyLighting(m);
}

bool ZoneWriteShowsAtOnce(const Mouse& m) {
  return m.encoding->ZoneWriteShowsAtOnce();
}

bool WithWriteGuard(const Mouse& m, const std::function<bool()>& access) {
  const StatusValues st = GetStatus(m);
  if (!st.ok) return false;
  const bool locked = (st.raw[10] & 0x40) == 0;
  if (locked && !Wake(m)) return false;
  const bool ok = access();
  // The guard is closed again even when the access failed.
  if (locked && !Wake(m)) return false;
  return ok;
}

// ---------------------------------------------------------------- settings byte

namespace {

bool ChangeSettingsByte(const Mouse& m, uint8_t keep_mask, uint8_t bits) {
  const uint32_t addr = m.map.settings_byte;
  const int old = ReadMemoryByte(m, addr, true);
  if (old < 0) return false;
  const auto value = static_cast<uint8_t>((old & keep_mask) | bits);
  return WriteMemoryByte(m, addr, value) && Commit(m);
}

}  // namespace

bool SetRateBits(const Mouse& m, int value) {
  const auto bits = static_cast<uint8_t>((value & 0x07) << 4);
  // Wake is no request at all on the short encoding.
  return WrappedByWake(m, [&] { return ChangeSettingsByte(m, 0x8F, bits); });
}

bool SetFlagBit(const Mouse& m, int value) {
  const auto bit = static_cast<uint8_t>(value & 0x01);
  return m.encoding->Guarded(m, [&] { return ChangeSettingsByte(m, 0xFE, bit); });
}

// ---------------------------------------------------------------- button assignments

bool WriteButtonAssignment(const Mouse& m, int profile, int key,
                           const std::array<uint8_t, 4>& bytes, bool commit) {
  const MemoryMap map = m.map;
  for (int plane = 0; plane < 4; ++plane) {
    if (!WriteMemoryByte(m, map.Button(profile, key, plane), bytes[plane])) return false;
  }
  return !commit || Commit(m);
}

bool WriteButtonParameters(const Mouse& m, int profile, int key, uint32_t value) {
  const MemoryMap map = m.map;
  const uint8_t b[3] = {Lo(value), Mid(value), Hi(value)};
  for (int plane = 1; plane <= 3; ++plane) {
    if (!WriteMemoryByte(m, map.Button(profile, key, plane), b[plane - 1])) return false;
  }
  return true;
}

// ---------------------------------------------------------------- information

StatusValues GetStatus(const Mouse& m) {
  // The status answer carries the status command in byte 1 (4 on level 0, 0 above); another
  // value is not this answer (garbled, or stale) and the status is asked for again.
  const uint8_t command = m.dev->ProtocolLevel(m.path) == 0 ? 0x04 : 0x00;
  StatusValues st;
  for (int attempt = 0; attempt < kReadStepTries; ++attempt) {
    st = m.encoding->GetStatus(m);
    if (!st.ok || st.raw[1] == command) return st;
  }
  st.ok = false;
  return st;
}

Info0 GetInfo0(const Mouse& m) {
  return m.encoding->GetInfo0(m);
}

bool GetInfo1(const Mouse& m, std::array<uint8_t, 2>& out) {
  return m.encoding->GetInfo1(m, out);
}

bool GetInfo2(const Mouse& m, std::array<uint8_t, 4>& out) {
  return m.encoding->GetInfo2(m, out);
}

bool GetInfoEntry(const Mouse& m, int index, std::array<uint8_t, 4>& out) {
  if (!m.encoding->GetInfoEntry(m, index, out)) return false;
  if (out[0] > 50) out[0] = 1;
  return true;
}

int GetMemorySize(const Mouse& m) {
  return m.encoding->GetMemorySize(m);
}

// ---------------------------------------------------------------- firmware upgrade

bool Pair(const Mouse& m, uint8_t value) {
  return Send(m, {0x18, 0x12, 0x12, value}, -1);
}

bool EnterIsp(const Mouse& m) { return Send(m, {0x19, 0x12, 0x12, 0x01}, -1); }

bool ExitIsp(const Mouse& m) { return Send(m, {0x19, 0x12, 0x12, 0x00}, -9); }

bool IspWrite(const Mouse& m, uint32_t address, std::span<const uint8_t> data) {
  if (data.empty() || data.size() > kIspWriteMax) return false;
  Report req{0x19, 0x12, 0x12, 0x02, Lo(address), Mid(address), Hi(address), static_cast<uint8_t>(data.size())};
  std::copy(data.begin(), data.end(), req.bytes.begin() + 9);
  return m.dev->DeviceTransfer(m.path, req, nullptr, -1);
}

bool SetChannel(const Mouse& m, uint8_t value) {
  return Send(m, {0x19, 0x12, 0x12, 0x04, value}, -1);
}

ChannelInfo GetChannel(const Mouse& m) {
  ChannelInfo c;
  Report a;
  c.ok = Send(m, {0x19, 0x12, 0x12, 0x05}, 2, &a);
  if (c.ok) {
    c.channel = a[2];
    c.extra = {a[3], a[4], a[5]};
  }
  return c;
}

bool SetPowerSaving(const Mouse& m, uint8_t value) {
  return Send(m, {0x19, 0x12, 0x12, 0x06, value}, -1);
}

bool IspWriteSmall(const Mouse& m, uint8_t value, std::span<const uint8_t> data) {
  if (data.size() > kIspWriteSmallMax) return false;
  Report req{0x19, 0x12, 0x12, 0x07, value, static_cast<uint8_t>(data.size())};
  std::copy(data.begin(), data.end(), req.bytes.begin() + 7);
  return m.dev->DeviceTransfer(m.path, req, nullptr, -1);
}

}  // namespace halvric
