#pragma once
// What each model has in lighting: the zones the picture shows (indices into the zone table)
// and the colour of a zone that has no colour of its own.

#include <vector>

#include "lighting/led_zone_record.h"

namespace halvric::lighting {

// The picture of the lighting window has at most this many zones; they are the first records
// of the zone table.
inline constexpr int kPictureZones = 11;

struct ModelLighting {
  Rgb default_colour{};
  std::vector<int> zones;  // ascending zone indices, 7, 9 or 11 of them
  bool wide_wave = false;  // the wave pictures of the eleven-zone models
};

// By type code and firmware generation, from the model table (device/model_table.h).
ModelLighting ModelLightingFor(int type_code, int generation);

}  // namespace halvric::lighting
