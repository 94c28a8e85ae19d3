#include "device/memory_map.h"

namespace halvric {

MemoryMap MemoryMapFor(int level, bool lighting) {
  MemoryMap m;
  m.protocol_level = level;
  if (level == 0) return m;  // the defaults above are the short mouse's map
  m.two_bit_colours = false;
  m.dpi_table = 3;
  m.settings_byte = 14;
  m.profile_base = 32;
  m.name_offset = 6;
  m.name_size = 26;
  m.read_size = 2048;
  m.read_step = 60;
  if (level >= 3) m.led_mode = 0x11;
  m.probe_size_on_reset = level < 10;
  if (level <= 10) {
    m.profile_stride = 128;
    m.planes_offset = 32;
    m.plane_size = 24;
    m.extension_base = 1008;
    m.directory = 672;
    m.mode_table = 992;
    m.macro_area = lighting ? 1200 : 1120;
  } else {
    m.checks_signature = true;
    m.dpi_state = 2;
    m.profile_bits = 15;
    m.profile_stride = 160;
    m.planes_offset = 32;
    m.plane_size = 32;
    m.extension_base = 1168;
    m.directory = 832;
    m.mode_table = 1152;
    m.zone_table = 0x500;
    m.zone_records = 16;
    m.macro_area = 1360;
  }
  return m;
}

}  // namespace halvric
