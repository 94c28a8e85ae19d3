#include "lighting/model_lighting.h"

#include "device/model_table.h"

namespace halvric::lighting {

ModelLighting ModelLightingFor(int type_code, int generation) {
  const ModelRow& row = ModelRowFor(type_code);
  ModelLighting m;
  m.default_colour = row.default_colour;
  const int zones = LightingZones(row, generation);
  m.zones.resize(static_cast<size_t>(zones));
  for (int i = 0; i < zones; ++i) m.zones[static_cast<size_t>(i)] = i;
  m.wide_wave = zones == kPictureZones;
  return m;
}

}  // namespace halvric::lighting
