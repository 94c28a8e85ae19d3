#include "device/firmware_writer.h"

#include <array>
#include <cstdio>
#include <exception>

#include "device/device_commands.h"
#include "device/vendor_input_interface.h"
#include "platform/transfer_clock.h"

namespace halvric {

using std::chrono::milliseconds;

struct FirmwareWriter::Job {
  Mouse mouse;
  FirmwareImage image;
  UpgradeWriteOptions options;
  // The vendor input interfaces the acknowledgements may arrive on (0xFF23 and 0xFF18).
  std::vector<std::unique_ptr<HidHandle>> inputs;
  bool entered = false;  // programming mode was asked for (by this write or before it)
  bool touched = false;  // the mouse acknowledged the opening mark, or a piece was sent
};

std::string FormatProgressLine(const UpgradeProgress& p) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%04X, %02X   ,%d (err count=%d)", static_cast<unsigned>(p.piece.address),
                static_cast<unsigned>(p.piece.End()), static_cast<int>(p.piece.length), p.errors);
  return buf;
}

std::string FormatUpgradeDone(int pieces, long long milliseconds, int errors) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "count %d, %lldms (err count=%d)", pieces, milliseconds, errors);
  return buf;
}

FirmwareWriter::FirmwareWriter(DeviceLayer& dev) : dev_(dev) {}

FirmwareWriter::~FirmwareWriter() {
  stop_.request_stop();
  if (thread_.joinable()) thread_.join();
}

bool FirmwareWriter::Start(const std::string& path, const FirmwareImage& image, UpgradeWriteOptions options,
                           std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
  };
  if (writing_.load()) return fail("a firmware write is already running");
  if (thread_.joinable()) thread_.join();  // the previous write has ended
  if (image.bytes.size() != kFirmwareImageSize) return fail("the firmware image is not 64 KiB");
  if (PlanUpgradePieces(image.end).empty()) return fail("the firmware image holds nothing to write");
  const std::vector<std::string> input_paths = VendorInputPaths(dev_.backend(), path);
  if (input_paths.empty()) return fail("No device !!");
  std::vector<std::unique_ptr<HidHandle>> inputs;
  for (const std::string& input_path : input_paths) {
    std::string open_error;
    auto input = dev_.backend().Open(input_path, &open_error);
    if (!input) return fail("cannot open " + input_path + (open_error.empty() ? "" : ": " + open_error));
    inputs.push_back(std::move(input));
  }

  auto job = std::make_unique<Job>();
  job->mouse = MouseAt(dev_, path);
  job->image = image;
  job->options = std::move(options);
  job->inputs = std::move(inputs);
  acks_.Reset();
  writing_.store(true);
  outcome_.store(UpgradeOutcome::kWriting);
  isp_state_.store(IspAfterWrite::kNotEntered);
  stop_ = std::stop_source();
  thread_ = std::jthread([this, stop = stop_.get_token(), job = std::move(job)]() mutable { Run(stop, std::move(job)); });
  return true;
}

void FirmwareWriter::Abort() { stop_.request_stop(); }

UpgradeOutcome FirmwareWriter::Wait() {
  if (thread_.joinable()) thread_.join();
  return outcome_.load();
}

void FirmwareWriter::Finish(Job& job, UpgradeOutcome outcome, const std::string& message) {
  IspAfterWrite isp = job.entered ? IspAfterWrite::kStays : IspAfterWrite::kNotEntered;
  if (outcome == UpgradeOutcome::kCompleted) {
    isp = IspAfterWrite::kLeft;  // the completed write sent ExitIsp
  } else if (job.entered && !job.touched && job.options.leave_isp_when_untouched) {
    // A mouse that does not take the request (it stopped answering while it was being put into
    // programming mode) may well be in it: it is reported as staying, so that a retry writes
    // without asking it to enter again.
    if (ExitIsp(job.mouse)) isp = IspAfterWrite::kLeft;
  }
  isp_state_.store(isp);
  if (job.options.on_message) job.options.on_message(message);
  outcome_.store(outcome);
  writing_.store(false);
}

FirmwareWriter::AckWait FirmwareWriter::WaitForAck(Job& job, milliseconds limit, const std::stop_token& stop) {
  const auto deadline = TransferNow(dev_.backend()) + limit;
  std::array<uint8_t, 1024> buf{};
  for (;;) {
    if (acks_.Received()) return AckWait::kReceived;
    if (stop.stop_requested()) return AckWait::kStopped;
    const auto now = TransferNow(dev_.backend());
    if (now >= deadline) return AckWait::kTimedOut;
    const auto left = std::chrono::ceil<milliseconds>(deadline - now);
    // The slice is shared out among the interfaces, read in turn.
    const auto share = job.options.timings.poll_slice / static_cast<int>(job.inputs.size());
    const int slice = static_cast<int>(std::min(left, share).count());
    for (auto& input : job.inputs) {
      const int n = input->ReadInput(buf, std::max(slice, 1));
      if (n < 0) return AckWait::kGone;
      if (n == 0) continue;
      int count = 0;
      const auto ack = acks_.Deliver(std::span<const uint8_t>(buf.data(), static_cast<size_t>(n)), &count);
      if (ack && job.options.on_ack) job.options.on_ack(count, *ack);
      if (ack) break;
    }
  }
}

void FirmwareWriter::Run(std::stop_token stop, std::unique_ptr<Job> job_ptr) {
  Job& job = *job_ptr;
  const UpgradeTimings& t = job.options.timings;
  FirmwareImage& image = job.image;
  image.bytes[250] = 0;
  image.bytes[251] = 0;

  if (job.options.auto_backup) {
    bool saved = false;
    try {
      saved = job.options.auto_backup();
    } catch (const std::exception&) {
      saved = false;
    }
    if (!saved) {
      Finish(job, UpgradeOutcome::kFailed, kUpgradeBackupError);
      return;
    }
  }
  // The reported time is the write's own, without the backup.
  const auto start = TransferNow(dev_.backend());
  // Without enter_isp the mouse was put into programming mode before (the window's button).
  job.entered = !job.options.enter_isp;
  if (job.options.enter_isp) {
    if (!SetChannel(job.mouse, 0)) {
      Finish(job, UpgradeOutcome::kFailed, kUpgradeWriteError);
      return;
    }
    job.entered = true;
    if (!EnterIsp(job.mouse)) {
      Finish(job, UpgradeOutcome::kFailed, kUpgradeWriteError);
      return;
    }
  }

  // Acknowledgements still queued from earlier work would be taken for this write's.
  std::array<uint8_t, 1024> drain{};
  for (auto& input : job.inputs) {
    for (int i = 0; i < 1024; ++i) {
      const int n = input->ReadInput(drain, 0);
      if (n < 0) {
        Finish(job, UpgradeOutcome::kFailed, kUpgradeWriteError);
        return;
      }
      if (n == 0) break;
    }
  }

  // Opening mark.
  acks_.Reset();
  static constexpr std::array<uint8_t, 4> kOpen{0x00, 0x00, 0x00, 0x00};
  if (!IspWrite(job.mouse, kUpgradeMarkAddress, kOpen)) {
    Finish(job, UpgradeOutcome::kFailed, kUpgradeWriteError);
    return;
  }
  switch (WaitForAck(job, t.open_wait, stop)) {
    case AckWait::kReceived:
      job.touched = true;
      break;
    case AckWait::kStopped:
      Finish(job, UpgradeOutcome::kAborted, kUpgradeAbortMessage);
      return;
    case AckWait::kTimedOut:
    case AckWait::kGone:
      Finish(job, UpgradeOutcome::kFailed, kUpgradeWriteError);
      return;
  }

  // The pieces.
  const int total = static_cast<int>(PlanUpgradePieces(image.end).size());
  uint32_t address = kUpgradeFirstAddress;
  int pieces = 0;
  int errors = 0;
  int retries = 0;
  int send_failures = 0;
  bool complete = false;
  while (!stop.stop_requested()) {
    const auto piece = NextUpgradePiece(address, image.end);
    if (!piece) {
      complete = true;
      break;
    }
    acks_.Reset();
    if (job.options.on_progress) job.options.on_progress(UpgradeProgress{*piece, pieces, total, errors});
    const std::span<const uint8_t> data(image.bytes.data() + piece->address, piece->length);
    job.touched = true;  // a piece that was sent may have been written, acknowledged or not
    bool gone = false;
    if (!IspWrite(job.mouse, piece->address, data)) {
      gone = ++send_failures >= kUpgradeSendFailureLimit;
    } else {
      send_failures = 0;
      gone = WaitForAck(job, t.piece_wait, stop) == AckWait::kGone;
    }
    if (gone) {
      Finish(job, UpgradeOutcome::kFailed, kUpgradeWriteError);
      return;
    }
    const auto ack = acks_.Received();
    if (ack && ack->status == 0 && ack->address == piece->address) {
      address = piece->End();
      ++pieces;
      retries = 0;
    } else if (!stop.stop_requested()) {
      ++errors;
      if (job.options.max_piece_retries > 0 && ++retries > job.options.max_piece_retries) {
        Finish(job, UpgradeOutcome::kFailed, kUpgradeWriteError);
        return;
      }
    }
    acks_.Reset();
  }
  if (!complete) {
    Finish(job, UpgradeOutcome::kAborted, kUpgradeAbortMessage);
    return;
  }

  // Closing mark; its acknowledgement is awaited but not required.
  static constexpr std::array<uint8_t, 4> kClose{0x05, 0x03, 0x18, 0x12};
  IspWrite(job.mouse, kUpgradeMarkAddress, kClose);
  WaitForAck(job, t.close_wait, std::stop_token{});
  acks_.Reset();
  const auto elapsed = std::chrono::duration_cast<milliseconds>(TransferNow(dev_.backend()) - start).count();
  const std::string done = FormatUpgradeDone(pieces, static_cast<long long>(elapsed), errors);
  // Only a mouse that took the request to leave programming mode runs the new firmware; one that
  // did not stays in programming mode, and the write counts as failed so that it is retried.
  if (!ExitIsp(job.mouse)) {
    Finish(job, UpgradeOutcome::kFailed, kUpgradeWriteError);
    return;
  }
  Finish(job, UpgradeOutcome::kCompleted, done);
}

}  // namespace halvric
