#include "config/screen_keyboard.h"

#include <algorithm>

#include "config/key_tables.h"
#include "config/text_tables.h"
#include "config/usage_to_scan_table.h"
#include "platform/profile_file.h"
#include "platform/text_encoding.h"

namespace halvric {

int ScreenKeyboard::KeyAt(int px, int py) const {
  for (size_t i = 0; i < keys.size(); ++i) {
    if (keys[i].Contains(px, py)) return static_cast<int>(i);
  }
  return -1;
}

ScreenKeyboard LoadScreenKeyboard(const ProfileFile& ini, const TextTables& texts,
                                  const UsageToScanTable& scan_table, const KeyNameSource& names) {
  ScreenKeyboard kb;
  kb.origin_x = ini.GetInt("SET", "x", 0);
  kb.origin_y = ini.GetInt("SET", "y", 0);
  int media_count = 0;
  int media_y = 0;
  for (int n = 1; n <= ScreenKeyboard::kMaxKeys; ++n) {
    const std::string section = "KEY " + std::to_string(n);
    ScreenKey key;
    key.name = ini.GetString(section, "name", ProfileFile::kAbsent, 200);
    key.consumer_usage = ini.GetInt(section, "chwcode", 0);
    if (key.name == ProfileFile::kAbsent && key.consumer_usage == 0) continue;
    if (key.name == ProfileFile::kAbsent) key.name.clear();
    key.modifier = ini.GetInt(section, "modify", 0);
    key.scan_code = ini.GetInt(section, "code", 0);
    key.x = ini.GetInt(section, "x", 0);
    key.y = ini.GetInt(section, "y", 0);
    key.width = ini.GetInt(section, "width", 0);
    key.height = ini.GetInt(section, "height", 0);
    key.small_font = ini.GetInt(section, "small_font", 0);
    key.usage = ini.GetInt(section, "hwcode", 0);

    if (key.consumer_usage != 0) {
      key.consumer_row = ConsumerKeyRow(key.consumer_usage);
      if (media_count == 0) media_y = key.y;
      key.x = 75 * media_count;
      key.y = media_y;
      key.width = 63;
      key.height = 31;
      key.name = ConsumerKeyName(texts, key.consumer_usage);
      ++media_count;
    } else {
      if (key.usage == 0) key.usage = scan_table.UsageForScanCode(key.scan_code);
      if (key.modifier == 0) {
        const std::string text = KeyNameText(key.usage, 0, scan_table, names);
        // An empty text (a usage without a name) would blank the key, so the label stays.
        if (!text.empty() && Utf8Length(text) <= Utf8Length(key.name)) key.name = text;
      }
    }
    kb.width = std::max(kb.width, key.x + key.width + 1);
    kb.height = std::max(kb.height, key.y + key.height + 1);
    key.hit = {kb.origin_x + key.x + 2, kb.origin_y + key.y + 2, kb.origin_x + key.x + key.width - 3,
               kb.origin_y + key.y + key.height - 3};
    kb.keys.push_back(std::move(key));
  }
  return kb;
}

}  // namespace halvric
