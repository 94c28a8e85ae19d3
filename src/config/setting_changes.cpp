#include "config/setting_changes.h"

#include <algorithm>

#include "config/read_all.h"
#include "device/device_commands.h"

namespace halvric {
namespace {

bool Connected(const DeviceLayer& dev, const WorkingCopy& wc) { return !wc.path.empty() && dev.IsCurrent(wc.path); }

bool WriteAndCommit(const Mouse& m, uint32_t address, std::span<const uint8_t> bytes) {
  return WriteMemory(m, address, bytes) && Commit(m);
}

}  // namespace

bool ChangeDpi(DeviceLayer& dev, WorkingCopy& wc, int level, uint8_t x, uint8_t y) {
  const Mouse m = MouseAt(dev, wc.path);
  level = std::clamp(level, 0, kDpiLevels - 1);
  wc.dpi[level] = {x, y};
  if (!Connected(dev, wc)) return false;
  if (!Wake(m)) return false;
  // The closing Wake goes out whatever happened in between: the guard must not stay open.
  const bool ok = (level != wc.dpi_level || ApplyDpiLevel(m, level, x, y)) && StoreDpiLevel(m, level, x, y);
  return Wake(m) && ok;
}

bool ChangeDpiState(DeviceLayer& dev, WorkingCopy& wc, int level, int mask) {
  const Mouse m = MouseAt(dev, wc.path);
  wc.dpi_level = std::clamp(level, 0, kDpiLevels - 1);
  wc.dpi_mask = mask & 0x1F;
  if (!Connected(dev, wc)) return false;
  const auto& xy = wc.dpi[wc.dpi_level];
  if (!Wake(m)) return false;
  bool ok = true;
  if (wc.map.dpi_state != 0) {
    // Level 11 keeps the state in memory, which the mouse reloads on Commit; the level's pair is
    // applied at once so that it takes effect without waiting for the reload.
    const auto state = static_cast<uint8_t>(wc.dpi_level | (wc.dpi_mask << 3));
    ok = WriteMemoryByte(m, wc.map.dpi_state, state) && Commit(m);
  }
  // Below level 11 no command stores the state: the level's values are applied (level 0's command
  // also names the level, and the mouse selects it), and the mask stays with the program.
  ok = ok && ApplyDpiLevel(m, wc.dpi_level, xy[0], xy[1]);
  // The closing Wake goes out whatever happened in between: the guard must not stay open.
  return Wake(m) && ok;
}

bool ChangeDpiMask(DeviceLayer& dev, WorkingCopy& wc, int mask) {
  if (wc.map.dpi_state != 0) return ChangeDpiState(dev, wc, wc.dpi_level, mask);
  wc.dpi_mask = mask & 0x1F;
  return Connected(dev, wc);
}

bool ChangeRate(DeviceLayer& dev, WorkingCopy& wc, int rate_code) {
  const Mouse m = MouseAt(dev, wc.path);
  wc.rate_code = std::clamp(rate_code, 0, 7);
  wc.settings_byte = static_cast<uint8_t>((wc.settings_byte & 0x8F) | (wc.rate_code << 4));
  return Connected(dev, wc) && SetRateBits(m, wc.rate_code);
}

bool ChangeAngleSnapping(DeviceLayer& dev, WorkingCopy& wc, bool on) {
  const Mouse m = MouseAt(dev, wc.path);
  wc.angle_snapping = on ? 1 : 0;
  wc.settings_byte = static_cast<uint8_t>((wc.settings_byte & 0xFE) | wc.angle_snapping);
  return Connected(dev, wc) && SetFlagBit(m, wc.angle_snapping);
}

bool ChangeLift(DeviceLayer& dev, uint16_t value) {
  const std::string path = dev.CurrentPath();
  const Mouse m = MouseAt(dev, path);
  return !path.empty() && SetWord(m, value);
}

bool ChangeProfile(DeviceLayer& dev, int profile, bool live) {
  const std::string path = dev.CurrentPath();
  const Mouse m = MouseAt(dev, path);
  if (path.empty() || profile < 0 || profile >= kProfileCount) return false;
  return live ? SelectProfileLive(m, profile) : SelectProfileStored(m, profile);
}

bool ChangeProfile(DeviceLayer& dev, WorkingCopy& wc, int profile, bool live) {
  if (!ChangeProfile(dev, profile, live)) return false;
  wc.active_profile = profile;
  return true;
}

void NoteActiveProfile(WorkingCopy& wc, int profile) {
  if (profile >= 0 && profile < kProfileCount) wc.active_profile = profile;
}

bool ChangeProfileName(DeviceLayer& dev, WorkingCopy& wc, int profile,
                       const std::string& name) {
  const Mouse m = MouseAt(dev, wc.path);
  if (profile < 0 || profile >= kProfileCount) return false;
  const auto field = EncodeProfileName(name, wc.map.name_size);
  ProfileSettings& ps = wc.profiles[profile];
  ps.name = DecodeProfileName(field.data(), field.size());
  return Connected(dev, wc) && WriteAndCommit(m, wc.map.ProfileName(profile), field);
}

bool ChangeProfileColour(DeviceLayer& dev, WorkingCopy& wc, int profile, const std::array<uint8_t, 3>& rgb) {
  const Mouse m = MouseAt(dev, wc.path);
  if (profile < 0 || profile >= kProfileCount) return false;
  ProfileSettings& ps = wc.profiles[profile];
  const uint32_t at = wc.map.ProfileColour(profile);
  if (wc.map.two_bit_colours) {
    // Three 2-bit levels: 0, 85, 170, 255.
    ps.colour_code = static_cast<uint8_t>(((rgb[0] + 42) / 85) | (((rgb[1] + 42) / 85) << 2) |
                                          (((rgb[2] + 42) / 85) << 4));
    for (int c = 0; c < 3; ++c) ps.colour[c] = static_cast<uint8_t>(((ps.colour_code >> (2 * c)) & 3) * 85);
    if (!Connected(dev, wc)) return false;
    return WriteMemoryByte(m, at, ps.colour_code) && Commit(m);
  }
  ps.colour = rgb;
  return Connected(dev, wc) && WriteAndCommit(m, at, rgb);
}

bool ChangeProfileFlag(DeviceLayer& dev, WorkingCopy& wc, int profile, bool flag) {
  const Mouse m = MouseAt(dev, wc.path);
  if (profile < 0 || profile >= kProfileCount) return false;
  wc.profiles[profile].flag = flag;
  if (!Connected(dev, wc)) return false;
  const uint32_t rec = wc.map.ProfileRecord(profile);
  if (wc.map.two_bit_colours) {
    // Both bytes 0x12 mean the flag is clear; anything else sets it.
    const uint8_t v[2] = {static_cast<uint8_t>(flag ? 0x00 : 0x12), static_cast<uint8_t>(flag ? 0x00 : 0x12)};
    return WriteAndCommit(m, rec, v);
  }
  const int old = ReadMemoryByte(m, rec, true);
  if (old < 0) return false;
  const auto v = static_cast<uint8_t>(flag ? (old | 0x80) : (old & 0x7F));
  return WriteMemoryByte(m, rec, v) && Commit(m);
}

bool ChangeProfileBits(DeviceLayer& dev, WorkingCopy& wc, uint8_t bits) {
  const Mouse m = MouseAt(dev, wc.path);
  wc.profile_bits = bits & 0x1F;
  if (!Connected(dev, wc) || wc.map.profile_bits == 0) return false;
  return WriteMemoryByte(m, wc.map.profile_bits, wc.profile_bits) && Commit(m);
}

bool ChangeButton(DeviceLayer& dev, WorkingCopy& wc, int profile, int key,
                  const ButtonAssignment& a) {
  const Mouse m = MouseAt(dev, wc.path);
  if (profile < 0 || profile >= kProfileCount || key < 0 || key >= static_cast<int>(wc.map.plane_size)) return false;
  ButtonSlot& slot = wc.profiles[profile].buttons[key];
  slot.bytes = a.Bytes();
  return Connected(dev, wc) && WriteButtonAssignment(m, profile, key, slot.bytes, true);
}

bool ChangeKeyCycleBlock(DeviceLayer& dev, WorkingCopy& wc, int profile,
                         const std::array<uint8_t, kExtensionSize>& block) {
  const Mouse m = MouseAt(dev, wc.path);
  if (profile < 0 || profile >= kProfileCount) return false;
  wc.profiles[profile].extension = block;
  return Connected(dev, wc) && WriteAndCommit(m, wc.map.Extension(profile), block);
}

std::vector<uint8_t> ProfileRecordOtherMask(const MemoryMap& map) {
  std::vector<uint8_t> mask(std::min<size_t>(map.name_offset, kMaxRecordHead), 0xFF);
  if (map.two_bit_colours) {
    // Bytes 0-1 hold the flag, the colour byte's bits 0-5 the three 2-bit levels.
    for (size_t i = 0; i < 2 && i < mask.size(); ++i) mask[i] = 0;
    if (map.profile_colour < mask.size()) mask[map.profile_colour] = 0xC0;
  } else {
    if (!mask.empty()) mask[0] = 0x7F;
    for (uint32_t c = 0; c < 3; ++c) {
      if (map.profile_colour + c < mask.size()) mask[map.profile_colour + c] = 0;
    }
  }
  return mask;
}

bool ChangeProfileRecordOther(DeviceLayer& dev, WorkingCopy& wc, int profile, std::span<const uint8_t> head) {
  const Mouse m = MouseAt(dev, wc.path);
  const std::vector<uint8_t> mask = ProfileRecordOtherMask(wc.map);
  if (profile < 0 || profile >= kProfileCount || head.size() != mask.size()) return false;
  if (!Connected(dev, wc)) return false;
  const uint32_t rec = wc.map.ProfileRecord(profile);
  std::vector<uint8_t> now(mask.size());
  if (!ReadMemory(m, rec, now, true)) return false;
  for (size_t i = 0; i < now.size(); ++i) now[i] = static_cast<uint8_t>((now[i] & ~mask[i]) | (head[i] & mask[i]));
  std::copy(now.begin(), now.end(), wc.profiles[profile].record_head.begin());
  return WriteAndCommit(m, rec, now);
}

}  // namespace halvric
