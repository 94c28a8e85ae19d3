#pragma once
// The mouse's command set. Each command is a short fixed sequence of exchanges sent through a
// mouse handle (mouse.h): framed by the handle's encoding, chosen at identification
// (protocol_encoding.h), with addresses from the handle's memory map (memory_map.h).
// Every command returns false when one of its exchanges failed; a multi-exchange command stops
// at the first failed exchange.

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "device/device_layer.h"
#include "device/mouse.h"

namespace halvric {

inline constexpr int kMaxChunk = 32;

// --- memory access
bool WriteMemoryChunk(const Mouse& m, uint32_t address, std::span<const uint8_t> data);
bool WriteMemory(const Mouse& m, uint32_t address, std::span<const uint8_t> data);
bool WriteMemoryByte(const Mouse& m, uint32_t address, uint8_t value);
// Fills `buffer`; a step that got no answer leaves its part of the buffer as it was.
bool ReadMemory(const Mouse& m, uint32_t address, std::span<uint8_t> buffer,
                bool use_cache);
// The byte, or -1 when it could not be read.
int ReadMemoryByte(const Mouse& m, uint32_t address, bool use_cache);

// --- settings the mouse applies at once
bool ApplyDpiLevel(const Mouse& m, int level, uint8_t x, uint8_t y);
bool StoreDpiLevel(const Mouse& m, int level, uint8_t x, uint8_t y);
bool SelectProfileStored(const Mouse& m, int profile);
bool SelectProfileLive(const Mouse& m, int profile);
bool SetWord(const Mouse& m, uint16_t value);
bool Commit(const Mouse& m);
bool CommitAlternate(const Mouse& m);
// Level 1 and above only; on level 0 nothing is sent and the result is true.
bool Wake(const Mouse& m, int delay = 0);
bool SetLed(const Mouse& m, const std::array<uint8_t, 6>& a);
// Modes 0-4; a larger mode is refused (false, nothing sent). Levels 0-2 send nothing.
bool SetLedMode(const Mouse& m, int mode);
bool SetPair(const Mouse& m, uint8_t a1, uint8_t a2);

// --- lighting (only a mouse for which DeviceLayer::HasLighting holds gets these requests)
// Makes the mouse show the zone colours held in its memory; true without traffic for a mouse
// without lighting.
bool SendLightingApply(const Mouse& m);
// True when a stored zone colour shows without SendLightingApply.
bool ZoneWriteShowsAtOnce(const Mouse& m);

// The write guard: a mouse that reports its memory locked (bit 6 of status byte 10 clear) is woken
// before `access` and woken again after it, which locks it again. False when the status could not
// be read (nothing else is sent), or when `access` or a wake failed.
bool WithWriteGuard(const Mouse& m, const std::function<bool()>& access);

// --- read-modify-write of the settings byte
bool SetRateBits(const Mouse& m, int value);
bool SetFlagBit(const Mouse& m, int value);

// --- button assignments
bool WriteButtonAssignment(const Mouse& m, int profile, int key,
                           const std::array<uint8_t, 4>& bytes, bool commit);
bool WriteButtonParameters(const Mouse& m, int profile, int key, uint32_t value);

// --- information
struct StatusValues {
  bool ok = false;
  std::array<uint8_t, 6> values{};  // the six status values (fewer are used on long reports)
  Report raw;                       // the whole answer
};
StatusValues GetStatus(const Mouse& m);

struct Info0 {
  bool ok = false;
  uint8_t value = 0;
  uint32_t identifier = 0;  // three bytes, low first; the fourth is 0
  uint8_t value2 = 0;
  uint8_t value3 = 0;
};
Info0 GetInfo0(const Mouse& m);
bool GetInfo1(const Mouse& m, std::array<uint8_t, 2>& out);
bool GetInfo2(const Mouse& m, std::array<uint8_t, 4>& out);
// Entry i (0-15 on level 0, 0-31 on level 11+); a first value above 50 is given as 1.
bool GetInfoEntry(const Mouse& m, int index, std::array<uint8_t, 4>& out);
// Level 11+: the highest memory address of the mouse; 0 elsewhere or when it cannot be read.
int GetMemorySize(const Mouse& m);

// --- firmware upgrade (level 11 and above)
bool Pair(const Mouse& m, uint8_t value);
bool EnterIsp(const Mouse& m);
bool ExitIsp(const Mouse& m);
// At most 54 data bytes per request.
bool IspWrite(const Mouse& m, uint32_t address, std::span<const uint8_t> data);
bool SetChannel(const Mouse& m, uint8_t value);
struct ChannelInfo {
  bool ok = false;
  uint8_t channel = 0;
  std::array<uint8_t, 3> extra{};
};
ChannelInfo GetChannel(const Mouse& m);
bool SetPowerSaving(const Mouse& m, uint8_t value);
// At most 56 data bytes per request.
bool IspWriteSmall(const Mouse& m, uint8_t value, std::span<const uint8_t> data);

inline constexpr size_t kIspWriteMax = 54;
inline constexpr size_t kIspWriteSmallMax = 56;

}  // namespace halvric
