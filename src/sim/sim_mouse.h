#pragma once
// One simulated mouse: a model of the mouse's firmware at the level of HID reports.
//
// Wire behaviour
// --------------
// * Feature reports: 9 bytes with report id 0 (short-report models) or 64 bytes with report id 1
//   (long-report models). A Set Feature or Get Feature with another report id or another length
//   fails (returns false) and is not executed, as a real device stalls such a request.
// * Every Set Feature is checked first: a short request must carry the XOR of bytes 1-7 in byte 8
//   (not checked when byte 1 is 9: that byte is data), a long request the XOR of bytes 1-62 in
//   byte 63. A request that fails the check, names an unknown command or carries impossible
//   parameters is not executed; its answer is the error answer:
//       byte 1 = 0x7F (the error code 0x3F plus status bit 6), byte 2 = reason
//       (1 bad checksum, 2 unknown command, 3 bad parameter, 4 refused by a strict model),
//       byte 3 = the rejected byte 1.
//   After the host clears bits 7 and 6, byte 1 reads 0x3F, which no command uses.
// * Busy bit: after each Set Feature the next BusyPolls Get Features (default 1) answer with only
//   bit 7 of byte 1 set (0x80, all other bytes 0); then the answer follows. Every real answer has
//   bit 6 of byte 1 set (a status bit the host clears) and carries the request's byte 1 in bits
//   0-5. Get Features between requests return the last answer again, so the host's ready check
//   sees an idle mouse. A mouse starts with an all-zero idle answer.
// * Long answers carry the XOR of bytes 1-62 in byte 63. Short answers carry no checksum: byte 8
//   is a data byte in the memory-read and status answers, and 0 elsewhere.
//
// Commands (bytes 1 on; "long" = levels 1-10 with group byte, "L11" = level 11+)
// ------------------------------------------------------------------------------
//   status          short 00 00 .. 12     answer 2 decoy 1, 3 profile, 4 flags, 6 sensor A,
//                                          7 marker, 8 sensor B
//                   long/L11 00 00        answer 2 decoy 1, 3 profile, 4-5 active DPI X/Y,
//                                          6 marker (long only), 7 sensor A, 8 DPI state (levels
//                                          1-10; decoy 2 on L11), 9 profile, 10 flags, 12 marker
//                                          (L11), 13-14 highest memory address (L11, 0 on other
//                                          levels), 15 DPI state (L11; decoy 2 on levels 1-10),
//                                          16 profile, 17 flags, 18 LED mode, 21-22 lift word
//     The command set does not say which status position holds the DPI state; the mouse keeps it
//     where the host's GetStatus reads it and puts a distinct wrong value (a decoy: the same mask,
//     another level) in the other positions, so that a host that reads another position fails.
//   GetStatus       short 04 00 .. 12     answer 2 DPI state, 3 profile, 4 flags, 5-6 lift word,
//                                          7 LED mode
//     DPI state = current level (bits 0-2) | enabled-level mask << 3;
//     flags: bit 0 angle snapping (settings byte bit 0), bit 1 ISP mode, bit 6 write guard open.
//   marker          short 00 01 m / long 00 01 12 m: stored, echoed by the status answers; it is
//                   also the tag byte of the mouse's status and host-action input reports (so a
//                   mouse the host has deselected with marker 0 sends reports the host ignores).
//                   Until the first marker command the tag is 21.
//   Wake            long 00 12 12: toggles the write guard (first Wake opens it, the second one
//                   closes it); nothing else changes it but leaving programming mode (a restart).
//                   The guard shows in the status flags; only a strict model refuses commands
//                   while it is closed (below).
//   info            short 00 02 00 / 01 / 02 / 04 i: first information answer (2 sensor kind,
//                   3-5 identifier, 6-7 sensor values), profile count + highest DPI level,
//                   firmware version (4 bytes), information entry i (0-15)
//                   long 01 00 01 w: 60 bytes of the device record from word offset w
//                   L11 0A i 01: information entry i (0-31) in bytes 2-5
//                   Information entry i = the factory function of key i.
//   host attach     short 01 01 a b / long 01 06 a b: stored as HostMode() (a, b); no other effect.
//   memory read     short 05 00 a0 a1 a2 (7 bytes -> answer 2-8), long 01 00 00 lo hi,
//                   L11 02 lo hi (61 bytes -> answer 2-62)
//   memory write    short: 09 off d0-d5 stages six bytes at offset off (0-30) of a 36-byte
//                   buffer; 05 02 a0 a1 a2 len (1-32) writes the first len staged bytes and clears
//                   the buffer. 05 01 lo hi 00 v writes one byte.
//                   long 01 03 lo hi len data (len 1-57), L11 03 lo hi len data (len 1-58).
//   settings        short 04 01 lvl x y / long 01 07 01 x y / L11 10 x y: active DPI X/Y (short
//                   also makes lvl the current level); 04 02 p / 01 07 00 p / 0F p: active
//                   profile, also stored in memory (the short host stores it itself);
//                   04 03 p / 01 07 02 p / 11 p: active profile, live only;
//                   04 08 lo hi / 01 07 03 02 lo hi: lift word (live only).
//   Commit          short 08 00 / long 01 04 / L11 14: reload the live state from memory
//                   (active profile, DPI state, active DPI pair, settings byte, LED mode, zones).
//   CommitAlternate short 08 02 / long 01 04 02 / L11 16: the same, but keeps the active profile
//                   and DPI level (reloads values only).
//   lighting        long and L11 01 04 03 00: apply the zone table from memory to the lights;
//                   01 04 03 01 m (long) / 12 m (L11): LED mode m (0-4) live; 01 08 02 z 255 f r
//                   g b (long) / 13 z f r g b (L11): preview zone z without storing anything.
//                   The host writes the stored LED mode to memory itself.
//   SetPair         01 05 00 a b (all long levels): stored as PairSetting().
//   On level 11+, byte 1 = 0x01 accepts the whole group-1 set (01 04 03, 01 05, 01 06, 01 07 03).
//   Upgrade (level 11+ only) 18 12 12 v: radio pairing value; 19 12 12 op:
//       01 enter ISP mode, 00 leave it (the mouse restarts: live state reloaded from memory),
//       02 a0 a1 a2 len data (9 on): write len (1-54) bytes into the 64 KiB flash image and
//          acknowledge with an input report; outside ISP mode the piece is ignored and nothing is
//          acknowledged, 04 v / 05: set / get the radio channel (answer 2 channel, 3 power saving,
//          4 pairing value, 5 ISP mode), 06 v: power saving, 07 v len data: test bytes kept as
//          LastSmallWrite().
//
// Input reports (vendor input interface, usage page 0xFF23)
// ----------------------------------------------------------
// Short models send 16-byte reports with report id 11, long models 64-byte reports with report
// id 1. Status (byte 1 = 12) and host-action (13) reports end with the tag at n-2 and a checksum
// at n-1 (the XOR of bytes 1 to n-1 is zero). Status: 2 DPI level, 3-4 its X/Y, 5 profile,
// 6 bit 0 angle snapping / bit 7 DPI-scroll mode, 7-8 lift word, 11-12 sensor reading (byte 11 +
// 255 x byte 12), 13 sensor level. Movement (11): 2 bit 0 touch, 4-5 dx, 6-7 dy, 9 tilt steps.
// Upgrade acknowledgement: 01 13 13, 3 piece length, 4-6 address, 7 status (0 = written), with
// the checksum at n-1; a model with acks_on_config_interface sends it as a 64-byte report on the
// configuration interface (usage page 0xFF18) instead. Status reports are sent when a button is pressed (PressDpiButton,
// PressProfileButton, SetDpiScrollMode), not when the host changes a setting. The queue keeps
// at most 256 reports (the oldest is dropped), like the kernel's report buffer.
//
// Strict models
// -------------
// A strict model ("<level>-strict") stops agreeing with whatever the host sends where the command
// set is silent. It accepts memory writes below address 32 only at the bytes a command writes:
// the DPI pairs, the settings byte, the lighting effect byte (mice with lighting), level 0's
// profile byte and its profile record 0 (from byte 16), and level 11's DPI state; a write that covers the whole of 0-31 at once (the reset
// to defaults, a restore) may change everything. On levels 1-10 it takes the profile selections
// (01 07 00, 01 07 02) and the LED mode (01 04 03 01) only while the write guard is open. Anything
// else is refused: not carried out, answered with the error answer (reason 4), and its Set
// Feature fails, so the host sees it.
//
// Memory
// ------
// memory_size bytes, repeated across the address space (address modulo size), so the host's
// size probe by mirror comparison finds the size. See factory_image.h for the default content.
//
// Thread safety: all members may be called from any thread; one internal mutex guards the state.

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <nlohmann/json.hpp>
#include <span>
#include <string>
#include <vector>

#include "sim/fault_schedule.h"
#include "sim/sim_models.h"

namespace halvric::sim {

class SimMouse {
 public:
  explicit SimMouse(const ModelSpec& model);
  SimMouse(const SimMouse&) = delete;
  SimMouse& operator=(const SimMouse&) = delete;

  const ModelSpec& Model() const { return model_; }

  // Memory, addressed modulo the model's size.
  std::vector<uint8_t> ReadMemory(uint32_t addr, size_t len) const;
  void WriteMemory(uint32_t addr, std::span<const uint8_t> data);

  // Live state.
  int ActiveProfile() const;
  int DpiLevel() const;
  int DpiMask() const;
  uint8_t DpiX() const;
  uint8_t DpiY() const;
  int LedMode() const;
  uint8_t Marker() const;
  uint16_t LiftWord() const;
  uint8_t SettingsByte() const;
  std::array<uint8_t, 2> PairSetting() const;
  std::array<uint8_t, 2> HostMode() const;
  std::array<uint8_t, 4> LiveZone(int zone) const;  // flags, r, g, b as the lights show them
  bool WriteGuardOpen() const;
  int CommitCount() const;
  int AlternateCommitCount() const;
  int LightingApplyCount() const;
  int WakeCount() const;
  int RejectedRequests() const;  // requests answered with the error answer
  int RequestCount() const;      // Set Features received (valid or not)
  // Upgrade state.
  bool IspActive() const;
  uint8_t RadioChannel() const;
  uint8_t PowerSaving() const;
  uint8_t RadioPairValue() const;
  int IspWriteCount() const;
  std::vector<uint8_t> Flash(uint32_t addr, size_t len) const;
  std::vector<uint8_t> LastSmallWrite() const;

  // Input reports, queued for the vendor input interface.
  // Makes `level` current as the mouse's DPI button does. On level 11 the button skips the levels
  // that the enable mask in memory byte 2 turns off: a disabled level gives the next enabled one.
  void PressDpiButton(int level);
  void PressProfileButton(int profile);
  void SetDpiScrollMode(bool on);  // sends a status report with bit 7 of byte 6 as given
  void SetSensor(uint16_t reading, uint8_t level);
  void PushMovement(bool touch, int16_t dx, int16_t dy, int8_t tilt);
  void PushHostAction(uint8_t action);
  void PushInputReport(std::vector<uint8_t> report);  // sent as given
  size_t PendingInputReports() const;

  // Faults.
  void SetBusyPolls(int n);
  void SetStuckBusy(bool on);
  void SetUnplugged(bool on);
  // Listed, but its nodes refuse to open for lack of permission (no udev rule for the user).
  void SetOpenRefused(bool on);
  bool OpenRefused() const;
  void SetGarbageAnswers(bool on);
  void SetDropAnswers(bool on);
  void SetLatency(std::chrono::microseconds latency);
  void UnplugAfterTransfers(int n);  // n more transfers succeed, then the mouse is gone
  void NackNextIspWrites(int n);     // the next n upgrade pieces are acknowledged with status 1
  // After `after` more acknowledged upgrade writes, the next n are acknowledged with status 1.
  void NackIspWritesAfter(int after, int n);
  // Programming writes are ignored: neither written nor acknowledged (kept in the state).
  void SetIspSilent(bool on);
  // The next n upgrade pieces are acknowledged with status 0 for another address and not written.
  void AckIspWritesElsewhere(int n);
  // Memory writes stall: their Set Feature fails and nothing is written.
  void StallMemoryWrites(bool on);
  // After `after` more requests, the next n are carried out but their answers come late: Get
  // Feature keeps returning the answer that was there before (a stale answer).
  void SetStaleAnswers(int n, int after = 0);
  bool Unplugged() const;
  // A fault at one feature exchange, counted from now (fault_schedule.h). ClearFaults drops a
  // fault not yet reached and ends the lasting ones: the mouse is plugged in and idle again.
  void ScheduleFault(const PlannedFault& fault);
  void ClearFaults();
  uint64_t FeatureExchanges() const;  // Get and Set Features received so far

  // State (model, memory, live state) as JSON. Load throws std::runtime_error on a state of
  // another model or a malformed one, leaving the mouse unchanged.
  nlohmann::json Save() const;
  void Load(const nlohmann::json& state);
  uint64_t ChangeCount() const;  // grows with every change of memory or live state

  // Wire side, used by the simulated HID backend.
  bool WireSetFeature(std::span<const uint8_t> report);
  bool WireGetFeature(std::span<uint8_t> report);
  // A negative time-out waits until a report comes, the mouse is unplugged or WireCancelReads.
  // `config_interface`: read the reports of the configuration interface (usage page 0xFF18)
  // instead of those of the input interface (0xFF23).
  int WireReadInput(std::span<uint8_t> buf, int timeout_ms, bool config_interface = false);
  // For interfaces that carry no vendor reports: waits out the time-out; 0, or -1 once unplugged.
  int WireWaitIdle(int timeout_ms);
  // Wakes every read waiting now; each returns 0 (the handle's CancelIo).
  void WireCancelReads();
  // Copies the payload of string `index` into `out`; returns the bytes copied, -1 on failure.
  int WireIndexedString(int index, std::span<uint8_t> out);

 private:
  using Report = std::array<uint8_t, 64>;
  enum ErrorReason : uint8_t { kBadChecksum = 1, kUnknownCommand = 2, kBadParameter = 3, kRefused = 4 };

  size_t FeatureLength() const { return model_.long_reports ? 64 : 9; }
  uint8_t FeatureReportId() const { return model_.long_reports ? 1 : 0; }
  // Counts one feature exchange for the fault schedule and starts a lasting fault it reaches.
  FaultSchedule::Effect CountExchange(bool get);
  bool TransferAllowed();  // counts the transfer for UnplugAfterTransfers; false when unplugged
  void Sleep() const;

  // A memory write request's address and length.
  struct MemoryWrite {
    uint32_t address = 0;
    uint32_t length = 0;
  };
  std::optional<MemoryWrite> MemoryWriteOf(const Report& req) const;

  // Command execution (firmware_commands.cpp), all with mu_ held. Execute returns false when the
  // strict model refused the request (the Set Feature then fails, as a stalled request does).
  bool Execute(const Report& req);
  bool StrictAllows(const Report& req) const;
  bool ExecuteShort(const Report& req, Report& ans);
  bool ExecuteGroup0(const Report& req, Report& ans);
  bool ExecuteGroup1(const Report& req, Report& ans);
  bool ExecuteLevel11(const Report& req, Report& ans);
  bool ExecuteUpgrade(const Report& req, Report& ans);
  void FillLongStatus(Report& ans) const;
  void Reload(bool keep_selection);
  uint8_t DpiState() const;
  uint8_t DecoyState(int n) const;  // a value for status positions that do not carry the DPI state
  uint8_t StatusFlags() const;
  void SetError(Report& ans, uint8_t cmd, ErrorReason reason);

  uint8_t Mem(uint32_t addr) const { return memory_[addr % memory_.size()]; }
  void SetMem(uint32_t addr, uint8_t v) { memory_[addr % memory_.size()] = v; }
  void QueueInput(std::vector<uint8_t> report, bool config_interface = false);
  void QueueStatusReport();
  void QueueTagged(std::vector<uint8_t> report);
  void QueueIspAck(uint32_t addr, uint8_t length, uint8_t status);
  uint32_t NextRandom();

  const ModelSpec model_;
  const uint32_t zone_table_;
  const int zone_count_;

  mutable std::mutex mu_;
  std::condition_variable input_cv_;
  uint64_t read_cancels_ = 0;  // raised by WireCancelReads

  std::vector<uint8_t> memory_;
  // Live state.
  int active_profile_ = 0;
  int dpi_level_ = 1;  // below level 11 the firmware starts on level 1, all levels enabled
  int dpi_mask_ = 0x1F;
  uint8_t dpi_x_ = 0;
  uint8_t dpi_y_ = 0;
  int led_mode_ = 0;
  uint8_t marker_ = 0;
  uint8_t tag_ = 21;
  uint16_t lift_ = 0;
  uint8_t settings_ = 0;
  std::array<uint8_t, 2> pair_{};
  std::array<uint8_t, 2> host_mode_{};
  std::array<std::array<uint8_t, 4>, 16> zones_{};
  bool guard_open_ = false;
  bool dpi_scroll_ = false;
  uint16_t sensor_reading_ = 0;
  uint8_t sensor_level_ = 0;
  int commit_count_ = 0;
  int alternate_commit_count_ = 0;
  int lighting_apply_count_ = 0;
  int wake_count_ = 0;
  int rejected_ = 0;
  int requests_ = 0;
  std::array<uint8_t, 36> staging_{};
  // Upgrade state.
  bool isp_ = false;
  uint8_t channel_ = 0;
  uint8_t power_saving_ = 0;
  uint8_t radio_pair_ = 0;
  int isp_writes_ = 0;
  int nack_isp_ = 0;
  int nack_after_ = 0;
  int ack_elsewhere_ = 0;
  bool isp_silent_ = false;
  std::vector<uint8_t> flash_;  // 64 KiB, allocated at the first upgrade write
  std::vector<uint8_t> small_write_;

  // Wire state.
  Report answer_{};
  int busy_left_ = 0;
  int busy_polls_ = 1;
  bool stuck_busy_ = false;
  bool unplugged_ = false;
  bool open_refused_ = false;
  bool garbage_ = false;
  bool drop_ = false;
  bool stall_writes_ = false;
  int stale_answers_ = 0;
  int stale_after_ = 0;
  std::chrono::microseconds latency_{0};
  int unplug_after_ = -1;
  FaultSchedule faults_;
  uint32_t rng_ = 0x2545F491u;
  std::deque<std::vector<uint8_t>> input_;
  std::deque<std::vector<uint8_t>> config_input_;  // reports sent on the configuration interface
  uint64_t changes_ = 0;
};

}  // namespace halvric::sim
