#pragma once
// The mouse's command set. Each command is a short fixed sequence of exchanges addressed by
// interface path, framed by the encoding the device layer chose for the path at identification
// (protocol_encoding.h); addresses come from the path's memory map (memory_map.h).
// Every command returns false when one of its exchanges failed; a multi-exchange command stops
// at the first failed exchange.

#include <array>
#include <functional>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "device/device_layer.h"

namespace halvric {

inline constexpr int kMaxChunk = 32;

// --- memory access
bool WriteMemoryChunk(DeviceLayer& dev, const std::string& path, uint32_t address, std::span<const uint8_t> data);
bool WriteMemory(DeviceLayer& dev, const std::string& path, uint32_t address, std::span<const uint8_t> data);
bool WriteMemoryByte(DeviceLayer& dev, const std::string& path, uint32_t address, uint8_t value);
// Fills `buffer`; a step that got no answer leaves its part of the buffer as it was.
bool ReadMemory(DeviceLayer& dev, const std::string& path, uint32_t address, std::span<uint8_t> buffer,
                bool use_cache);
// The byte, or -1 when it could not be read.
int ReadMemoryByte(DeviceLayer& dev, const std::string& path, uint32_t address, bool use_cache);

// --- settings the mouse applies at once
bool ApplyDpiLevel(DeviceLayer& dev, const std::string& path, int level, uint8_t x, uint8_t y);
bool StoreDpiLevel(DeviceLayer& dev, const std::string& path, int level, uint8_t x, uint8_t y);
bool SelectProfileStored(DeviceLayer& dev, const std::string& path, int profile);
bool SelectProfileLive(DeviceLayer& dev, const std::string& path, int profile);
bool SetWord(DeviceLayer& dev, const std::string& path, uint16_t value);
bool Commit(DeviceLayer& dev, const std::string& path);
bool CommitAlternate(DeviceLayer& dev, const std::string& path);
// Level 1 and above only; on level 0 nothing is sent and the result is true.
bool Wake(DeviceLayer& dev, const std::string& path, int delay = 0);
bool SetLed(DeviceLayer& dev, const std::string& path, const std::array<uint8_t, 6>& a);
// Modes 0-4; a larger mode is refused (false, nothing sent). Levels 0-2 send nothing.
bool SetLedMode(DeviceLayer& dev, const std::string& path, int mode);
bool SetPair(DeviceLayer& dev, const std::string& path, uint8_t a1, uint8_t a2);

// --- lighting (only a mouse for which DeviceLayer::HasLighting holds gets these requests)
// Makes the mouse show the zone colours held in its memory; true without traffic for a mouse
// without lighting.
bool SendLightingApply(DeviceLayer& dev, const std::string& path);
// True when a stored zone colour shows without SendLightingApply.
bool ZoneWriteShowsAtOnce(DeviceLayer& dev, const std::string& path);

// The write guard: a mouse that reports its memory locked (bit 6 of status byte 10 clear) is woken
// before `access` and woken again after it, which locks it again. False when the status could not
// be read (nothing else is sent), or when `access` or a wake failed.
bool WithWriteGuard(DeviceLayer& dev, const std::string& path, const std::function<bool()>& access);

// --- read-modify-write of the settings byte
bool SetRateBits(DeviceLayer& dev, const std::string& path, int value);
bool SetFlagBit(DeviceLayer& dev, const std::string& path, int value);

// --- button assignments
bool WriteButtonAssignment(DeviceLayer& dev, const std::string& path, int profile, int key,
                           const std::array<uint8_t, 4>& bytes, bool commit);
bool WriteButtonParameters(DeviceLayer& dev, const std::string& path, int profile, int key, uint32_t value);

// --- information
struct StatusValues {
  bool ok = false;
  std::array<uint8_t, 6> values{};  // the six status values (fewer are used on long reports)
  Report raw;                       // the whole answer
};
StatusValues GetStatus(DeviceLayer& dev, const std::string& path);

struct Info0 {
  bool ok = false;
  uint8_t value = 0;
  uint32_t identifier = 0;  // three bytes, low first; the fourth is 0
  uint8_t value2 = 0;
  uint8_t value3 = 0;
};
Info0 GetInfo0(DeviceLayer& dev, const std::string& path);
bool GetInfo1(DeviceLayer& dev, const std::string& path, std::array<uint8_t, 2>& out);
bool GetInfo2(DeviceLayer& dev, const std::string& path, std::array<uint8_t, 4>& out);
// Entry i (0-15 on level 0, 0-31 on level 11+); a first value above 50 is given as 1.
bool GetInfoEntry(DeviceLayer& dev, const std::string& path, int index, std::array<uint8_t, 4>& out);
// Level 11+: the highest memory address of the mouse; 0 elsewhere or when it cannot be read.
int GetMemorySize(DeviceLayer& dev, const std::string& path);

// --- firmware upgrade (level 11 and above)
bool Pair(DeviceLayer& dev, const std::string& path, uint8_t value);
bool EnterIsp(DeviceLayer& dev, const std::string& path);
bool ExitIsp(DeviceLayer& dev, const std::string& path);
// At most 54 data bytes per request.
bool IspWrite(DeviceLayer& dev, const std::string& path, uint32_t address, std::span<const uint8_t> data);
bool SetChannel(DeviceLayer& dev, const std::string& path, uint8_t value);
struct ChannelInfo {
  bool ok = false;
  uint8_t channel = 0;
  std::array<uint8_t, 3> extra{};
};
ChannelInfo GetChannel(DeviceLayer& dev, const std::string& path);
bool SetPowerSaving(DeviceLayer& dev, const std::string& path, uint8_t value);
// At most 56 data bytes per request.
bool IspWriteSmall(DeviceLayer& dev, const std::string& path, uint8_t value, std::span<const uint8_t> data);

inline constexpr size_t kIspWriteMax = 54;
inline constexpr size_t kIspWriteSmallMax = 56;

}  // namespace halvric
