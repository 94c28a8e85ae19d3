#include "sim/sim_models.h"

namespace halvric::sim {
namespace {

std::vector<ModelSpec> BuildModels() {
  std::vector<ModelSpec> models;

  ModelSpec level0;
  level0.name = "level0";
  level0.long_reports = false;
  level0.protocol_level = 0;
  level0.type_code = 1;
  level0.lighting = false;
  level0.memory_size = 8192;
  level0.reports_memory_size = false;
  level0.product_id = 0x7040;
  level0.variant = 1;
  level0.generation = 30;
  level0.sensor_a = 5;
  level0.sensor_b = 64;
  level0.identifier = {0x20, 0x00, 0x00};
  level0.product_name = "Halvric simulated mouse L0";
  level0.input_report_id = 11;
  level0.input_report_length = 16;
  models.push_back(level0);

  // A level-0 mouse whose identification string carries the extended flag: it has the game-pad
  // functions.
  ModelSpec gamepad = level0;
  gamepad.name = "level0-gamepad";
  gamepad.extended_flag = 1;
  gamepad.product_id = 0x7041;
  gamepad.product_name = "Halvric simulated mouse L0 game-pad";
  models.push_back(gamepad);

  ModelSpec level5;
  level5.name = "level5";
  level5.long_reports = true;
  level5.protocol_level = 5;
  level5.type_code = 11;
  level5.lighting = true;
  level5.memory_size = 8192;
  level5.reports_memory_size = false;
  level5.product_id = 0x7045;
  level5.variant = 2;
  level5.generation = 32;
  level5.sensor_a = 5;
  level5.sensor_b = 64;
  level5.feature_flags = 0x01;
  level5.identifier = {0x01, 0x05, 0x00};
  level5.product_name = "Halvric simulated mouse L5";
  models.push_back(level5);

  ModelSpec level11;
  level11.name = "level11";
  level11.long_reports = true;
  level11.protocol_level = 11;
  level11.type_code = 19;
  level11.lighting = true;
  level11.memory_size = 16384;
  level11.reports_memory_size = true;
  level11.product_id = 0x7051;
  level11.variant = 3;
  level11.generation = 40;
  level11.sensor_a = 18;
  level11.sensor_b = 100;
  level11.feature_flags = 0x41;
  level11.identifier = {0x41, 0x11, 0x00};
  level11.product_name = "Halvric simulated mouse L11";
  level11.dpi_unit = 100;
  models.push_back(level11);

  ModelSpec blank = level11;
  blank.name = "level11-blank";
  blank.blank = true;
  models.push_back(blank);

  ModelSpec ff18 = level11;
  ff18.name = "level11-ff18";
  ff18.acks_on_config_interface = true;
  models.push_back(ff18);

  for (const ModelSpec* base : {&level0, &level5, &level11}) {
    ModelSpec strict = *base;
    strict.name = base->name + "-strict";
    strict.strict = true;
    models.push_back(strict);
  }

  return models;
}

const std::vector<ModelSpec>& Models() {
  static const std::vector<ModelSpec> models = BuildModels();
  return models;
}

}  // namespace

const ModelSpec* FindModel(std::string_view name) {
  for (const ModelSpec& m : Models()) {
    if (m.name == name) return &m;
  }
  return nullptr;
}

std::vector<std::string> ModelNames() {
  std::vector<std::string> names;
  for (const ModelSpec& m : Models()) names.push_back(m.name);
  return names;
}

MemoryLayout LayoutFor(const ModelSpec& model) {
  MemoryLayout l;
  if (model.protocol_level == 0) {
    l.active_profile = 2;
    l.dpi_table = 4;
    l.settings = 15;
    l.profile_base = 16;
    l.profile_stride = 96;
    l.planes_offset = 32;
    l.plane_size = 16;
    l.extension = 912;
    l.directory = 512;
    l.macro_area = 1024;
    l.info_entries = 16;
  } else if (model.protocol_level <= 10) {
    l.active_profile = 1;
    l.dpi_table = 3;
    l.settings = 14;
    l.profile_base = 32;
    l.profile_stride = 128;
    l.planes_offset = 32;
    l.plane_size = 24;
    l.extension = 1008;
    l.directory = 672;
    l.macro_area = model.lighting ? 1200 : 1120;
    if (model.lighting && model.protocol_level >= 3) {
      l.zone_table = 0x460;
      l.zone_count = 13;
    }
    l.info_entries = 32;
  } else {
    l.active_profile = 1;
    l.dpi_state = 2;
    l.dpi_table = 3;
    l.settings = 14;
    l.profile_base = 32;
    l.profile_stride = 160;
    l.planes_offset = 32;
    l.plane_size = 32;
    l.extension = 1168;
    l.directory = 832;
    l.macro_area = 1360;
    if (model.lighting) {
      l.zone_table = 0x500;
      l.zone_count = 16;
    }
    l.info_entries = 32;
  }
  return l;
}

}  // namespace halvric::sim
