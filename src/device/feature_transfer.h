#pragma once
// One request/answer exchange of feature reports with the mouse's busy handshake.

#include <cstdint>
#include <span>

#include "device/transfer_lock.h"
#include "platform/hid_backend.h"

namespace halvric {

// Ready checks before a request, and answer polls after it, before an exchange gives up.
inline constexpr int kReadyCheckLimit = 421;
inline constexpr int kAnswerPollLimit = 301;
// Ready checks before a request to a mouse whose last exchange failed: one that stayed busy
// through a whole exchange gets a short look until it answers again, so that a sequence of
// exchanges gives up in a second rather than waiting out every one of them in full.
inline constexpr int kStalledReadyCheckLimit = 21;

// Frames `request` (report id in byte 0, checksum in the last byte for 9- and 64-byte reports),
// waits until the mouse is idle, sends it and, unless `delay` is negative, polls for the answer
// into `answer` (same length) and clears its two status bits. `delay` in ms: negative = no answer
// is read; 0 = answer at once; positive = the mouse writes its memory, wait that long first.
// Holds `lock` for the whole exchange. False when the mouse stayed busy through `ready_checks`
// ready checks or the answer never came.
bool FeatureTransfer(HidHandle& handle, std::span<uint8_t> request, std::span<uint8_t> answer, int delay,
                     TransferLock& lock, int ready_checks = kReadyCheckLimit);

// Fills in report id and checksum as FeatureTransfer sends them.
void FrameRequest(std::span<uint8_t> request);

}  // namespace halvric
