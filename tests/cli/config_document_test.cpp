// The exported document against the JSON Schema in docs/, and the readable button forms.

#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <regex>

#include "cli/ctl_run.h"
#include "cli/function_spec.h"
#include "support/sim_fixture.h"

namespace halvric {
namespace {

using nlohmann::json;

bool HasType(const json& v, const std::string& type) {
  if (type == "object") return v.is_object();
  if (type == "array") return v.is_array();
  if (type == "string") return v.is_string();
  if (type == "boolean") return v.is_boolean();
  if (type == "integer") return v.is_number_integer();
  return false;
}

// The parts of JSON Schema the format's schema uses: type, required, properties, items, enum,
// const, pattern, minimum/maximum, minItems/maxItems. Appends what does not hold to `faults`.
void Check(const json& schema, const json& v, const std::string& path, std::vector<std::string>& faults) {
  auto fault = [&](const std::string& why) { faults.push_back(path + ": " + why); };
  if (schema.contains("type") && !HasType(v, schema["type"])) return fault("not " + schema["type"].get<std::string>());
  if (schema.contains("const") && v != schema["const"]) fault("not " + schema["const"].dump());
  if (schema.contains("enum") && std::find(schema["enum"].begin(), schema["enum"].end(), v) == schema["enum"].end()) {
    fault("not one of " + schema["enum"].dump());
  }
  if (schema.contains("pattern") && !std::regex_match(v.get<std::string>(), std::regex(schema["pattern"].get<std::string>()))) {
    fault("does not match " + schema["pattern"].get<std::string>());
  }
  if (schema.contains("minimum") && v.get<long>() < schema["minimum"].get<long>()) fault("below the minimum");
  if (schema.contains("maximum") && v.get<long>() > schema["maximum"].get<long>()) fault("above the maximum");
  if (schema.contains("minItems") && v.size() < schema["minItems"].get<size_t>()) fault("too few items");
  if (schema.contains("maxItems") && v.size() > schema["maxItems"].get<size_t>()) fault("too many items");
  for (const auto& key : schema.value("required", json::array())) {
    if (!v.contains(key.get<std::string>())) fault("lacks " + key.get<std::string>());
  }
  if (v.is_object()) {
    for (const auto& [key, value] : v.items()) {
      if (!schema.contains("properties") || !schema["properties"].contains(key)) {
        fault("has " + key + ", which the schema does not describe");
      } else {
        Check(schema["properties"][key], value, path + "/" + key, faults);
      }
    }
  }
  if (v.is_array() && schema.contains("items")) {
    for (size_t i = 0; i < v.size(); ++i) Check(schema["items"], v[i], path + "/" + std::to_string(i), faults);
  }
}

TEST(ConfigDocument, ExportedFilesOfEveryLevelFitTheSchema) {
  const json schema = json::parse(std::ifstream(std::string(HALVRIC_SOURCE_DIR) + "/docs/config-format.schema.json"));
  for (const char* model : {"level0", "level5", "level11"}) {
    SCOPED_TRACE(model);
    const std::string state = test::TempPath("state");
    ASSERT_EQ(test::Ctl({"--simulate", model, "--sim-state", state, "button", "1", "2", "dpi-up"}).code, 0);
    const test::CtlRun r = test::Ctl({"--simulate", model, "--sim-state", state, "export", "-"});
    ASSERT_EQ(r.code, 0) << r.err;
    std::vector<std::string> faults;
    Check(schema, json::parse(r.out), "", faults);
    EXPECT_TRUE(faults.empty()) << faults.front();
    std::filesystem::remove(state);
  }
  // The check itself sees a missing field and a wrong type.
  std::vector<std::string> faults;
  Check(schema, json{{"format", "halvric-config"}, {"version", "1"}}, "", faults);
  EXPECT_GE(faults.size(), 2u);
}

// Every assignment's readable form reads back to the same four bytes, with a macro in slot 3.
TEST(ConfigDocument, ButtonFormsReadBackToTheSameBytes) {
  WorkingCopy wc;
  wc.macros[2].start = 1200;
  wc.macros[2].body = 1235;
  const KeyLabels keys;
  const FunctionSpecContext c{wc, keys, {}};
  const std::array<std::array<uint8_t, 3>, 6> params = {
      {{0, 0, 0}, {1, 0, 0}, {0xD3, 0x04, 0}, {0x0B, 0xE2, 0}, {0, 0xFF, 0}, {0x1F, 0x04, 0xFF}}};
  for (int type = 0; type < 256; ++type) {
    for (const auto& p : params) {
      const ButtonAssignment a = ButtonAssignment::Make(type, p[0], p[1], p[2]);
      const std::string text = FunctionSpecText(a, c);
      std::string why;
      const auto back = ParseFunctionSpec(text, c, &why);
      ASSERT_TRUE(back) << text << ": " << why;
      EXPECT_EQ(back->Bytes(), a.Bytes()) << text;
    }
  }
  EXPECT_EQ(FunctionSpecText(ButtonAssignment::Macro(9, 1235), c), "macro:3:loop");
  EXPECT_EQ(FunctionSpecText(ButtonAssignment::Keyboard(0x03, 0x06), c), "key:Ctrl+Shift+C");
  EXPECT_EQ(FunctionSpecText(ButtonAssignment::MouseButtons(0x05), c), "left+middle");
  EXPECT_EQ(FunctionSpecText(ButtonAssignment::Macro(8, 1300), c), "raw:8,20,5,0");
}

}  // namespace
}  // namespace halvric
