#include "lighting/model_lighting.h"

#include <array>

namespace halvric::lighting {
namespace {

// Default zone colour per type code 0-24.
constexpr std::array<Rgb, 25> kDefaultColour = {{
    {255, 0, 0},   {255, 0, 0},   {255, 64, 0},  {0, 128, 255}, {255, 0, 0},
    {255, 0, 0},   {0, 255, 0},   {255, 0, 0},   {0, 0, 255},   {255, 32, 0},
    {255, 0, 0},   {0, 160, 255}, {255, 0, 128}, {0, 255, 64},  {255, 0, 0},
    {255, 96, 0},  {0, 0, 255},   {255, 0, 0},   {128, 0, 255}, {255, 40, 0},
    {0, 255, 255}, {255, 0, 0},   {255, 255, 0}, {255, 0, 64},  {0, 64, 255},
}};

std::vector<int> FirstZones(int n) {
  std::vector<int> z(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) z[static_cast<size_t>(i)] = i;
  return z;
}

}  // namespace

ModelLighting ModelLightingFor(int type_code, int generation) {
  if (type_code < 0 || type_code > 24) type_code = 3;
  ModelLighting m;
  m.default_colour = kDefaultColour[static_cast<size_t>(type_code)];
  int zones = 7;
  if (type_code >= 19) {
    zones = generation >= 40 ? 11 : 9;
  } else if (type_code >= 11) {
    zones = generation >= 32 ? 9 : 7;
  }
  m.zones = FirstZones(zones);
  m.wide_wave = zones == kPictureZones;
  return m;
}

}  // namespace halvric::lighting
