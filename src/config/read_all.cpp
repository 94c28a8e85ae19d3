#include "config/read_all.h"

#include <algorithm>
#include <vector>

#include "device/device_commands.h"
#include "device/memory_size.h"

namespace halvric {

std::string DecodeProfileName(const uint8_t* field, size_t size) {
  size_t n = 0;
  while (n < size && field[n] != 0) ++n;
  return std::string(reinterpret_cast<const char*>(field), n);
}

// Profile names are kept as UTF-8 bytes in the name field; a name that does not fit is cut at a
// character boundary so that the field never ends in half a character.
std::vector<uint8_t> EncodeProfileName(const std::string& name, size_t size) {
  std::vector<uint8_t> out(size, 0);
  size_t n = std::min(name.size(), size);
  while (n > 0 && n < name.size() && (static_cast<uint8_t>(name[n]) & 0xC0) == 0x80) --n;
  std::copy_n(name.begin(), n, out.begin());
  return out;
}

namespace {

void TakeProfiles(WorkingCopy& wc, const std::vector<uint8_t>& mem) {
  const MemoryMap& m = wc.map;
  for (int p = 0; p < kProfileCount; ++p) {
    ProfileSettings& ps = wc.profiles[p];
    const uint32_t ext = m.Extension(p);
    std::copy_n(mem.begin() + ext, kExtensionSize, ps.extension.begin());
    if ((ps.extension[0] & 0x80) != 0 || ps.extension[0] > 8) ps.extension[0] = 0;

    const uint32_t rec = m.ProfileRecord(p);
    if (m.two_bit_colours) {
      ps.flag = !(mem[rec] == 0x12 && mem[rec + 1] == 0x12);
      ps.colour_code = mem[m.ProfileColour(p)] & 0x3F;
      for (int c = 0; c < 3; ++c) ps.colour[c] = static_cast<uint8_t>(((ps.colour_code >> (2 * c)) & 3) * 85);
    } else {
      ps.flag = (mem[rec] & 0x80) != 0;
      for (int c = 0; c < 3; ++c) ps.colour[c] = mem[m.ProfileColour(p) + c];
    }
    ps.name = DecodeProfileName(mem.data() + m.ProfileName(p), m.name_size);

    for (int k = 0; k < kKeySlots; ++k) {
      ButtonSlot& b = ps.buttons[k];
      b.bytes = {0, 0, 0, 0};
      if (static_cast<uint32_t>(k) >= m.plane_size) continue;  // keys the model does not have read as empty
      for (int plane = 0; plane < 4; ++plane) b.bytes[plane] = mem[m.Plane(p, plane) + k];
    }
  }
}

}  // namespace

ReadAllResult ReadAll(DeviceLayer& dev, WorkingCopy& wc, const ProgressFn& progress) {
  dev.mirror().Clear();
  // Read again for the same mouse (after a restore or a reset): a DPI state the mouse keeps no
  // record of stays as the program holds it.
  const bool again = wc.loaded && wc.path == dev.CurrentPath();
  const int held_level = wc.dpi_level;
  const int held_mask = wc.dpi_mask;
  wc.loaded = false;
  const std::string path = dev.CurrentPath();
  wc.path = path;
  if (path.empty()) return ReadAllResult::kNoDevice;
  const auto info = dev.Info(path);
  if (!info) return ReadAllResult::kNoDevice;
  const Mouse mouse = MouseAt(dev, path);

  wc.protocol_level = info->protocol_level;
  wc.type_code = info->type_code;
  wc.product_id = info->product_id;
  wc.lighting = HasLighting(*info);
  wc.feature_flags = info->feature_flags;
  wc.variant = info->variant;
  wc.memory_top = MemoryTop(mouse);
  wc.map = dev.Map(path);

  if (wc.map.checks_signature) {
    const int signature = ReadMemoryByte(mouse, wc.map.signature, true);
    // Only a byte actually read can tell that the memory is blank; a mouse that did not answer
    // must never be wiped.
    if (signature < 0) return ReadAllResult::kFailed;
    if (signature != kMemorySignature) {
      // One stale or garbled answer must not wipe the mouse: the memory counts as uninitialised
      // only when a second read of the byte says so too.
      const int again = ReadMemoryByte(mouse, wc.map.signature, false);
      if (again < 0) return ReadAllResult::kFailed;
      if (again != kMemorySignature) return ReadAllResult::kUninitialised;
    }
  }

  wc.sensor_a = info->sensor_a;
  wc.sensor_b = info->sensor_b;
  wc.generation = info->generation;
  wc.dpi_step = DpiStep(*info);
  wc.generation_number = std::max(1, wc.generation - 10);

  const StatusValues st = GetStatus(mouse);
  if (!st.ok) return ReadAllResult::kFailed;
  wc.status = st.values;
  wc.active_profile = st.values[1];
  // A mouse that stops answering here is not asked for the rest: each request would wait out
  // the handshake, and the working copy is not loaded either way.
  if (!GetInfo2(mouse, wc.info2) || !GetInfo1(mouse, wc.info1)) return ReadAllResult::kFailed;
  wc.info1[0] = std::min<uint8_t>(wc.info1[0], 5);
  wc.info1[1] = std::min<uint8_t>(wc.info1[1], 4);

  const MemoryMap& m = wc.map;
  std::vector<uint8_t> mem(m.read_size, 0);
  for (uint32_t a = 0; a < m.read_size; a += m.read_step) {
    const uint32_t n = std::min(m.read_step, m.read_size - a);
    if (!ReadMemory(mouse, a, std::span<uint8_t>(mem.data() + a, n), true)) return ReadAllResult::kFailed;
    ReportProgress(progress, 0.6 * (a + n) / m.read_size);
  }

  if (m.profile_bits != 0) wc.profile_bits = mem[m.profile_bits] & 0x1F;
  const uint8_t state = m.dpi_state != 0 ? mem[m.dpi_state] : st.values[0];
  wc.dpi_level = std::min(state & 0x07, kDpiLevels - 1);
  wc.dpi_mask = state >> 3;
  if (again && m.dpi_state == 0) {
    wc.dpi_level = held_level;
    wc.dpi_mask = held_mask;
  }
  for (int n = 0; n < kDpiLevels; ++n) wc.dpi[n] = {mem[m.DpiX(n)], mem[m.DpiX(n) + 1]};
  wc.settings_byte = mem[m.settings_byte];
  wc.angle_snapping = wc.settings_byte & 0x01;
  wc.second_field = (wc.settings_byte >> 1) & 0x07;
  wc.rate_code = (wc.settings_byte >> 4) & 0x07;

  TakeProfiles(wc, mem);
  if (!ReadMacroDirectory(mouse, wc.macros, progress, 0.6, 0.8)) return ReadAllResult::kFailed;
  TakeMacroModesFromButtons(wc);

  // Level 0 has 16 information entries; asking for more would only store error answers.
  const int entries = wc.protocol_level == 0 ? kShortInfoEntries : kInfoEntries;
  for (int i = 0; i < kInfoEntries; ++i) {
    wc.info_entries[i].values = {};
    if (i < entries && !GetInfoEntry(mouse, i, wc.info_entries[i].values)) return ReadAllResult::kFailed;
  }
  ReportProgress(progress, 1.0);
  wc.loaded = true;
  return ReadAllResult::kLoaded;
}

}  // namespace halvric
