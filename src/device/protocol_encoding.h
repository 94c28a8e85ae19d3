#pragma once
// How the mouse's commands are framed on the wire. There are three encodings: short reports
// (protocol level 0), long reports with a group byte (levels 1-10) and long reports with the
// operation in byte 1 (level 11 and above). The device layer picks one per interface when it
// identifies it; the commands in device_commands.h go through it and never look at the level.

#include <array>
#include <cstdint>
#include <functional>
#include <span>

#include "device/device_info.h"
#include "device/report.h"

namespace halvric {

struct Mouse;
struct StatusValues;
struct Info0;

// What the programs need to know about a mouse's firmware generation beyond the commands.
struct EncodingTraits {
  bool short_reports = false;  // 9-byte feature reports; the model's short-report picture and name
  // 32-key button planes: the two extra keys sit at 30 and 31, where older mice had 22 and 23.
  bool wide_key_planes = false;
};

class ProtocolEncoding {
 public:
  virtual ~ProtocolEncoding() = default;

  virtual EncodingTraits Traits() const = 0;

  // --- memory access (the memory mirror is kept by the callers)
  // Sends one chunk of at most 32 bytes.
  virtual bool WriteChunk(const Mouse& m, uint32_t address, std::span<const uint8_t> data) const = 0;
  virtual bool WriteByte(const Mouse& m, uint32_t address, uint8_t value) const = 0;
  // Bytes one read request answers, and the request for the bytes from `address` on.
  virtual size_t ReadStep() const = 0;
  virtual Report ReadRequest(uint32_t address) const = 0;

  // --- settings the mouse applies at once
  virtual bool ApplyDpiLevel(const Mouse& m, int level, uint8_t x, uint8_t y) const = 0;
  virtual bool SelectProfileStored(const Mouse& m, int profile) const = 0;
  virtual bool SelectProfileLive(const Mouse& m, int profile) const = 0;
  virtual bool SetWord(const Mouse& m, uint16_t value) const = 0;
  virtual bool Commit(const Mouse& m) const = 0;
  virtual bool CommitAlternate(const Mouse& m) const = 0;
  // The wake request; an encoding without one sends nothing and succeeds.
  virtual bool Wake(const Mouse& m, int delay) const = 0;
  virtual bool SetLed(const Mouse& m, const std::array<uint8_t, 6>& a) const = 0;
  // Shows the stored effect `mode` (already written to memory).
  virtual bool ShowLedMode(const Mouse& m, uint8_t mode) const = 0;
  virtual bool SetPair(const Mouse& m, uint8_t a1, uint8_t a2) const = 0;
  // Runs a settings change: inside the write guard where the encoding needs one, else directly.
  virtual bool Guarded(const Mouse& m, const std::function<bool()>& access) const = 0;
  // The request that makes the mouse show the zone colours held in its memory.
  virtual bool ApplyLighting(const Mouse& m) const = 0;
  // True when a stored zone colour shows without a lighting apply request.
  virtual bool ZoneWriteShowsAtOnce() const = 0;

  // --- information
  virtual StatusValues GetStatus(const Mouse& m) const = 0;
  virtual Info0 GetInfo0(const Mouse& m) const = 0;
  virtual bool GetInfo1(const Mouse& m, std::array<uint8_t, 2>& out) const = 0;
  virtual bool GetInfo2(const Mouse& m, std::array<uint8_t, 4>& out) const = 0;
  // Entry `index` before the first value is limited.
  virtual bool GetInfoEntry(const Mouse& m, int index, std::array<uint8_t, 4>& out) const = 0;
  // 0 when the encoding has no such request.
  virtual int GetMemorySize(const Mouse& m) const = 0;

  // Fills the information entries (and on levels 1-10 the whole record) at identification of a
  // long-report mouse.
  virtual void ReadIdentityRecord(const Mouse& m, std::array<uint8_t, kDeviceRecordSize>& record) const = 0;

  // --- selection marker: one try of sending `marker`; true when the mouse echoed it.
  virtual bool SendMarker(const Mouse& m, uint8_t marker) const = 0;
};

// The encoding of a protocol level.
const ProtocolEncoding& EncodingFor(int protocol_level);

}  // namespace halvric
