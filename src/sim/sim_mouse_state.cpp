// A simulated mouse's state as JSON: model name, memory (hex text), live state and upgrade state.
// Wire state (busy counters, faults, queued input reports) is not part of it, except the refusal
// of programming writes ("acks_before_refusal", "refusals", "silent"), which belongs to the
// upgrade state so that a refusal set up in a state file reaches the process that flashes.

#include "sim/sim_mouse.h"

#include <stdexcept>

#include "platform/text.h"

namespace halvric::sim {
namespace {

std::string ToHex(const std::vector<uint8_t>& bytes) { return FormatHex(bytes); }

std::vector<uint8_t> FromHex(const std::string& s, size_t expected, const char* what) {
  if (s.size() != expected * 2) {
    throw std::runtime_error(std::string("simulated mouse state: ") + what + " has " +
                             std::to_string(s.size() / 2) + " bytes, expected " +
                             std::to_string(expected));
  }
  std::vector<uint8_t> out(expected);
  for (size_t i = 0; i < expected; ++i) {
    const int hi = HexDigitValue(s[2 * i]);
    const int lo = HexDigitValue(s[2 * i + 1]);
    if (hi < 0 || lo < 0) {
      throw std::runtime_error(std::string("simulated mouse state: ") + what +
                               " is not hexadecimal text");
    }
    out[i] = static_cast<uint8_t>(hi * 16 + lo);
  }
  return out;
}

template <typename T>
T Field(const nlohmann::json& obj, const char* key, T lo, T hi) {
  if (!obj.contains(key)) {
    throw std::runtime_error(std::string("simulated mouse state: missing \"") + key + "\"");
  }
  const nlohmann::json& v = obj.at(key);
  if (!v.is_number_integer()) {
    throw std::runtime_error(std::string("simulated mouse state: \"") + key +
                             "\" is not an integer");
  }
  const auto n = v.get<long long>();
  if (n < static_cast<long long>(lo) || n > static_cast<long long>(hi)) {
    throw std::runtime_error(std::string("simulated mouse state: \"") + key + "\" out of range");
  }
  return static_cast<T>(n);
}

}  // namespace

nlohmann::json SimMouse::Save() const {
  std::lock_guard l(mu_);
  nlohmann::json zones = nlohmann::json::array();
  for (const auto& z : zones_) zones.push_back(ToHex(std::vector<uint8_t>(z.begin(), z.end())));
  nlohmann::json live = {
      {"active_profile", active_profile_},
      {"dpi_level", dpi_level_},
      {"dpi_mask", dpi_mask_},
      {"dpi_x", dpi_x_},
      {"dpi_y", dpi_y_},
      {"led_mode", led_mode_},
      {"marker", marker_},
      {"tag", tag_},
      {"lift", lift_},
      {"settings", settings_},
      {"pair0", pair_[0]},
      {"pair1", pair_[1]},
      {"host_mode0", host_mode_[0]},
      {"host_mode1", host_mode_[1]},
      {"guard_open", guard_open_ ? 1 : 0},
      {"commit_count", commit_count_},
      {"alternate_commit_count", alternate_commit_count_},
      {"lighting_apply_count", lighting_apply_count_},
      {"wake_count", wake_count_},
      {"zones", zones},
  };
  nlohmann::json upgrade = {
      {"isp", isp_ ? 1 : 0},
      {"channel", channel_},
      {"power_saving", power_saving_},
      {"radio_pair", radio_pair_},
      {"writes", isp_writes_},
      {"acks_before_refusal", nack_after_},
      {"refusals", nack_isp_},
      {"silent", isp_silent_ ? 1 : 0},
  };
  if (!flash_.empty()) upgrade["flash"] = ToHex(flash_);
  return {{"model", model_.name}, {"memory", ToHex(memory_)}, {"live", live},
          {"upgrade", upgrade}};
}

void SimMouse::Load(const nlohmann::json& state) {
  if (!state.is_object()) throw std::runtime_error("simulated mouse state: not an object");
  if (!state.contains("model") || !state.at("model").is_string() ||
      state.at("model").get<std::string>() != model_.name) {
    throw std::runtime_error("simulated mouse state: it belongs to another model than \"" +
                             model_.name + "\"");
  }
  if (!state.contains("memory") || !state.at("memory").is_string()) {
    throw std::runtime_error("simulated mouse state: missing \"memory\"");
  }
  // Parse everything first, so that a malformed state leaves the mouse as it was.
  std::vector<uint8_t> memory =
      FromHex(state.at("memory").get<std::string>(), model_.memory_size, "memory");
  const nlohmann::json empty = nlohmann::json::object();
  const nlohmann::json& live = state.contains("live") ? state.at("live") : empty;
  const nlohmann::json& up = state.contains("upgrade") ? state.at("upgrade") : empty;
  if (!live.is_object() || !up.is_object()) {
    throw std::runtime_error("simulated mouse state: \"live\" and \"upgrade\" must be objects");
  }
  const int active_profile = Field<int>(live, "active_profile", 0, 4);
  const int dpi_level = Field<int>(live, "dpi_level", 0, 4);
  const int dpi_mask = Field<int>(live, "dpi_mask", 0, 31);
  const auto dpi_x = Field<uint8_t>(live, "dpi_x", 0, 255);
  const auto dpi_y = Field<uint8_t>(live, "dpi_y", 0, 255);
  const int led_mode = Field<int>(live, "led_mode", 0, 4);
  const auto marker = Field<uint8_t>(live, "marker", 0, 255);
  const auto tag = Field<uint8_t>(live, "tag", 0, 255);
  const auto lift = Field<uint16_t>(live, "lift", 0, 65535);
  const auto settings = Field<uint8_t>(live, "settings", 0, 255);
  const std::array<uint8_t, 2> pair = {Field<uint8_t>(live, "pair0", 0, 255),
                                       Field<uint8_t>(live, "pair1", 0, 255)};
  const std::array<uint8_t, 2> host_mode = {Field<uint8_t>(live, "host_mode0", 0, 255),
                                            Field<uint8_t>(live, "host_mode1", 0, 255)};
  const bool guard_open = Field<int>(live, "guard_open", 0, 1) != 0;
  const int commits = Field<int>(live, "commit_count", 0, 1 << 30);
  const int alt_commits = Field<int>(live, "alternate_commit_count", 0, 1 << 30);
  const int lighting = Field<int>(live, "lighting_apply_count", 0, 1 << 30);
  const int wakes = Field<int>(live, "wake_count", 0, 1 << 30);
  std::array<std::array<uint8_t, 4>, 16> zones{};
  if (!live.contains("zones") || !live.at("zones").is_array() ||
      live.at("zones").size() != zones.size()) {
    throw std::runtime_error("simulated mouse state: \"zones\" must list 16 zones");
  }
  for (size_t z = 0; z < zones.size(); ++z) {
    const nlohmann::json& item = live.at("zones").at(z);
    if (!item.is_string()) throw std::runtime_error("simulated mouse state: bad zone");
    const auto bytes = FromHex(item.get<std::string>(), 4, "zone");
    std::copy(bytes.begin(), bytes.end(), zones[z].begin());
  }
  const bool isp = Field<int>(up, "isp", 0, 1) != 0;
  const auto channel = Field<uint8_t>(up, "channel", 0, 255);
  const auto power_saving = Field<uint8_t>(up, "power_saving", 0, 255);
  const auto radio_pair = Field<uint8_t>(up, "radio_pair", 0, 255);
  const int writes = Field<int>(up, "writes", 0, 1 << 30);
  // The refusal of programming writes (a fault a test sets up in the file) is optional.
  const int nack_after = up.contains("acks_before_refusal") ? Field<int>(up, "acks_before_refusal", 0, 1 << 30) : 0;
  const int nacks = up.contains("refusals") ? Field<int>(up, "refusals", 0, 1 << 30) : 0;
  const bool silent = up.contains("silent") && Field<int>(up, "silent", 0, 1) != 0;
  std::vector<uint8_t> flash;
  if (up.contains("flash")) {
    if (!up.at("flash").is_string()) throw std::runtime_error("simulated mouse state: bad flash");
    flash = FromHex(up.at("flash").get<std::string>(), 0x10000, "flash");
  }

  std::lock_guard l(mu_);
  memory_ = std::move(memory);
  active_profile_ = active_profile;
  dpi_level_ = dpi_level;
  dpi_mask_ = dpi_mask;
  dpi_x_ = dpi_x;
  dpi_y_ = dpi_y;
  led_mode_ = led_mode;
  marker_ = marker;
  tag_ = tag;
  lift_ = lift;
  settings_ = settings;
  pair_ = pair;
  host_mode_ = host_mode;
  guard_open_ = guard_open;
  commit_count_ = commits;
  alternate_commit_count_ = alt_commits;
  lighting_apply_count_ = lighting;
  wake_count_ = wakes;
  zones_ = zones;
  isp_ = isp;
  channel_ = channel;
  power_saving_ = power_saving;
  radio_pair_ = radio_pair;
  isp_writes_ = writes;
  nack_after_ = nack_after;
  nack_isp_ = nacks;
  isp_silent_ = silent;
  flash_ = std::move(flash);
  ++changes_;
}

}  // namespace halvric::sim
