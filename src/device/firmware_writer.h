#pragma once
// The firmware write: sends a loaded image into a mouse that is in its programming mode, piece by
// piece, waiting after each piece for the mouse's acknowledgement.
//
// Sequence on the write thread:
//   (auto-backup hook) -> (optional: SetChannel 0, EnterIsp) -> opening mark (four zero bytes at
//   0x5FFC, acknowledged within open_wait or "write error!!") -> the pieces of PlanUpgradePieces
//   from address 8, each resent until the mouse acknowledges it with status 0 for its address ->
//   closing mark (05 03 18 12 at 0x5FFC, acknowledgement awaited up to close_wait) -> message
//   "count %d, %dms (err count=%d)" -> ExitIsp.
// Image bytes 250 and 251 are sent as 0.
// An abort ends the write after the current piece with "abort!!" (no closing mark, the mouse
// stays in programming mode unless it took nothing, see leave_isp_when_untouched). A mouse that disappears (its input interface fails, or three sends
// in a row fail) ends the write with "write error!!" at once instead of resending for ever.
//
// Acknowledgements are read on the thread from both of the mouse's vendor input interfaces (usage
// pages 0xFF23 and 0xFF18) into the acknowledgement slot; other input reports on them are consumed
// and dropped while the write runs.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <thread>

#include "device/device_layer.h"
#include "device/intel_hex.h"
#include "device/upgrade_ack.h"
#include "device/upgrade_pieces.h"

namespace halvric {

// Mice that take a firmware upgrade: long reports with the operation in byte 1 (level 11 and
// above) and the upgrade feature bit set. The window's F9 and `halvricctl flash` both ask this.
inline constexpr uint32_t kUpgradeFeatureFlag = 0x40;
inline bool TakesFirmwareUpgrade(const DeviceInfo& info) {
  return info.protocol_level >= 11 && (info.feature_flags & kUpgradeFeatureFlag) != 0;
}

inline constexpr uint32_t kUpgradeMarkAddress = 0x5FFC;
inline constexpr char kUpgradeWriteError[] = "write error!!";
inline constexpr char kUpgradeAbortMessage[] = "abort!!";
inline constexpr char kUpgradeBackupError[] = "backup error!! nothing was written";
// Sends that fail one after another before the mouse counts as gone.
inline constexpr int kUpgradeSendFailureLimit = 3;

struct UpgradeTimings {
  std::chrono::milliseconds open_wait{1100};   // for the opening mark's acknowledgement
  std::chrono::milliseconds piece_wait{505};   // for each piece's acknowledgement
  std::chrono::milliseconds close_wait{101};   // for the closing mark's acknowledgement
  std::chrono::milliseconds poll_slice{20};    // longest single input read (abort latency)
};

// Where the write stands, given before each piece is sent.
struct UpgradeProgress {
  UpgradePiece piece;
  int pieces_done = 0;
  int pieces_total = 0;
  int errors = 0;
  double Fraction() const { return pieces_total > 0 ? static_cast<double>(pieces_done) / pieces_total : 1.0; }
};

// "%04X, %02X   ,%d (err count=%d)": address, address + length, length, errors.
std::string FormatProgressLine(const UpgradeProgress& progress);
// "count %d, %dms (err count=%d)".
std::string FormatUpgradeDone(int pieces, long long milliseconds, int errors);

enum class UpgradeOutcome { kIdle, kWriting, kCompleted, kAborted, kFailed };

// Where a write left the mouse's programming mode.
enum class IspAfterWrite {
  kNotEntered,  // the write put nothing into the mouse and did not enter programming mode
  kLeft,        // the mouse took ExitIsp: after a complete image, or when it took nothing of it
  kStays,       // the mouse stays, or may stay, in programming mode (part of the image may be written)
};

struct UpgradeWriteOptions {
  // Sends SetChannel(0) and EnterIsp before the opening mark (the window has its own button for it).
  bool enter_isp = false;
  // When the write fails or is aborted before the mouse took anything (the opening mark was not
  // acknowledged and no piece of the image was sent), sends ExitIsp so that the mouse goes back
  // to its old firmware. Once the mouse acknowledged the opening mark or a piece was sent, the
  // mouse is never taken out of programming mode by a failed write: leaving it with a partly
  // written image can make it unusable.
  bool leave_isp_when_untouched = false;
  // Resends of one piece before the write gives up with "write error!!"; 0 = until aborted.
  int max_piece_retries = 0;
  UpgradeTimings timings;
  // Called on the write thread before anything is sent; false ends the write with
  // kUpgradeBackupError (so does an exception). Empty: no backup.
  std::function<bool()> auto_backup;
  // All callbacks run on the write thread.
  std::function<void(const std::string&)> on_message;           // the final message
  std::function<void(const UpgradeProgress&)> on_progress;      // before each piece
  std::function<void(int count, const UpgradeAck&)> on_ack;     // each acknowledgement read
};

class FirmwareWriter {
 public:
  explicit FirmwareWriter(DeviceLayer& dev);
  // Aborts a running write and waits for its thread; the callbacks must outlive the writer.
  ~FirmwareWriter();
  FirmwareWriter(const FirmwareWriter&) = delete;
  FirmwareWriter& operator=(const FirmwareWriter&) = delete;

  // Starts writing `image` to the mouse configured through `path`. False, with the reason in
  // `error`, when a write is running, the image has nothing to send, or the mouse's input
  // interface cannot be found or opened.
  bool Start(const std::string& path, const FirmwareImage& image, UpgradeWriteOptions options,
             std::string* error = nullptr);
  // Asks a running write to stop after the current piece.
  void Abort();
  bool Writing() const { return writing_.load(); }
  // Waits for the write thread to end (not from a callback).
  UpgradeOutcome Wait();
  UpgradeOutcome Outcome() const { return outcome_.load(); }
  // Where the last write left programming mode (valid once it has ended).
  IspAfterWrite IspState() const { return isp_state_.load(); }
  // The acknowledgement slot; other report intake may deliver into it as well.
  UpgradeAckSlot& Acks() { return acks_; }

 private:
  enum class AckWait { kReceived, kTimedOut, kStopped, kGone };
  struct Job;
  void Run(std::stop_token stop, std::unique_ptr<Job> job);
  AckWait WaitForAck(Job& job, std::chrono::milliseconds limit, const std::stop_token& stop);
  void Finish(Job& job, UpgradeOutcome outcome, const std::string& message);

  DeviceLayer& dev_;
  UpgradeAckSlot acks_;
  std::atomic<bool> writing_{false};
  std::atomic<UpgradeOutcome> outcome_{UpgradeOutcome::kIdle};
  std::atomic<IspAfterWrite> isp_state_{IspAfterWrite::kNotEntered};
  // The current write's stop request; a source of its own (not the thread's) so that Abort may
  // be called from a callback on the write thread while the owner waits in Wait().
  std::stop_source stop_;
  std::jthread thread_;  // last: stopped and joined before the members it uses go
};

}  // namespace halvric
