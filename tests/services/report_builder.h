#pragma once
// Vendor input reports built byte by byte for the tests.

#include <cstdint>
#include <vector>

namespace halvric::test {

inline void SealReport(std::vector<uint8_t>& r, uint8_t tag = 21) {
  r[r.size() - 2] = tag;
  uint8_t x = 0;
  for (size_t i = 1; i + 1 < r.size(); ++i) x ^= r[i];
  r[r.size() - 1] = x;
}

struct StatusFields {
  uint8_t level = 0, x = 16, y = 16, profile = 0, flags = 0;
  uint16_t lift = 0;
};

inline std::vector<uint8_t> StatusReportBytes(const StatusFields& f, uint8_t tag = 21, size_t n = 64) {
  std::vector<uint8_t> r(n, 0);
  r[0] = 1;
  r[1] = 12;
  r[2] = f.level;
  r[3] = f.x;
  r[4] = f.y;
  r[5] = f.profile;
  r[6] = f.flags;
  r[7] = static_cast<uint8_t>(f.lift & 0xFF);
  r[8] = static_cast<uint8_t>(f.lift >> 8);
  SealReport(r, tag);
  return r;
}

}  // namespace halvric::test
