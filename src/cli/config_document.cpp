#include "cli/config_document.h"
#include "cli/function_spec.h"

#include "config/working_copy.h"

#include <algorithm>

#include "cli/text_format.h"
#include "platform/text.h"

namespace halvric {
namespace {

using nlohmann::json;

std::string Hex(std::span<const uint8_t> bytes) { return FormatHex(bytes, {}, HexCase::kUpper); }


nlohmann::ordered_json ZoneJson(const DocZone& z) {
  return {{"colour", Hex(std::span<const uint8_t>(z.bytes).subspan(1))},
          {"own_colour", (z.bytes[0] & 0x80) != 0},
          {"mode", (z.bytes[0] & 0x40) != 0 ? "on" : "breathe"}};
}

// Reading with the JSON path of every field, so that an error names it.
class Reader {
 public:
  Reader(const json& j, std::string path) : j_(j), path_(std::move(path)) {}

  const json& Field(const std::string& key, json::value_t type) const {
    if (!j_.is_object()) throw DocumentError(path_, "expected an object");
    const auto it = j_.find(key);
    if (it == j_.end()) throw DocumentError(path_ + "/" + key, "missing");
    const bool number_ok = type == json::value_t::number_integer &&
                           (it->is_number_integer() || it->is_number_unsigned());
    if (it->type() != type && !number_ok) throw DocumentError(path_ + "/" + key, "expected " + TypeName(type));
    return *it;
  }
  bool Has(const std::string& key) const { return j_.is_object() && j_.contains(key); }
  long Int(const std::string& key, long min, long max) const {
    const json& v = Field(key, json::value_t::number_integer);
    const long n = v.is_number_unsigned() && v.get<uint64_t>() > static_cast<uint64_t>(max) ? max + 1 : v.get<long>();
    if (n < min || n > max) {
      throw DocumentError(Path(key), "expected a number from " + std::to_string(min) + " to " + std::to_string(max));
    }
    return n;
  }
  bool Bool(const std::string& key) const { return Field(key, json::value_t::boolean).get<bool>(); }
  std::string String(const std::string& key) const { return Field(key, json::value_t::string).get<std::string>(); }
  std::vector<uint8_t> Bytes(const std::string& key, size_t size) const {
    const auto bytes = ParseHexBytes(String(key));
    if (!bytes || bytes->size() != size) {
      throw DocumentError(Path(key), "expected " + std::to_string(size) + " bytes in hex (" +
                                         std::to_string(2 * size) + " hex digits)");
    }
    return *bytes;
  }
  Reader Object(const std::string& key) const { return {Field(key, json::value_t::object), Path(key)}; }
  std::vector<Reader> Array(const std::string& key) const {
    const json& a = Field(key, json::value_t::array);
    std::vector<Reader> items;
    for (size_t i = 0; i < a.size(); ++i) items.emplace_back(a[i], Path(key) + "/" + std::to_string(i));
    return items;
  }
  std::string Path(const std::string& key) const { return path_ + "/" + key; }
  const std::string& path() const { return path_; }

 private:
  static std::string TypeName(json::value_t type) {
    switch (type) {
      case json::value_t::object: return "an object";
      case json::value_t::array: return "an array";
      case json::value_t::string: return "a string";
      case json::value_t::boolean: return "true or false";
      default: return "a whole number";
    }
  }
  const json& j_;
  std::string path_;
};

// A list numbered from 1 in the file ("profile": 1 ...) must hold each number once, in order.
void CheckNumber(const Reader& r, const std::string& key, long expected) {
  if (r.Int(key, 1, 1000) != expected) {
    throw DocumentError(r.Path(key), "expected " + std::to_string(expected) + " (entries in order, from 1)");
  }
}

std::array<uint8_t, 3> Colour(const Reader& r, const std::string& key) {
  const auto b = r.Bytes(key, 3);
  return {b[0], b[1], b[2]};
}

DocZone ReadZone(const Reader& r, int record) {
  DocZone z;
  z.record = record;
  const auto rgb = Colour(r, "colour");
  const std::string mode = r.String("mode");
  if (mode != "on" && mode != "breathe") throw DocumentError(r.Path("mode"), "expected \"on\" or \"breathe\"");
  z.bytes = {static_cast<uint8_t>((r.Bool("own_colour") ? 0x80 : 0) | (mode == "on" ? 0x40 : 0)), rgb[0], rgb[1],
             rgb[2]};
  return z;
}

}  // namespace

nlohmann::ordered_json ToJson(const ConfigDocument& doc) {
  using nlohmann::ordered_json;
  ordered_json j;
  j["format"] = kConfigFormatName;
  j["version"] = kConfigFormatVersion;
  j["model"] = {{"name", doc.model}, {"type_code", doc.type_code}, {"protocol_level", doc.protocol_level}};
  j["active_profile"] = doc.active_profile + 1;
  j["profiles"] = ordered_json::array();
  for (const DocProfile& dp : doc.profiles) {
    ordered_json pj = {{"profile", dp.profile + 1}, {"name", dp.name}, {"colour", Hex(dp.colour)}, {"flag", dp.flag}};
    if (dp.enabled) pj["enabled"] = *dp.enabled;
    pj["key_cycle_raw"] = Hex(dp.extension);
    if (!dp.record_other.empty()) pj["record_other_raw"] = Hex(dp.record_other);
    pj["buttons"] = ordered_json::array();
    for (const DocButton& b : dp.buttons) {
      ordered_json bj;
      if (!b.label.empty()) bj["button"] = b.label;
      bj["key"] = b.key;
      bj["function"] = b.function;
      pj["buttons"].push_back(std::move(bj));
    }
    j["profiles"].push_back(std::move(pj));
  }
  ordered_json dpi = {{"kept_in", doc.dpi_kept_by_program ? "set.ini" : "mouse"}, {"current_level", doc.dpi_current + 1}};
  dpi["levels"] = ordered_json::array();
  for (int n = 0; n < kDpiLevels; ++n) {
    const DocDpiLevel& l = doc.dpi[static_cast<size_t>(n)];
    dpi["levels"].push_back({{"level", n + 1}, {"x", l.x}, {"y", l.y}, {"enabled", l.enabled}});
  }
  j["dpi"] = std::move(dpi);
  j["report_rate_hz"] = doc.report_rate_hz;
  j["angle_snapping"] = doc.angle_snapping;
  j["settings_other_bits_raw"] = Hex(std::array<uint8_t, 1>{doc.settings_other_bits});
  if (doc.lift) j["lift"] = *doc.lift;
  if (doc.lighting) {
    ordered_json lj = {{"effect", doc.lighting->effect}, {"zones", ordered_json::array()}, {"hidden_records_raw", ordered_json::array()}};
    for (size_t i = 0; i < doc.lighting->zones.size(); ++i) {
      ordered_json zj = ZoneJson(doc.lighting->zones[i]);
      zj["zone"] = i + 1;
      lj["zones"].push_back(std::move(zj));
    }
    for (const DocZone& z : doc.lighting->hidden) {
      lj["hidden_records_raw"].push_back({{"record", z.record}, {"bytes", Hex(z.bytes)}});
    }
    j["lighting"] = std::move(lj);
  }
  j["macros"] = ordered_json::array();
  for (const DocMacro& m : doc.macros) {
    ordered_json mj = {{"slot", m.slot + 1}, {"name", m.name}};
    // A mode byte other than loop or fire plays the macro once.
    if (m.mode) mj["mode"] = MacroModeWord(*m.mode == 9 || *m.mode == 10 ? *m.mode : 8);
    mj["instructions"] = m.instructions;
    j["macros"].push_back(std::move(mj));
  }
  return j;
}

ConfigDocument FromJson(const json& j) {
  const Reader r(j, "");
  if (!j.is_object()) throw DocumentError("/", "expected a JSON object");
  if (r.String("format") != kConfigFormatName) {
    throw DocumentError("/format", std::string("expected \"") + kConfigFormatName + "\"");
  }
  r.Int("version", kConfigFormatVersion, kConfigFormatVersion);

  ConfigDocument doc;
  const Reader model = r.Object("model");
  doc.model = model.String("name");
  doc.type_code = static_cast<int>(model.Int("type_code", 0, 255));
  doc.protocol_level = static_cast<int>(model.Int("protocol_level", 0, 255));
  doc.active_profile = static_cast<int>(r.Int("active_profile", 1, kProfileCount)) - 1;

  for (const Reader& pr : r.Array("profiles")) {
    DocProfile dp;
    dp.profile = static_cast<int>(pr.Int("profile", 1, kProfileCount)) - 1;
    if (!doc.profiles.empty() && dp.profile <= doc.profiles.back().profile) {
      throw DocumentError(pr.Path("profile"), "profiles must ascend, each once");
    }
    dp.name = pr.String("name");
    dp.colour = Colour(pr, "colour");
    dp.flag = pr.Bool("flag");
    if (pr.Has("enabled")) dp.enabled = pr.Bool("enabled");
    const auto ext = pr.Bytes("key_cycle_raw", kExtensionSize);
    std::copy(ext.begin(), ext.end(), dp.extension.begin());
    if (pr.Has("record_other_raw")) {
      const auto bytes = ParseHexBytes(pr.String("record_other_raw"));
      if (!bytes || bytes->empty() || bytes->size() > kMaxRecordHead) {
        throw DocumentError(pr.Path("record_other_raw"), "expected 1 to " + std::to_string(kMaxRecordHead) + " bytes in hex");
      }
      dp.record_other = *bytes;
    }
    for (const Reader& br : pr.Array("buttons")) {
      DocButton b;
      b.key = static_cast<int>(br.Int("key", 0, kKeySlots - 1));
      b.function = br.String("function");
      if (br.Has("button")) b.label = br.String("button");
      for (const DocButton& other : dp.buttons) {
        if (other.key == b.key) throw DocumentError(br.Path("key"), "key " + std::to_string(b.key) + " is given twice");
      }
      dp.buttons.push_back(std::move(b));
    }
    doc.profiles.push_back(std::move(dp));
  }

  const Reader dpi = r.Object("dpi");
  const std::string kept = dpi.String("kept_in");
  if (kept != "mouse" && kept != "set.ini") throw DocumentError("/dpi/kept_in", "expected \"mouse\" or \"set.ini\"");
  doc.dpi_kept_by_program = kept == "set.ini";
  doc.dpi_current = static_cast<int>(dpi.Int("current_level", 1, kDpiLevels)) - 1;
  const std::vector<Reader> levels = dpi.Array("levels");
  if (levels.size() != kDpiLevels) throw DocumentError("/dpi/levels", "expected 5 levels");
  for (int n = 0; n < kDpiLevels; ++n) {
    const Reader& lr = levels[static_cast<size_t>(n)];
    CheckNumber(lr, "level", n + 1);
    DocDpiLevel& l = doc.dpi[static_cast<size_t>(n)];
    l.x = static_cast<int>(lr.Int("x", 1, 100000));
    l.y = static_cast<int>(lr.Int("y", 1, 100000));
    l.enabled = lr.Bool("enabled");
  }

  doc.report_rate_hz = static_cast<int>(r.Int("report_rate_hz", 1, 1000));
  doc.angle_snapping = r.Bool("angle_snapping");
  const auto other = r.Bytes("settings_other_bits_raw", 1);
  if ((other[0] & kInterpretedSettingsBits) != 0) {
    throw DocumentError("/settings_other_bits_raw", "bits 0 and 4-6 are angle_snapping and report_rate_hz");
  }
  doc.settings_other_bits = other[0];
  if (r.Has("lift")) doc.lift = static_cast<uint16_t>(r.Int("lift", 0, 8192));

  if (r.Has("lighting")) {
    const Reader lr = r.Object("lighting");
    DocLighting l;
    l.effect = static_cast<int>(lr.Int("effect", 0, 4));
    const std::vector<Reader> zones = lr.Array("zones");
    for (size_t i = 0; i < zones.size(); ++i) {
      CheckNumber(zones[i], "zone", static_cast<long>(i + 1));
      l.zones.push_back(ReadZone(zones[i], static_cast<int>(i)));
    }
    for (const Reader& hr : lr.Array("hidden_records_raw")) {
      DocZone z;
      z.record = static_cast<int>(hr.Int("record", 0, 63));
      const auto b = hr.Bytes("bytes", 4);
      std::copy(b.begin(), b.end(), z.bytes.begin());
      l.hidden.push_back(z);
    }
    doc.lighting = std::move(l);
  }

  int last_slot = -1;
  for (const Reader& mr : r.Array("macros")) {
    DocMacro m;
    m.slot = static_cast<int>(mr.Int("slot", 1, kMacroSlots)) - 1;
    if (m.slot <= last_slot) throw DocumentError(mr.Path("slot"), "slots must ascend, each once");
    last_slot = m.slot;
    m.name = mr.String("name");
    if (mr.Has("mode")) {
      const std::string mode = mr.String("mode");
      if (mode == "once") m.mode = 8;
      else if (mode == "loop") m.mode = 9;
      else if (mode == "fire") m.mode = 10;
      else throw DocumentError(mr.Path("mode"), "expected \"once\", \"loop\" or \"fire\"");
    }
    const json& list = mr.Field("instructions", json::value_t::array);
    for (size_t i = 0; i < list.size(); ++i) {
      if (!list[i].is_string()) {
        throw DocumentError(mr.Path("instructions") + "/" + std::to_string(i), "expected a string");
      }
      m.instructions.push_back(list[i].get<std::string>());
    }
    doc.macros.push_back(std::move(m));
  }
  return doc;
}

}  // namespace halvric
