#include "sim/factory_image.h"

#include <algorithm>
#include <cstring>

namespace halvric::sim {
namespace {

constexpr uint8_t kMouse = 4;
constexpr uint8_t kDpiUp = 12;
constexpr uint8_t kDpiDown = 13;
constexpr uint8_t kDpiLoop = 14;
constexpr uint8_t kProfileSwitch = 17;

// Raw DPI values of the five levels (X = Y): 400, 800, 1600, 3200, 6400 DPI at 50 per unit,
// twice that at 100 per unit.
constexpr std::array<uint8_t, 5> kDpiRaw = {8, 16, 32, 64, 128};

// Profile colours: red, green, blue, yellow, white.
constexpr std::array<std::array<uint8_t, 3>, 5> kProfileColour = {{
    {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}, {255, 255, 255}}};

}  // namespace

std::array<uint8_t, 4> FactoryAssignment(const ModelSpec& model, int key) {
  const int keys = static_cast<int>(LayoutFor(model).plane_size);
  if (key < 0 || key >= keys) return {0, 0, 0, 0};
  // The last two keys are the wheel directions.
  if (key == keys - 2) return {kMouse, 0, 1, 0};
  if (key == keys - 1) return {kMouse, 0, 255, 0};
  switch (key) {
    case 0: return {kMouse, 1, 0, 0};    // left click
    case 1: return {kMouse, 2, 0, 0};    // right click
    case 2: return {kMouse, 4, 0, 0};    // wheel click
    case 3: return {kMouse, 8, 0, 0};    // backward
    case 4: return {kMouse, 16, 0, 0};   // forward
    case 5: return {kDpiUp, 0, 0, 0};
    case 6: return {kDpiDown, 0, 0, 0};
    case 7: return {kDpiLoop, 0, 0, 0};
    case 8: return {kProfileSwitch, 0, 0, 0};
    default: return {1, 0, 0, 0};        // no function
  }
}

std::vector<uint8_t> FactoryImage(const ModelSpec& model) {
  std::vector<uint8_t> mem(model.memory_size, 0x00);
  if (model.blank) {
    std::fill(mem.begin(), mem.end(), 0xFF);
    return mem;
  }
  const MemoryLayout l = LayoutFor(model);
  auto put = [&mem](uint32_t addr, uint8_t v) { mem[addr % mem.size()] = v; };

  put(0, 0x12);                                   // initialised
  put(l.active_profile, 0);
  if (l.dpi_state != 0) put(l.dpi_state, static_cast<uint8_t>(1 | (0x1F << 3)));  // level 1, all enabled
  for (int n = 0; n < 5; ++n) {
    put(l.dpi_table + 2 * n, kDpiRaw[n]);
    put(l.dpi_table + 2 * n + 1, kDpiRaw[n]);
  }
  put(l.settings, 0x00);                          // rate code 0, angle snapping off
  if (model.protocol_level >= 11) put(15, 0x1F);  // per-profile bits
  if (model.lighting) put(l.led_mode, 1);         // "Wave"

  for (uint32_t p = 0; p < 5; ++p) {
    const uint32_t rec = l.profile_base + l.profile_stride * p;
    if (model.protocol_level == 0) {
      put(rec + 0, 0x12);
      put(rec + 1, 0x12);
      // Colour as three 2-bit levels.
      const auto& c = kProfileColour[p];
      put(rec + 3, static_cast<uint8_t>((c[0] / 85) | ((c[1] / 85) << 2) | ((c[2] / 85) << 4)));
    } else {
      put(rec + 2, 7);
      for (int i = 0; i < 3; ++i) put(rec + 3 + i, kProfileColour[p][i]);
    }
    for (uint32_t k = 0; k < l.plane_size; ++k) {
      const auto a = FactoryAssignment(model, static_cast<int>(k));
      for (uint32_t plane = 0; plane < 4; ++plane) {
        put(rec + l.planes_offset + plane * l.plane_size + k, a[plane]);
      }
    }
  }
  // Extension records and the macro directory stay zero (no key cycles, no macros); a macro's
  // mode defaults to 8 where its mode byte is not part of an extension record.
  for (uint32_t slot = 0; slot < 80; ++slot) {
    const uint32_t at = l.directory + 320 + slot;
    if (at < l.extension || at >= l.extension + 5 * 21) put(at, 8);
  }
  // Lighting zones: no zone has its own colour, all "Always ON".
  for (int z = 0; z < l.zone_count; ++z) put(l.zone_table + 4 * z, 0x40);
  return mem;
}

}  // namespace halvric::sim
