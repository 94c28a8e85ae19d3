#include "config/working_copy.h"

#include <algorithm>
#include <cstdio>

namespace halvric {

int ReportRateHz(int rate_code) { return 1000 / (std::clamp(rate_code, 0, 7) + 1); }

std::string ProfileDisplayName(const std::string& stored, const std::string& profile_word, int profile) {
  if (!stored.empty()) return stored;
  return profile_word + " " + std::to_string(profile + 1);
}

}  // namespace halvric
