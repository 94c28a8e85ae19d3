#include "device/feature_transfer.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace halvric {
namespace {


uint8_t XorRange(std::span<const uint8_t> bytes, size_t first, size_t last) {
  uint8_t x = 0;
  for (size_t i = first; i <= last; ++i) x ^= bytes[i];
  return x;
}

// Polls Get Feature until bit 7 of byte 1 is clear; false after `limit` failures.
bool PollIdle(HidHandle& handle, std::span<uint8_t> buf, uint8_t report_id, int limit) {
  int failures = 0;
  for (;;) {
    std::fill(buf.begin(), buf.end(), 0);
    buf[0] = report_id;
    if (handle.GetFeature(buf) && (buf[1] & 0x80) == 0) return true;
    if (++failures >= limit) return false;
    handle.Pause(1);
  }
}

}  // namespace

void FrameRequest(std::span<uint8_t> request) {
  if (request.empty()) return;
  request[0] = 0;
  if (request.size() == 9 && request[1] != 9) {
    request[8] = XorRange(request, 1, 7);
  } else if (request.size() == 64) {
    request[63] = XorRange(request, 1, 62);
    request[0] = 1;
  }
}

bool FeatureTransfer(HidHandle& handle, std::span<uint8_t> request, std::span<uint8_t> answer, int delay,
                     TransferLock& lock, int ready_checks) {
  if (request.size() < 2 || (delay >= 0 && answer.size() < request.size())) return false;
  FrameRequest(request);
  const uint8_t report_id = request[0];
  const size_t length = request.size();

  std::unique_lock guard(lock);
  // The scratch buffer of the ready check never needs more than one long report.
  uint8_t scratch_storage[64];
  std::vector<uint8_t> scratch_heap;
  std::span<uint8_t> scratch;
  if (length <= sizeof scratch_storage) {
    scratch = std::span<uint8_t>(scratch_storage, length);
  } else {
    scratch_heap.resize(length);
    scratch = scratch_heap;
  }
  if (!PollIdle(handle, scratch, report_id, ready_checks)) {
    guard.unlock();
    handle.CancelIo();
    return false;
  }

  // A request that did not reach the mouse fails the exchange: claiming success for it would
  // let a caller believe that a write took place.
  if (!handle.SetFeature(request)) {
    guard.unlock();
    handle.CancelIo();
    return false;
  }

  if (delay > 4) {
    handle.Pause(2);
  } else if (delay > 0) {
    handle.Pause(1);
  }
  if (delay < 0) {
    guard.unlock();
    handle.CancelIo();
    return true;
  }
  if (delay > 0) handle.Pause(delay);

  std::span<uint8_t> ans = answer.first(length);
  if (!PollIdle(handle, ans, report_id, kAnswerPollLimit)) {
    guard.unlock();
    handle.CancelIo();
    return false;
  }
  ans[1] &= 0x3F;

  if (delay > 4) {
    handle.Pause(3);
  } else if (delay > 0) {
    handle.Pause(1);
  }
  guard.unlock();
  handle.CancelIo();
  return true;
}

}  // namespace halvric
