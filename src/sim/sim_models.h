#pragma once
// The table of simulated mouse models. A model fixes everything about a simulated mouse that does
// not change while it runs: report size, protocol level, identification strings, memory size and
// layout, and the factory values the firmware starts from.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace halvric::sim {

struct ModelSpec {
  std::string name;                  // "level0", "level0-gamepad", "level5", "level11", ...
  bool long_reports = false;         // 64-byte features on interface 1, else 9-byte on interface 0
  int protocol_level = 0;
  int type_code = 0;
  bool lighting = false;
  size_t memory_size = 0;            // bytes; the memory repeats itself across the address space
  bool reports_memory_size = false;  // the status answer carries the highest address
  bool blank = false;                // memory uninitialised (all 0xFF) at first power-up
  uint16_t product_id = 0;
  bool strict = false;               // refuses what the command set does not send (sim_mouse.h)
  // Upgrade acknowledgements arrive on the configuration interface (usage page 0xFF18) instead of
  // the 0xFF23 input interface.
  bool acks_on_config_interface = false;

  int model_class = 11;              // must be 11 to be accepted by identification
  int variant = 0;
  int generation = 0;                // generation byte of string 199
  int sensor_a = 3;
  int sensor_b = 64;
  uint8_t feature_flags = 0;         // long: byte 11 of string 199; bit 6 = upgrade possible
  std::array<uint8_t, 3> identifier{};  // short: identifier of the first information answer
  uint8_t extended_flag = 0;         // short: byte 7 of string 199
  std::string product_name;          // string 198 of long-report mice (UTF-16LE payload)
  int dpi_unit = 50;                 // DPI per raw unit
  uint8_t input_report_id = 1;       // report id of the vendor input reports
  size_t input_report_length = 64;   // length of the vendor input reports, report id included
};

const ModelSpec* FindModel(std::string_view name);  // nullptr if unknown
std::vector<std::string> ModelNames();

// Where the firmware keeps its things in memory, per protocol level.
struct MemoryLayout {
  uint32_t active_profile = 0;   // byte holding the stored active profile
  // Level 11: the byte holding the DPI state value (level | mask << 3). 0: below level 11 the
  // firmware keeps the state only live and tells it in its status answer.
  uint32_t dpi_state = 0;
  uint32_t dpi_table = 0;        // five X, Y pairs
  uint32_t settings = 0;         // settings byte (angle snapping, rate code)
  uint32_t profile_base = 0;
  uint32_t profile_stride = 0;
  uint32_t planes_offset = 0;    // offset of button plane 0 inside a profile record
  uint32_t plane_size = 0;       // keys per plane
  uint32_t extension = 0;        // five 21-byte records
  uint32_t directory = 0;        // 80 x 4 bytes, mode table 320 bytes later
  uint32_t macro_area = 0;
  uint32_t zone_table = 0;       // lighting zone records (0 = no lighting)
  int zone_count = 0;
  uint32_t led_mode = 0x11;
  int info_entries = 16;         // information entries the firmware answers
};

MemoryLayout LayoutFor(const ModelSpec& model);

}  // namespace halvric::sim
