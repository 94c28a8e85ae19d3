#include "config/saved_dpi_state.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "platform/profile_file.h"

namespace halvric {

std::string DpiStateKey(const WorkingCopy& wc) {
  char key[32];
  std::snprintf(key, sizeof key, "%d_%04x", wc.type_code, static_cast<unsigned>(wc.product_id));
  return key;
}

void TakeSavedDpiState(WorkingCopy& wc, const ProfileFile& set_ini) {
  if (!wc.loaded || MouseKeepsDpiState(wc)) return;
  const std::string key = DpiStateKey(wc);
  const int mask = set_ini.GetInt(kDpiStateSection, key + "_mask", -1);
  if (mask >= 0) wc.dpi_mask = mask & 0x1F;
  if (wc.protocol_level == 0) return;
  const int level = set_ini.GetInt(kDpiStateSection, key + "_level", -1);
  if (level >= 0) wc.dpi_level = std::min(level, kDpiLevels - 1);
}

bool SaveDpiState(const WorkingCopy& wc, ProfileFile& set_ini, std::string* error) {
  if (!wc.loaded || MouseKeepsDpiState(wc)) return true;
  const std::string key = DpiStateKey(wc);
  const std::vector<std::pair<std::string, std::string>> entries = {
      {key + "_level", std::to_string(wc.dpi_level)}, {key + "_mask", std::to_string(wc.dpi_mask)}};
  return set_ini.WriteStrings(kDpiStateSection, entries, error);
}

}  // namespace halvric
