#include "device/model_layout.h"

#include "device/model_table.h"
#include "device/protocol_encoding.h"

namespace halvric {

ModelLayout DecideModelLayout(int t, int level) {
  const ModelRow& model = ModelRowFor(t);
  const EncodingTraits traits = EncodingFor(level).Traits();
  const ModelPicture& picture = traits.short_reports ? model.short_picture : model.long_picture;
  ModelLayout m;
  m.row = picture.row;
  m.buttons = picture.buttons;
  m.alternate_layout = model.alternate_layout;
  m.key_row = (traits.wide_key_planes && model.level11_key_row >= 0) ? model.level11_key_row : m.row;
  const auto& row = KeyIndexRow(m.key_row);
  for (size_t i = 0; i < row.size() && i < m.key_index.size(); ++i) m.key_index[i] = row[i];
  // Mice with wide planes have their two extra keys at 30 and 31 where older ones had 22 and 23.
  if (m.key_row != 11 && traits.wide_key_planes) {
    for (int& k : m.key_index) {
      if (k == 22) k = 30;
      else if (k == 23) k = 31;
    }
  }
  return m;
}

std::string ModelName(int type_code, bool short_report) {
  const ModelRow& model = ModelRowFor(type_code);
  return short_report && model.short_report_name != nullptr ? model.short_report_name : model.name;
}

std::string ModelName(const DeviceInfo& info) {
  return ModelName(info.type_code, EncodingFor(info.protocol_level).Traits().short_reports);
}

}  // namespace halvric
