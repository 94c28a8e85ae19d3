// halvricctl export / apply against the simulated mice: the round trip on every model, the dry
// run, and the files that are refused.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/ctl_run.h"
#include "macro/macro_file.h"
#include "support/sim_fixture.h"

namespace halvric {
namespace {

using test::Ctl;
using test::CtlRun;


void Write(const std::string& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

// What the simulated mouse holds (its memory, lighting, live settings), without the counters of
// requests that every run, even a read, changes.
nlohmann::json Held(const std::string& state_file) {
  const auto mouse = nlohmann::json::parse(test::FileBytes(state_file))["mice"][0];
  nlohmann::json held = {{"memory", mouse["memory"]}};
  for (const char* key : {"active_profile", "dpi_level", "dpi_mask", "dpi_x", "dpi_y", "led_mode", "lift", "settings", "zones"}) {
    held[key] = mouse["live"][key];
  }
  return held;
}

// One simulated mouse with its own state file and data folder (set.ini, automatic backups).
struct Mouse {
  Mouse(std::string model, const std::filesystem::path& dir, const std::string& name)
      : model(std::move(model)), state((dir / (name + "-state.json")).string()), data((dir / (name + "-data")).string()) {}
  CtlRun operator()(std::vector<std::string> args, const std::string& trace = {}) const {
    setenv("HALVRIC_DATA_DIR", data.c_str(), 1);
    std::vector<std::string> all = {"--simulate=" + model, "--sim-state", state};
    if (!trace.empty()) all.insert(all.end(), {"--trace", trace});
    all.insert(all.end(), args.begin(), args.end());
    CtlRun r = Ctl(all);
    unsetenv("HALVRIC_DATA_DIR");
    return r;
  }
  std::string model, state, data;
};

struct Dir {
  Dir() : path(test::TempPath("config-file")) { std::filesystem::create_directories(path); }
  ~Dir() { std::filesystem::remove_all(path); }
  std::string operator/(const std::string& name) const { return (path / name).string(); }
  std::filesystem::path path;
};

std::string MacroFile(const Dir& dir) {
  Macro m;
  m.name = "Combo";
  m.mode = kMacroModeLoop;
  m.items = {MakeItem({0x83, 0x04}), MakeItem({0x88, 0x20}), MakeItem({0x84, 0x04}), MakeItem({0x21}),
             MakeItem({0x89, 0x10, 0x02}), MakeItem({0x41}), MakeItem({0x80, 0xFF, 0xFF, 0x05, 0x00}),
             MakeItem({0x85, 0xE9, 0x00}), MakeItem({0x85, 0x00, 0x00}), MakeItem({0x7F}),
             MakeItem({0x89, 0x10, 0x00})};
  const std::string file = dir / "combo.mf";
  EXPECT_EQ(SaveMacroFile(file, m, 1700000000), MacroFileStatus::kOk);
  return file;
}

// Several settings and a macro bound to a button, on any model.
void Configure(const Mouse& mouse, const std::string& macro_file) {
  const bool lighting = nlohmann::json::parse(mouse({"--json", "show"}).out)["lighting"].get<bool>();
  std::vector<std::vector<std::string>> steps = {
      {"profile-name", "2", "Work"}, {"dpi", "2", "800", "1200"},   {"rate", "3"},
      {"snap", "on"},                {"button", "1", "3", "key:Ctrl+C"}, {"button", "2", "1", "media:Mute"},
      {"macro", "write", "2", macro_file, "--bind", "1:4"},       {"dpi-level", "3", "--enable", "1,2,3"},
      {"profile", "3"}, {"lift", "40"}};
  // A byte of profile 1's record that no setting names (level 0: byte 2; above: byte 1).
  const int level = nlohmann::json::parse(mouse({"--json", "info"}).out)["protocol_level"].get<int>();
  // Slot 20 that no button plays: level 0 keeps its mode in the slot's own byte, the others keep none.
  if (level == 0) {
    steps.push_back({"macro", "write", "20", macro_file, "--mode", "fire"});
  } else {
    steps.push_back({"macro", "write", "20", macro_file});
  }
  steps.push_back({"mem", "write", level == 0 ? "18" : "33", "5a"});
  if (lighting) {
    steps.push_back({"lighting", "effect", "2"});
    steps.push_back({"lighting", "zone", "2", "00ff80", "breathe"});
  }
  for (const auto& step : steps) {
    const CtlRun r = mouse(step);
    ASSERT_EQ(r.code, 0) << step[0] << ": " << r.err;
  }
}

const char* const kEveryModel[] = {"level0",      "level0-gamepad", "level5",        "level11",       "level11-blank",
                               "level11-ff18", "level0-strict", "level5-strict", "level11-strict"};

// One test per model, so that CTest runs the models side by side.
class ConfigFileOnEveryModel : public ::testing::TestWithParam<const char*> {};

TEST_P(ConfigFileOnEveryModel, ExportApplyExportGivesTheSameFileAndShow) {
  const char* const model = GetParam();
  Dir dir;
  const Mouse a(model, dir.path, "a"), b(model, dir.path, "b");
  Configure(a, MacroFile(dir));
  ASSERT_EQ(a({"export", dir / "a.json"}).code, 0);
  const CtlRun applied = b({"apply", dir / "a.json"});
  ASSERT_EQ(applied.code, 0) << applied.err;
  EXPECT_NE(applied.out.find("macro slot 2: \"Combo\" loop"), std::string::npos) << applied.out;
  ASSERT_EQ(b({"export", dir / "b.json"}).code, 0);
  EXPECT_EQ(test::FileBytes(dir / "a.json"), test::FileBytes(dir / "b.json"));
  EXPECT_EQ(a({"show"}).out, b({"show"}).out);
  // The file describes the configured values in its readable forms.
  const auto j = nlohmann::json::parse(test::FileBytes(dir / "a.json"));
  EXPECT_EQ(j["profiles"][1]["name"], "Work");
  EXPECT_EQ(j["profiles"][0]["buttons"][3]["function"], "key:Ctrl+C");
  EXPECT_EQ(j["profiles"][0]["buttons"][4]["function"], "macro:2:loop");
  EXPECT_EQ(j["dpi"]["levels"][1]["y"], 1200);
  EXPECT_EQ(j["macros"][0]["instructions"][0], "key-down A");
  // Slot 20 is played by no button: where its mode lives in the buttons (level 1 and above) the
  // mouse holds none and the file gives none; level 0 keeps it in the slot's own byte.
  EXPECT_EQ(j["macros"][1]["slot"], 20);
  const bool own_mode_byte = j["model"]["protocol_level"] == 0;
  EXPECT_EQ(j["macros"][1].contains("mode"), own_mode_byte);
  if (own_mode_byte) {
    EXPECT_EQ(j["macros"][1]["mode"], "fire");
  }
  // The lift the mouse was given is not reported back: the file leaves it out.
  EXPECT_FALSE(j.contains("lift"));
  const std::string other = j["profiles"][0]["record_other_raw"].get<std::string>();
  EXPECT_NE(other.find("5A"), std::string::npos) << other;
  // Applying the same file again finds nothing to write.
  EXPECT_NE(b({"apply", dir / "a.json"}).out.find("nothing to change"), std::string::npos);
}
INSTANTIATE_TEST_SUITE_P(EachModel, ConfigFileOnEveryModel, ::testing::ValuesIn(kEveryModel),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           for (char& c : name) c = c == '-' ? '_' : c;
                           return name;
                         });

TEST(ConfigFile, ApplyTakesAnAutomaticBackupFirst) {
  Dir dir;
  const Mouse a("level11", dir.path, "a"), b("level11", dir.path, "b");
  ASSERT_EQ(a({"dpi", "1", "400", "400"}).code, 0);
  ASSERT_EQ(a({"export", dir / "a.json"}).code, 0);
  ASSERT_EQ(b({"apply", dir / "a.json"}).code, 0);
  size_t backups = 0;
  for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(b.data) / "auto-backup")) {
    backups += e.path().filename().string().find("_apply.bf") != std::string::npos;
  }
  EXPECT_EQ(backups, 1u);
}

TEST(ConfigFile, DryRunListsTheChangesAndLeavesTheWireWithoutWrites) {
  Dir dir;
  const Mouse a("level11", dir.path, "a"), b("level11", dir.path, "b");
  Configure(a, MacroFile(dir));
  ASSERT_EQ(a({"export", dir / "a.json"}).code, 0);
  ASSERT_EQ(b({"show"}).code, 0);
  const nlohmann::json before = Held(b.state);
  const std::string trace = dir / "trace.txt";
  const CtlRun r = b({"apply", "--dry-run", dir / "a.json"}, trace);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("would change:"), std::string::npos);
  EXPECT_NE(r.out.find("profile 2 name: \"Work\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("dpi level 2: 800 x 1200"), std::string::npos) << r.out;
  EXPECT_EQ(Held(b.state), before);
  std::ifstream in(trace);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  ASSERT_FALSE(lines.empty());
  for (const auto& send : test::Sends(lines)) {
    // Memory writes (03), commits (14) and the setting requests (07 and up, with a value) never go out.
    EXPECT_NE(send.bytes[1], 0x03);
    EXPECT_NE(send.bytes[1], 0x14);
  }
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(b.data) / "auto-backup"));
}

// Edits `field` of an exported level-11 file, applies it, and expects a refusal naming `path`.
void ExpectRefused(const std::function<void(nlohmann::json&)>& edit, const std::string& path) {
  SCOPED_TRACE(path);
  Dir dir;
  const Mouse a("level11", dir.path, "a");
  ASSERT_EQ(a({"export", dir / "a.json"}).code, 0);
  auto j = nlohmann::json::parse(test::FileBytes(dir / "a.json"));
  edit(j);
  Write(dir / "a.json", j.dump());
  const nlohmann::json before = Held(a.state);
  const CtlRun r = a({"apply", dir / "a.json"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find(path), std::string::npos) << r.err;
  EXPECT_EQ(Held(a.state), before);
}

TEST(ConfigFile, FieldsThatDoNotFitTheMouseAreRefusedByTheirPath) {
  using nlohmann::json;
  ExpectRefused([](json& j) { j["lighting"]["zones"].push_back({{"zone", 12}, {"colour", "00FF00"}, {"own_colour", true}, {"mode", "on"}}); },
                "/lighting/zones/11");
  ExpectRefused([](json& j) { j["dpi"]["levels"][1]["x"] = 801; }, "/dpi/levels/1/x: 801 DPI cannot be stored");
  ExpectRefused([](json& j) { j["profiles"][0]["name"] = std::string(27, 'n'); }, "/profiles/0/name");
  ExpectRefused([](json& j) { j["profiles"][2]["buttons"][1]["function"] = "warp"; },
                "/profiles/2/buttons/1/function: unknown function");
  ExpectRefused([](json& j) { j["profiles"][0]["buttons"][0]["function"] = "macro:7"; }, "macro slot 7 is empty");
  ExpectRefused([](json& j) { j["macros"] = {{{"slot", 1}, {"name", "m"}, {"mode", "once"}, {"instructions", {"jump"}}}}; },
                "/macros/0/instructions/0");
  ExpectRefused([](json& j) { j["report_rate_hz"] = 300; }, "/report_rate_hz");
  // A loop mode for a slot that no button plays, on a mouse that keeps slot 20's mode only there.
  ExpectRefused([](json& j) { j["macros"] = {{{"slot", 20}, {"name", "m"}, {"mode", "loop"}, {"instructions", {"key-down A"}}}}; },
                "/macros/0/mode: this mouse keeps the mode of slot 20 only in the buttons that play it");
  ExpectRefused([](json& j) { j["dpi"]["levels"].erase(4); }, "/dpi/levels: expected 5 levels");
  ExpectRefused([](json& j) { j["profiles"][1]["colour"] = "red"; }, "/profiles/1/colour");
}

// The same mode is taken once a button of the file plays the slot: the button holds it.
TEST(ConfigFile, AMacroModeIsKeptWhereAButtonPlaysTheSlot) {
  Dir dir;
  const Mouse a("level11", dir.path, "a");
  ASSERT_EQ(a({"export", dir / "a.json"}).code, 0);
  auto j = nlohmann::json::parse(test::FileBytes(dir / "a.json"));
  j["macros"] = {{{"slot", 20}, {"name", "m"}, {"mode", "loop"}, {"instructions", {"key-down A", "key-up A"}}}};
  j["profiles"][0]["buttons"][3]["function"] = "macro:20:loop";
  Write(dir / "a.json", j.dump());
  const CtlRun r = a({"apply", dir / "a.json"});
  ASSERT_EQ(r.code, 0) << r.err;
  ASSERT_EQ(a({"export", dir / "b.json"}).code, 0);
  const auto back = nlohmann::json::parse(test::FileBytes(dir / "b.json"));
  EXPECT_EQ(back["macros"][0]["mode"], "loop");
  EXPECT_EQ(back["profiles"][0]["buttons"][3]["function"], "macro:20:loop");
}

TEST(ConfigFile, AFileOfAnotherModelOrNoJsonIsRefusedWithNothingWritten) {
  Dir dir;
  const Mouse small("level0", dir.path, "small"), big("level11", dir.path, "big");
  ASSERT_EQ(small({"export", dir / "small.json"}).code, 0);
  ASSERT_EQ(big({"show"}).code, 0);
  const nlohmann::json before = Held(big.state);
  CtlRun r = big({"apply", dir / "small.json"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("/model: the file is for a"), std::string::npos) << r.err;

  Write(dir / "broken.json", "{\"format\": \"halvric-config\", ");
  r = big({"apply", dir / "broken.json"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("not a JSON document"), std::string::npos) << r.err;

  Write(dir / "other.json", "{\"format\": \"something else\"}");
  r = big({"apply", dir / "other.json"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("/format"), std::string::npos) << r.err;
  EXPECT_EQ(Held(big.state), before);
}

TEST(ConfigFile, OneProfileAppliesToThatProfileAlone) {
  Dir dir;
  const Mouse a("level5", dir.path, "a"), b("level5", dir.path, "b");
  ASSERT_EQ(a({"profile-name", "4", "Games"}).code, 0);
  ASSERT_EQ(a({"profile-name", "1", "Other"}).code, 0);
  ASSERT_EQ(a({"export", "--profile", "4", dir / "p4.json"}).code, 0);
  const auto j = nlohmann::json::parse(test::FileBytes(dir / "p4.json"));
  ASSERT_EQ(j["profiles"].size(), 1u);
  ASSERT_EQ(b({"apply", dir / "p4.json"}).code, 0);
  const auto shown = nlohmann::json::parse(b({"--json", "show"}).out);
  EXPECT_EQ(shown["profiles"][3]["name"], "Games");
  EXPECT_EQ(shown["profiles"][0]["name"], "Profile 1");
}

}  // namespace
}  // namespace halvric
