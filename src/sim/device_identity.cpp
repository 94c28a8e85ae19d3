#include "sim/device_identity.h"

#include "sim/factory_image.h"

namespace halvric::sim {

std::vector<uint8_t> IndexedStringPayload(const ModelSpec& model, int index) {
  if (index == 199) {
    std::vector<uint8_t> s(32, 0);
    s[0] = 0x01;  // string format version
    if (!model.long_reports) {
      s[2] = 'A';
      s[3] = 'R';
      s[4] = 'G';
      s[5] = static_cast<uint8_t>(model.generation);
      s[6] = static_cast<uint8_t>(model.sensor_a);
      s[7] = model.extended_flag;
    } else {
      s[2] = 'A';
      s[3] = 'G';
      s[4] = static_cast<uint8_t>(model.protocol_level);
      s[5] = static_cast<uint8_t>(model.generation);
      s[6] = static_cast<uint8_t>(model.sensor_a);
      s[7] = static_cast<uint8_t>(model.type_code);
      s[8] = static_cast<uint8_t>(model.model_class);
      s[9] = static_cast<uint8_t>(model.variant);
      s[10] = static_cast<uint8_t>(model.sensor_b);
      s[11] = model.feature_flags;
      s[21] = model.lighting ? 1 : 0;
    }
    return s;
  }
  if (index == 198) {
    if (!model.long_reports) {
      std::vector<uint8_t> s(16, 0);
      s[0] = static_cast<uint8_t>(model.type_code);
      s[1] = static_cast<uint8_t>(model.model_class);
      s[2] = static_cast<uint8_t>(model.variant);
      return s;
    }
    // Long-report mice carry their product name here, as UTF-16LE code units.
    std::vector<uint8_t> s;
    for (char c : model.product_name) {
      s.push_back(static_cast<uint8_t>(c));
      s.push_back(0);
    }
    return s;
  }
  return {};
}

std::array<uint8_t, 4> InfoEntry(const ModelSpec& model, int i) {
  return FactoryAssignment(model, i);
}

std::array<uint8_t, 256> DeviceRecord(const ModelSpec& model) {
  std::array<uint8_t, 256> r{};
  // 2-5: identifier (three bytes and a zero), 6-9: firmware version, 10-11: two further values,
  // 12-13: profile count and highest DPI level, 16: sensor kind.
  r[2] = model.identifier[0];
  r[3] = model.identifier[1];
  r[4] = model.identifier[2];
  r[5] = 0;
  r[6] = 1;
  r[7] = static_cast<uint8_t>(model.protocol_level);
  r[8] = static_cast<uint8_t>(model.generation);
  r[9] = 0;
  r[10] = static_cast<uint8_t>(model.sensor_a);
  r[11] = static_cast<uint8_t>(model.sensor_b);
  r[12] = 5;
  r[13] = 4;
  r[16] = static_cast<uint8_t>(model.variant);
  const int entries = LayoutFor(model).info_entries;
  for (int i = 0; i < entries && 72 + 4 * i + 3 < 256; ++i) {
    const auto e = InfoEntry(model, i);
    for (int b = 0; b < 4; ++b) r[72 + 4 * i + b] = e[b];
  }
  return r;
}

}  // namespace halvric::sim
