#pragma once
// The mouse's configuration as a JSON document (`halvricctl export` / `apply`): the data a file
// holds, read from and written to JSON. Reading checks the document's shape (types, ranges that
// hold for every model) and names the offending field by its JSON path; what depends on the
// connected model is checked when the document is applied. The format is described in
// docs/config-format.md.

#include <array>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "device/memory_map.h"

namespace halvric {

inline constexpr const char* kConfigFormatName = "halvric-config";
inline constexpr int kConfigFormatVersion = 1;

// A field of the document that is missing, of the wrong type or out of range, or that does not
// fit the connected mouse. `path` is its JSON pointer ("/profiles/2/name").
struct DocumentError : std::runtime_error {
  DocumentError(std::string path, const std::string& why) : std::runtime_error(path + ": " + why), path(std::move(path)) {}
  std::string path;
};

struct DocButton {
  int key = 0;           // key index 0-31
  std::string label;     // "B1" ..., empty for keys the window draws no button for (written only)
  std::string function;  // a form `halvricctl button` accepts
};

struct DocProfile {
  int profile = 0;   // 0-4 (1-5 in the file)
  std::string name;  // as stored; empty: the numbered default name
  std::array<uint8_t, 3> colour{};
  bool flag = false;
  std::optional<bool> enabled;  // only mice that keep per-profile enable bits
  std::array<uint8_t, kExtensionSize> extension{};  // the key-cycle block, carried as raw bytes
  // The profile record's uninterpreted bits before the name, carried as raw bytes (flag and colour
  // bits zero); empty in files written before this field existed: nothing is changed then.
  std::vector<uint8_t> record_other;
  std::vector<DocButton> buttons;
};

struct DocDpiLevel {
  int x = 0;  // DPI
  int y = 0;
  bool enabled = true;
};

struct DocMacro {
  int slot = 0;  // 0-79 (1-80 in the file)
  std::string name;
  // 8 once, 9 loop, 10 fire; none where the mouse holds no mode for the slot (its mode lives in
  // the buttons that play it, and none does)
  std::optional<int> mode;
  std::vector<std::string> instructions;
};

struct DocZone {
  int record = 0;  // index of the zone record
  std::array<uint8_t, 4> bytes{};  // flags, red, green, blue
};

struct DocLighting {
  int effect = 0;
  std::vector<DocZone> zones;   // the zones the lighting window shows, numbered from 1 in the file
  std::vector<DocZone> hidden;  // the other records of the zone table, carried as raw bytes
};

struct ConfigDocument {
  std::string model;
  int type_code = 0;
  int protocol_level = 0;
  int active_profile = 0;  // 0-4
  std::vector<DocProfile> profiles;  // ascending; all five, or those `export --profile` chose
  std::array<DocDpiLevel, kDpiLevels> dpi{};
  int dpi_current = 0;       // 0-4
  bool dpi_kept_by_program = false;  // the level and the enable flags live in set.ini
  int report_rate_hz = 1000;
  bool angle_snapping = false;
  uint8_t settings_other_bits = 0;  // bits of the settings byte the program does not interpret
  std::optional<uint16_t> lift;     // sent when present; the mouse does not report it back
  std::optional<DocLighting> lighting;
  std::vector<DocMacro> macros;  // ascending slots
};

// The settings-byte bits the document names (angle snapping, report rate); the others are carried.
inline constexpr uint8_t kInterpretedSettingsBits = 0x71;

// Keys in the documented order (format, version and model first).
nlohmann::ordered_json ToJson(const ConfigDocument& doc);
// Throws DocumentError for a document of another format or a field of the wrong shape.
ConfigDocument FromJson(const nlohmann::json& j);

}  // namespace halvric
