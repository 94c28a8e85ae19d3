#include "config/default_image.h"

#include "device/memory_map.h"
#include "device/memory_size.h"

namespace halvric {
namespace {

// Profile colours red, green, blue, yellow, white.
constexpr std::array<std::array<uint8_t, 3>, kProfileCount> kProfileColour = {
    {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}, {255, 255, 255}}};

constexpr uint8_t kDefaultLedMode = 1;        // "Wave"
constexpr uint8_t kZoneAlwaysOn = 0x40;       // no colour of its own, always on

}  // namespace

ButtonAssignment DefaultAssignment(int key, int keys) {
  if (key < 0 || key >= keys) return ButtonAssignment::Default();
  if (key == keys - 2) return ButtonAssignment::Wheel(1);
  if (key == keys - 1) return ButtonAssignment::Wheel(-1);
  switch (key) {
    case 0: return ButtonAssignment::MouseButtons(mouse_button::kLeft);
    case 1: return ButtonAssignment::MouseButtons(mouse_button::kRight);
    case 2: return ButtonAssignment::MouseButtons(mouse_button::kWheel);
    case 3: return ButtonAssignment::MouseButtons(mouse_button::kBackward);
    case 4: return ButtonAssignment::MouseButtons(mouse_button::kForward);
    case 5: return ButtonAssignment::DpiUp();
    case 6: return ButtonAssignment::DpiDown();
    case 7: return ButtonAssignment::DpiLoop();
    case 8: return ButtonAssignment::Make(function_type::kProfileSwitch);
    default: return ButtonAssignment::NoFunction();
  }
}

std::vector<uint8_t> BuildDefaultImage(int level, bool lighting, int dpi_step) {
  std::vector<uint8_t> img(kDefaultImageSize, 0);
  const MemoryMap m = MemoryMapFor(level, lighting);
  img[0] = kMemorySignature;
  if (m.dpi_state != 0) img[m.dpi_state] = static_cast<uint8_t>(kDefaultDpiLevel | (0x1F << 3));
  if (m.profile_bits != 0) img[m.profile_bits] = 0x1F;
  if (dpi_step <= 0) dpi_step = 50;
  for (int n = 0; n < kDpiLevels; ++n) {
    const int raw = kDefaultDpi[n] / dpi_step;
    const auto v = static_cast<uint8_t>(raw > 255 ? 255 : raw);
    img[m.DpiX(n)] = v;
    img[m.DpiX(n) + 1] = v;
  }
  img[m.settings_byte] = 0x00;  // fastest report rate, angle snapping off

  for (int p = 0; p < kProfileCount; ++p) {
    const uint32_t rec = m.ProfileRecord(p);
    if (m.two_bit_colours) {
      img[rec] = 0x12;
      img[rec + 1] = 0x12;
      const auto& c = kProfileColour[p];
      img[m.ProfileColour(p)] = static_cast<uint8_t>((c[0] / 85) | ((c[1] / 85) << 2) | ((c[2] / 85) << 4));
    } else {
      img[rec + 2] = 7;
      for (int c = 0; c < 3; ++c) img[m.ProfileColour(p) + c] = kProfileColour[p][c];
    }
    const int keys = static_cast<int>(m.plane_size);
    for (int k = 0; k < keys; ++k) {
      const auto bytes = DefaultAssignment(k, keys).Bytes();
      for (int plane = 0; plane < 4; ++plane) img[m.Plane(p, plane) + k] = bytes[plane];
    }
  }
  // Key-cycle records stay empty; mode bytes that lie inside them are theirs.
  for (int s = 0; s < kMacroSlots; ++s) {
    if (!m.ModeEntryInKeyCycle(s)) img[m.ModeEntry(s)] = 8;
  }

  if (lighting && m.led_mode != 0) {
    img[m.led_mode] = kDefaultLedMode;
    for (int z = 0; z < m.zone_records; ++z) img[m.Zone(z)] = kZoneAlwaysOn;
  }
  img[kDefaultImageSize - 1] = kSizeProbeMarker;
  img[kDefaultImageSize - 2] = kSizeProbeMarker;
  return img;
}

}  // namespace halvric
