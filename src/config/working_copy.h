#pragma once
// The program's copy of the mouse's configuration, filled by the read-all sequence and edited by
// the windows and halvricctl before the changes are sent to the mouse. It holds what the mouse
// holds; the texts shown for it are described where they are drawn or printed.

#include <array>
#include <cstdint>
#include <string>

#include "config/macro_slot.h"
#include "device/memory_map.h"

namespace halvric {

struct ButtonSlot {
  std::array<uint8_t, 4> bytes{};  // function type, parameters 1-3 (planes 0-3)
};

// The longest profile-record head before the name (level 0: 14 bytes).
inline constexpr size_t kMaxRecordHead = 14;

struct ProfileSettings {
  bool flag = false;
  std::array<uint8_t, 3> colour{};            // red, green, blue 0-255 (level 0: 2-bit levels scaled)
  uint8_t colour_code = 0;                    // level 0: the stored 2-bit levels
  std::string name;                           // as stored (may be empty)
  std::array<uint8_t, kExtensionSize> extension{};  // the key-cycle block
  // The profile record's bytes before the name as read (the map's name_offset of them): flag and
  // colour, and bytes the program does not interpret but keeps (ProfileRecordOtherBits).
  std::array<uint8_t, kMaxRecordHead> record_head{};
  std::array<ButtonSlot, kKeySlots> buttons{};
};

struct InfoEntry {
  std::array<uint8_t, 4> values{};
};

struct WorkingCopy {
  bool loaded = false;
  unsigned read_parts = 0;  // the parts read from the mouse (kRead... bits of read_all.h); all after a read-all
  std::string path;
  int protocol_level = 0;
  int type_code = 0;
  uint16_t product_id = 0;
  bool lighting = false;
  MemoryMap map;
  uint32_t memory_top = 0;
  uint32_t feature_flags = 0;
  int variant = 0;
  int sensor_a = 0;
  int sensor_b = 0;
  int generation = 0;
  int generation_number = 1;  // shown on the information page
  int dpi_step = 50;          // DPI per raw unit
  std::array<uint8_t, 6> status{};  // the GetStatus values
  // The profile the mouse plays: status value 1 at the connection, then followed as the programs
  // switch it and as the mouse reports its own switches.
  int active_profile = 0;
  std::array<uint8_t, 4> info2{};
  std::array<uint8_t, 2> info1{};   // [0] limited to 5, [1] limited to 4

  std::array<std::array<uint8_t, 2>, kDpiLevels> dpi{};  // raw X, Y per level
  // The DPI state: level 11 keeps it in memory; below, the mouse reports it in its status and the
  // program keeps the level it made current and the mask (set.ini, see saved_dpi_state.h).
  int dpi_level = 0;     // bits 0-2 of the state
  int dpi_mask = 0;      // bits 3 and up, shifted down
  uint8_t profile_bits = 0x1F;  // level 11+: one enable bit per profile

  uint8_t settings_byte = 0;
  int angle_snapping = 0;  // bit 0
  int second_field = 0;    // bits 1-3
  int rate_code = 0;       // bits 4-6

  std::array<ProfileSettings, kProfileCount> profiles{};
  MacroSlotTable macros{};
  std::array<InfoEntry, kInfoEntries> info_entries{};
};

// True when the four button bytes play the macro whose body starts at `body`: function 8-10,
// parameters body low byte, high byte and 0.
bool PlaysMacro(const std::array<uint8_t, 4>& bytes, uint32_t body);
// The mode of the macro at `body` as the buttons that play it give it (the first one found, in
// profile and key order), else 8. Used for slots whose mode byte lies inside a key-cycle record.
uint32_t MacroModeFromButtons(const WorkingCopy& wc, uint32_t body);
// Whether the mouse holds a play mode for used slot `slot`: in its own mode byte, or, for a slot
// whose mode byte belongs to the key cycles, in a button that plays it. A slot no button plays
// has then no mode in the mouse (its mode reads as 8 only for want of one).
bool MacroModeKept(const WorkingCopy& wc, int slot);
// Sets that mode for every used slot whose mode byte lies inside a key-cycle record.
void TakeMacroModesFromButtons(WorkingCopy& wc);

// Report rate in Hz for a rate code: one report every (code + 1) ms, so 0 = 1000 Hz and
// 7 = 125 Hz (the slider shows 7 minus the code, fastest on the right).
int ReportRateHz(int rate_code);

// The name shown for a profile: its stored name, or the profile word and its number ("Profile 3").
std::string ProfileDisplayName(const std::string& stored, const std::string& profile_word, int profile);

}  // namespace halvric
