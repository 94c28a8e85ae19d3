#pragma once
// Hand-built report exchanges for the simulated mouse tests: the tests frame every request
// themselves, so that the firmware model is checked independently of the device layer.

#include <cstdint>
#include <gtest/gtest.h>
#include <initializer_list>
#include <vector>

#include "platform/hid_backend.h"

namespace halvric::sim::test {

// A short request: report id 0, bytes 1-7 as given, byte 8 = XOR of bytes 1-7 unless `raw8`
// is set (then byte 8 is the eighth given byte).
inline std::vector<uint8_t> ShortRequest(std::initializer_list<uint8_t> bytes, bool raw8 = false) {
  std::vector<uint8_t> r(9, 0);
  size_t i = 1;
  for (uint8_t b : bytes) r[i++] = b;
  if (!raw8) {
    uint8_t x = 0;
    for (size_t k = 1; k <= 7; ++k) x ^= r[k];
    r[8] = x;
  }
  return r;
}

// A long request: report id 1, bytes from 1 on as given, byte 63 = XOR of bytes 1-62.
inline std::vector<uint8_t> LongRequest(std::initializer_list<uint8_t> bytes) {
  std::vector<uint8_t> r(64, 0);
  r[0] = 1;
  size_t i = 1;
  for (uint8_t b : bytes) r[i++] = b;
  uint8_t x = 0;
  for (size_t k = 1; k <= 62; ++k) x ^= r[k];
  r[63] = x;
  return r;
}

inline void FixLongChecksum(std::vector<uint8_t>& r) {
  uint8_t x = 0;
  for (size_t k = 1; k <= 62; ++k) x ^= r[k];
  r[63] = x;
}

// Sends a request and polls (at most `max_polls` times) until the busy bit clears. Returns the
// answer as the device gave it (status bits not cleared); empty when the mouse stayed busy or a
// transfer failed.
inline std::vector<uint8_t> Exchange(HidHandle& h, const std::vector<uint8_t>& request,
                                     int max_polls = 50) {
  if (!h.SetFeature(request)) return {};
  std::vector<uint8_t> answer(request.size(), 0);
  for (int i = 0; i < max_polls; ++i) {
    answer.assign(request.size(), 0);
    answer[0] = request[0];
    if (!h.GetFeature(answer)) return {};
    if ((answer[1] & 0x80) == 0) return answer;
  }
  return {};
}

inline bool XorIsZero(const std::vector<uint8_t>& r, size_t from, size_t to) {
  uint8_t x = 0;
  for (size_t i = from; i <= to; ++i) x ^= r[i];
  return x == 0;
}

}  // namespace halvric::sim::test
