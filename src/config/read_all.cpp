#include "config/read_all.h"

#include <algorithm>
#include <optional>
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
    ps.record_head = {};
    std::copy_n(mem.begin() + rec, std::min<size_t>(m.name_offset, kMaxRecordHead), ps.record_head.begin());
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

// The configuration memory as far as one read has fetched it: chunks of the read-all's step
// from address 0, each read at most once.
class MemoryChunks {
 public:
  MemoryChunks(const Mouse& mouse, const MemoryMap& map)
      : mouse_(mouse), map_(map), mem_(map.read_size, 0), read_((map.read_size + map.read_step - 1) / map.read_step) {}
  const std::vector<uint8_t>& mem() const { return mem_; }
  uint8_t operator[](uint32_t a) const { return mem_[a]; }
  // Reads the chunks of [from, to) not read yet, in address order, with the progress from
  // `progress_from` to `progress_to` over the read.
  bool Read(uint32_t from, uint32_t to, const ProgressFn& progress = {}, double progress_from = 0, double progress_to = 0) {
    to = std::min(to, map_.read_size);
    for (uint32_t a = from - from % map_.read_step; a < to; a += map_.read_step) {
      const uint32_t n = std::min(map_.read_step, map_.read_size - a);
      if (!read_[a / map_.read_step]) {
        if (!ReadMemory(mouse_, a, std::span<uint8_t>(mem_.data() + a, n), true)) return false;
        read_[a / map_.read_step] = true;
      }
      ReportProgress(progress, progress_from + (progress_to - progress_from) * (a + n - from) / (to - from));
    }
    return true;
  }
  // Forgets every chunk (their bytes came with an answer that is not to be trusted).
  void Forget() { std::fill(read_.begin(), read_.end(), false); }

 private:
  const Mouse& mouse_;
  const MemoryMap& map_;
  std::vector<uint8_t> mem_;
  std::vector<bool> read_;
};

// What identification learnt, the memory map and the memory top: no exchange but the signature
// check of level 11 (and the memory top when asked for).
ReadAllResult TakeIdentity(const DeviceInfo& info, const Mouse& mouse, WorkingCopy& wc, MemoryChunks& chunks,
                           bool memory_top) {
  wc.protocol_level = info.protocol_level;
  wc.type_code = info.type_code;
  wc.product_id = info.product_id;
  wc.lighting = HasLighting(info);
  wc.feature_flags = info.feature_flags;
  wc.variant = info.variant;
  if (memory_top) wc.memory_top = MemoryTop(mouse);

  if (wc.map.checks_signature) {
    // Read as the first chunk of the memory, which the settings come from too.
    const bool read = wc.map.signature < wc.map.read_step && chunks.Read(wc.map.signature, wc.map.signature + 1);
    const int signature = read ? chunks[wc.map.signature] : ReadMemoryByte(mouse, wc.map.signature, true);
    // Only a byte actually read can tell that the memory is blank; a mouse that did not answer
    // must never be wiped.
    if (signature < 0) return ReadAllResult::kFailed;
    if (signature != kMemorySignature) {
      // One stale or garbled answer must not wipe the mouse: the memory counts as uninitialised
      // only when a second read of the byte says so too.
      chunks.Forget();
      const int again = ReadMemoryByte(mouse, wc.map.signature, false);
      if (again < 0) return ReadAllResult::kFailed;
      if (again != kMemorySignature) return ReadAllResult::kUninitialised;
    }
  }

  wc.sensor_a = info.sensor_a;
  wc.sensor_b = info.sensor_b;
  wc.generation = info.generation;
  wc.dpi_step = DpiStep(info);
  wc.generation_number = std::max(1, wc.generation - 10);
  return ReadAllResult::kLoaded;
}

// The DPI table, the settings byte and, on level 11, the DPI state and the profile bits: all at
// the start of the memory.
bool TakeSettings(WorkingCopy& wc, MemoryChunks& chunks, bool dpi_state) {
  const MemoryMap& m = wc.map;
  uint32_t end = std::max(m.DpiX(kDpiLevels - 1) + 2, m.settings_byte + 1);
  if (m.profile_bits != 0) end = std::max(end, m.profile_bits + 1);
  if (m.dpi_state != 0) end = std::max(end, m.dpi_state + 1);
  if (!chunks.Read(0, end)) return false;
  if (m.profile_bits != 0) wc.profile_bits = chunks[m.profile_bits] & 0x1F;
  if (dpi_state && m.dpi_state != 0) {
    wc.dpi_level = std::min(chunks[m.dpi_state] & 0x07, kDpiLevels - 1);
    wc.dpi_mask = chunks[m.dpi_state] >> 3;
  }
  for (int n = 0; n < kDpiLevels; ++n) wc.dpi[n] = {chunks[m.DpiX(n)], chunks[m.DpiX(n) + 1]};
  wc.settings_byte = chunks[m.settings_byte];
  wc.angle_snapping = wc.settings_byte & 0x01;
  wc.second_field = (wc.settings_byte >> 1) & 0x07;
  wc.rate_code = (wc.settings_byte >> 4) & 0x07;
  return true;
}

}  // namespace

ReadAllResult ReadParts(DeviceLayer& dev, WorkingCopy& wc, unsigned parts, const ProgressFn& progress) {
  const std::string path = dev.CurrentPath();
  const auto info = path.empty() ? std::nullopt : dev.Info(path);
  // Another mouse, or the first read: everything starts afresh.
  if (!wc.loaded || wc.path != path || !info) {
    dev.mirror().Clear();
    wc.loaded = false;
    wc.read_parts = 0;
    wc.path = path;
    if (!info) return ReadAllResult::kNoDevice;
    wc.map = dev.Map(path);
  }
  // The parts a part is made from.
  if ((parts & kReadProfiles) != 0) parts |= kReadSettings;
  if ((parts & kReadSettings) != 0) parts |= kReadDpiState;
  if ((parts & kReadDpiState) != 0 && wc.map.dpi_state == 0) parts |= kReadStatus;
  const unsigned missing = parts & ~wc.read_parts;
  const Mouse mouse = MouseAt(dev, path);
  MemoryChunks chunks(mouse, wc.map);

  if (!wc.loaded) {
    const ReadAllResult r = TakeIdentity(*info, mouse, wc, chunks, (missing & kReadMemoryTop) != 0);
    if (r != ReadAllResult::kLoaded) return r;
  } else if ((missing & kReadMemoryTop) != 0) {
    wc.memory_top = MemoryTop(mouse);
  }

  if ((missing & kReadStatus) != 0) {
    const StatusValues st = GetStatus(mouse);
    if (!st.ok) return ReadAllResult::kFailed;
    wc.status = st.values;
    wc.active_profile = st.values[1];
  }
  if ((missing & kReadDpiState) != 0 && wc.map.dpi_state == 0) {
    wc.dpi_level = std::min(wc.status[0] & 0x07, kDpiLevels - 1);
    wc.dpi_mask = wc.status[0] >> 3;
  }
  if ((missing & kReadInfoValues) != 0) {
    // A mouse that stops answering here is not asked for the rest: each request would wait out
    // the handshake, and the working copy is not loaded either way.
    if (!GetInfo2(mouse, wc.info2) || !GetInfo1(mouse, wc.info1)) return ReadAllResult::kFailed;
    wc.info1[0] = std::min<uint8_t>(wc.info1[0], 5);
    wc.info1[1] = std::min<uint8_t>(wc.info1[1], 4);
  }

  if ((missing & kReadProfiles) != 0) {
    if (!chunks.Read(0, wc.map.read_size, progress, 0, 0.6)) return ReadAllResult::kFailed;
    TakeProfiles(wc, chunks.mem());
  }
  if ((missing & kReadSettings) != 0) {
    if (!TakeSettings(wc, chunks, (missing & kReadDpiState) != 0)) return ReadAllResult::kFailed;
  } else if ((missing & kReadDpiState) != 0 && wc.map.dpi_state != 0) {
    if (!chunks.Read(wc.map.dpi_state, wc.map.dpi_state + 1)) return ReadAllResult::kFailed;
    wc.dpi_level = std::min(chunks[wc.map.dpi_state] & 0x07, kDpiLevels - 1);
    wc.dpi_mask = chunks[wc.map.dpi_state] >> 3;
  }

  if ((missing & kReadMacros) != 0 && !ReadMacroDirectory(mouse, wc.macros, progress, 0.6, 0.8)) {
    return ReadAllResult::kFailed;
  }
  // Slots whose mode byte belongs to a key cycle take their mode from the buttons that play them.
  if ((missing & (kReadMacros | kReadProfiles)) != 0 && ((wc.read_parts | parts) & (kReadMacros | kReadProfiles)) ==
                                                             (kReadMacros | kReadProfiles)) {
    TakeMacroModesFromButtons(wc);
  }

  if ((missing & kReadInfoEntries) != 0) {
    // Identification has read them into the device record (level 0 answers entries 0-15 only).
    const int entries = wc.protocol_level == 0 ? kShortInfoEntries : kInfoEntries;
    for (int i = 0; i < kInfoEntries; ++i) {
      wc.info_entries[i].values = {};
      if (i < entries) std::copy_n(info->record.begin() + 72 + 4 * i, 4, wc.info_entries[i].values.begin());
    }
  }
  ReportProgress(progress, 1.0);
  wc.read_parts |= parts;
  wc.loaded = true;
  return ReadAllResult::kLoaded;
}

ReadAllResult ReadAll(DeviceLayer& dev, WorkingCopy& wc, const ProgressFn& progress) {
  // Read again for the same mouse (after a restore or a reset): a DPI state the mouse keeps no
  // record of stays as the program holds it.
  const bool again = wc.loaded && wc.path == dev.CurrentPath();
  const int held_level = wc.dpi_level;
  const int held_mask = wc.dpi_mask;
  wc.loaded = false;
  const ReadAllResult r = ReadParts(dev, wc, kReadEverything, progress);
  if (r == ReadAllResult::kLoaded && again && wc.map.dpi_state == 0) {
    wc.dpi_level = held_level;
    wc.dpi_mask = held_mask;
  }
  return r;
}

}  // namespace halvric
