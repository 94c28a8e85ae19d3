#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/ctl_run.h"
#include "cli/function_spec.h"
#include "platform/folders.h"
#include "platform/linux/xkb_key_names.h"
#include "support/sim_fixture.h"

namespace halvric {
namespace {

using test::Ctl;
using test::CtlRun;

// A macro file the program folder ships.
std::string MacroFileForShow() {
  return (ProgramFolder(FolderEnvironment::FromProcess()) / "library" / "editing" / "copy.mf").string();
}

class StateFile : public ::testing::Test {
 protected:
  std::string state = test::TempPath("state");
  void TearDown() override {
    std::filesystem::remove(state);
    std::filesystem::remove(state + ".lock");
  }
  CtlRun Run(const std::string& model, std::vector<std::string> args) {
    args.insert(args.begin(), {"--simulate=" + model, "--sim-state", state});
    return Ctl(args);
  }
};

TEST(ConfigCli, ShowPrintsACompleteConfigurationForEveryModel) {
  // The never-initialised mouse is repaired, after an automatic backup.
  const std::string data = test::TempPath("data");
  setenv("HALVRIC_DATA_DIR", data.c_str(), 1);
  for (const char* model : {"level0", "level5", "level11", "level11-blank"}) {
    CtlRun r = Ctl({std::string("--simulate=") + model, "show"});
    ASSERT_EQ(r.code, 0) << model << ": " << r.err;
    const bool blank = std::string(model) == "level11-blank";
    EXPECT_EQ(r.err.find("halvricctl: automatic backup: "), blank ? 0u : std::string::npos) << model << ": " << r.err;
    EXPECT_NE(r.out.find("report rate: 1000Hz"), std::string::npos) << model;
    EXPECT_NE(r.out.find("5: Profile 5"), std::string::npos) << model;
    EXPECT_NE(r.out.find("Left click"), std::string::npos) << model;
    EXPECT_NE(r.out.find("free memory: "), std::string::npos) << model;
  }
  unsetenv("HALVRIC_DATA_DIR");
  int repairs = 0;
  for (const auto& f : std::filesystem::directory_iterator(std::filesystem::path(data) / "auto-backup")) {
    if (f.path().filename().string().ends_with("_repair.bf")) ++repairs;
  }
  EXPECT_EQ(repairs, 1);
  std::filesystem::remove_all(data);
  CtlRun j = Ctl({"--simulate=level5", "--json", "show", "--profile", "2"});
  ASSERT_EQ(j.code, 0);
  EXPECT_NE(j.out.find("\"name\": \"Profile 2\""), std::string::npos);
  EXPECT_EQ(j.out.find("\"name\": \"Profile 1\""), std::string::npos);
}

TEST_F(StateFile, SettingsChangedInOneRunShowInTheNext) {
  for (const char* model : {"level0", "level11"}) {
    std::filesystem::remove(state);
    ASSERT_EQ(Run(model, {"dpi", "3", "2000", "1000"}).code, 0) << model;
    ASSERT_EQ(Run(model, {"rate", "1"}).code, 0);
    ASSERT_EQ(Run(model, {"snap", "on"}).code, 0);
    ASSERT_EQ(Run(model, {"profile-name", "2", "Sniper"}).code, 0);
    CtlRun b = Run(model, {"button", "2", "1", "key:Ctrl+Shift+A"});
    ASSERT_EQ(b.code, 0) << b.err;
    EXPECT_EQ(b.out, "profile 2 B2 key 1: Ctrl + Shift + A\n");
    ASSERT_EQ(Run(model, {"profile", "3"}).code, 0);
    CtlRun r = Run(model, {"show", "--profile", "2"});
    ASSERT_EQ(r.code, 0);
    EXPECT_NE(r.out.find("report rate: 500Hz (code 1)"), std::string::npos) << model;
    EXPECT_NE(r.out.find("angle snapping: on"), std::string::npos) << model;
    EXPECT_NE(r.out.find("2: Sniper"), std::string::npos) << model;
    EXPECT_NE(r.out.find("key  1: Ctrl + Shift + A"), std::string::npos) << model;
    const std::string dpi3 = std::string("3: ") + (std::string(model) == "level0" ? "2000 x 1000" : "2000 x 1000");
    EXPECT_NE(r.out.find(dpi3), std::string::npos) << model << "\n" << r.out;
  }
}

// Everything a person reads or types is numbered from 1, in text and JSON alike, and a value the
// mouse cannot store exactly is refused with the nearest one instead of being changed silently.
TEST_F(StateFile, NumbersFromOneAndNoSilentChanges) {
  const std::string model = "level11";
  CtlRun r = Run(model, {"dpi", "2", "799", "800"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("the nearest is 800"), std::string::npos) << r.err;
  EXPECT_EQ(Run(model, {"dpi", "2", "0", "800"}).code, 2);
  r = Run(model, {"dpi", "2", "799", "801", "--nearest"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "dpi level 2: 800 x 800\n");
  EXPECT_NE(Run(model, {"dpi", "0", "800", "800"}).err.find("from 1 to 5"), std::string::npos);
  EXPECT_NE(Run(model, {"dpi", "6", "800", "800"}).err.find("from 1 to 5"), std::string::npos);
  EXPECT_EQ(Run(model, {"profile-name", "1", std::string(46, 'n')}).code, 2);
  // --nearest cuts a name to what the mouse keeps, at a whole character (the "é" would straddle).
  ASSERT_EQ(Run(model, {"profile-name", "1", std::string(25, 'n') + "\xc3\xa9x", "--nearest"}).code, 0);
  EXPECT_NE(Run(model, {"show"}).out.find("1: " + std::string(25, 'n') + "  colour"), std::string::npos);
  EXPECT_EQ(Run(model, {"lighting", "zone", "12", "00ff00"}).code, 2);  // 11 zones
  EXPECT_EQ(Run(model, {"lighting", "zone", "0", "00ff00"}).code, 2);
  r = Run(model, {"mem", "read", "0x3ff0", "64"});  // 16 KiB: the memory repeats above 0x3fff
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("0x3fff"), std::string::npos) << r.err;
  // A mouse that does not report its size is probed: on 8 KiB, 0x2000 is address 0 again, and a
  // write there would overwrite the memory's first byte.
  const std::string small = test::TempPath("state0");
  r = Ctl({"--simulate=level0", "--sim-state", small, "mem", "write", "0x2000", "aa"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("0x1fff"), std::string::npos) << r.err;
  EXPECT_EQ(Ctl({"--simulate=level0", "--sim-state", small, "mem", "read", "0", "1", "--no-cache"}).out, "0x0000: 12\n");
  std::filesystem::remove(small);
  std::filesystem::remove(small + ".lock");
  // The current level stays enabled: a list without it is refused unless --nearest adds it.
  EXPECT_EQ(Run(model, {"dpi-level", "4", "--enable", "1,2"}).code, 2);
  EXPECT_EQ(Run(model, {"dpi-level", "4", "--enable", "1,2", "--nearest"}).out,
            "dpi current level: 4 (enabled levels 1,2,4)\n");
  // A loop mode for a slot whose mode only the buttons keep needs a button to keep it.
  r = Run(model, {"macro", "write", "20", MacroFileForShow(), "--mode", "loop"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("macro:20:loop"), std::string::npos) << r.err;
  ASSERT_EQ(Run(model, {"macro", "write", "20", MacroFileForShow(), "--mode", "loop", "--bind", "1:B9"}).code, 0);
  EXPECT_NE(Run(model, {"macro", "show", "20"}).out.find("mode: loop"), std::string::npos);

  ASSERT_EQ(Run(model, {"profile", "3"}).code, 0);
  ASSERT_EQ(Run(model, {"dpi-level", "2"}).code, 0);
  const auto j = nlohmann::json::parse(Run(model, {"--json", "show"}).out);
  EXPECT_EQ(j["dpi"]["current_level"], 2);
  EXPECT_EQ(j["profiles"][2]["profile"], 3);
  EXPECT_TRUE(j["profiles"][2]["active"]);
  EXPECT_FALSE(j["profiles"][0]["active"]);
  r = Run(model, {"show"});
  EXPECT_NE(r.out.find("profiles (active 3):\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(" *3: Profile 3"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(" *2: 800 x 800"), std::string::npos) << r.out;

  // Buttons by the labels the window draws: on this mouse B6 is key index 4 (Forward).
  r = Run(model, {"button", "1", "B6", "key:F5"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "profile 1 B6 key 4: F5\n");
  EXPECT_NE(Run(model, {"show", "--profile", "1"}).out.find("     B6   key  4: F5  [key:F5]"), std::string::npos);
  // JSON gives the function in the form `button` takes, its four bytes under a raw name, the
  // information entries from 1 and the macros' memory addresses by that name.
  ASSERT_EQ(Run(model, {"macro", "write", "3", MacroFileForShow(), "--bind", "1:B6"}).code, 0);
  const auto shown = nlohmann::json::parse(Run(model, {"--json", "show", "--profile", "1"}).out);
  const auto& b6 = shown["profiles"][0]["buttons"][5];
  EXPECT_EQ(b6["button"], "B6");
  EXPECT_EQ(b6["function"].get<std::string>().rfind("macro:3", 0), 0u) << b6;
  EXPECT_EQ(b6["function_raw"].get<std::string>().size(), 11u) << b6;  // four bytes in hex
  EXPECT_EQ(shown["information"][0]["entry"], 1);
  EXPECT_TRUE(shown["information"][0].contains("values_raw"));
  EXPECT_GT(shown["macros"][0]["body_address"].get<int>(), shown["macros"][0]["start_address"].get<int>());
  EXPECT_EQ(Run(model, {"button", "1", "B15", "none"}).code, 2);
  EXPECT_EQ(Run(model, {"button", "1", "32", "none"}).code, 2);
}

// Every command that changes the mouse says what it changed: one line on stdout, nothing with
// --quiet, a JSON object with --json.
TEST_F(StateFile, EveryChangeConfirmsInOneStyle) {
  const std::string data = test::TempPath("confirm-data");
  setenv("HALVRIC_DATA_DIR", data.c_str(), 1);
  struct Change {
    std::vector<std::string> args;
    std::string line;
    const char* field;
  };
  const Change changes[] = {
      {{"rate", "1"}, "report rate: 500Hz (code 1)", "report_rate"},
      {{"snap", "on"}, "angle snapping: on", "angle_snapping"},
      {{"lift", "40"}, "lift: 40", "lift"},
      {{"profile", "2"}, "active profile: 2", "active_profile"},
      {{"profile-name", "2", "Work"}, "profile 2 name: \"Work\"", "name"},
      {{"dpi", "2", "800", "800"}, "dpi level 2: 800 x 800", "dpi_level"},
      {{"dpi-level", "2", "--enable", "1,2"}, "dpi current level: 2 (enabled levels 1,2)", "current_level"},
      {{"button", "1", "B6", "key:F5"}, "profile 1 B6 key 4: F5", "function_raw"},
      {{"lighting", "effect", "1"}, "effect: 1 Wave", "effect_name"},
      {{"lighting", "zone", "3", "00ff00", "on"}, "zone 3: 00FF00 Always ON", "zones"},
      {{"reset"}, "reset to the default configuration", "reset"},
  };
  for (const Change& c : changes) {
    SCOPED_TRACE(c.args[0]);
    CtlRun r = Run("level11", c.args);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, c.line + "\n");
    std::vector<std::string> quiet = c.args;
    quiet.push_back("--quiet");
    r = Run("level11", quiet);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "");
    std::vector<std::string> json = c.args;
    json.push_back("--json");
    r = Run("level11", json);
    ASSERT_EQ(r.code, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out, nullptr, false);
    ASSERT_TRUE(j.is_object()) << r.out;
    EXPECT_TRUE(j.contains(c.field)) << r.out;
  }
  unsetenv("HALVRIC_DATA_DIR");
  std::filesystem::remove_all(data);
}

TEST_F(StateFile, ResetRestoresTheDefaults) {
  ASSERT_EQ(Run("level5", {"button", "1", "0", "none"}).code, 0);
  ASSERT_EQ(Run("level5", {"reset"}).code, 0);
  CtlRun r = Run("level5", {"show", "--profile", "1"});
  EXPECT_NE(r.out.find("key  0: Left click"), std::string::npos) << r.out;
}

// A reset mouse has no key cycle on any profile; one that has a key cycle shows it.
TEST_F(StateFile, KeyCyclesShowAndAResetEmptiesThem) {
  for (const auto& [model, records] : {std::pair{"level5", 1008u}, std::pair{"level11", 1168u}}) {
    std::filesystem::remove(state);
    ASSERT_EQ(Run(model, {"reset"}).code, 0) << model;
    CtlRun fresh = Run(model, {"--json", "show"});
    ASSERT_EQ(fresh.code, 0) << model;
    const auto shown = nlohmann::json::parse(fresh.out);
    for (const auto& p : shown["profiles"]) EXPECT_TRUE(p["key_cycle"].empty()) << model << "\n" << p.dump();

    // Profile 3 gets a key cycle of Ctrl + C, Ctrl + V in the simulated mouse's memory.
    nlohmann::json saved;
    {
      std::ifstream in(state);
      saved = nlohmann::json::parse(in);
    }
    nlohmann::json& mouse = saved["mice"][0];
    std::string memory = mouse["memory"].get<std::string>();
    const std::string cycle = "0201060119";
    memory.replace(2 * (records + 2 * 21), cycle.size(), cycle);
    mouse["memory"] = memory;
    std::ofstream(state) << saved.dump();
    CtlRun with = Run(model, {"show"});
    EXPECT_NE(with.out.find("key cycle: Ctrl + C, Ctrl + V"), std::string::npos) << model << "\n" << with.out;
    EXPECT_EQ(with.out.find("key cycle:"), with.out.rfind("key cycle:")) << "one profile only";

    ASSERT_EQ(Run(model, {"reset"}).code, 0) << model;
    EXPECT_EQ(Run(model, {"show"}).out.find("key cycle"), std::string::npos) << model;
  }
}

TEST(ConfigCli, BadArgumentsAreUsageErrors) {
  EXPECT_EQ(Ctl({"--simulate", "dpi", "6", "800", "800"}).code, 2);
  EXPECT_EQ(Ctl({"--simulate", "rate", "8"}).code, 2);
  EXPECT_EQ(Ctl({"--simulate", "snap", "maybe"}).code, 2);
  CtlRun r = Ctl({"--simulate", "button", "1", "0", "key:Hyper+Q"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("Hyper"), std::string::npos);
  EXPECT_EQ(Ctl({"--simulate", "button", "1", "0", "macro:4"}).code, 2) << "an empty slot";
}

TEST(FunctionSpec, ReadableForms) {
  WorkingCopy wc;
  wc.macros[4].start = 0x600;
  wc.macros[4].body = 0x621;
  std::string why;
  auto f = [&](const char* s) { return ParseFunctionSpec(s, wc, &why).value_or(ButtonAssignment::Make(255)); };
  EXPECT_EQ(f("left+right"), ButtonAssignment::MouseButtons(3));
  EXPECT_EQ(f("raw:5,0x01,4,0"), ButtonAssignment::Keyboard(1, 4));
  EXPECT_EQ(f("key:RCtrl+F5"), ButtonAssignment::Keyboard(0x10, 0x3E));
  EXPECT_EQ(f("key:Ctrl"), ButtonAssignment::Keyboard(0x01, 0));
  EXPECT_EQ(f("media:0xE9"), ButtonAssignment::Consumer(0xE9));
  EXPECT_EQ(f("macro:5:loop"), ButtonAssignment::Macro(9, 0x621));  // slots from 1
  EXPECT_EQ(f("wheel-down"), ButtonAssignment::Wheel(-1));
  EXPECT_FALSE(ParseFunctionSpec("raw:1,2,3", wc, &why));
  EXPECT_FALSE(ParseFunctionSpec("raw:1,2,3,256", wc, &why));
  EXPECT_FALSE(ParseFunctionSpec("media:Nonsense", wc, &why));
  EXPECT_NE(why.find("Play/Pause"), std::string::npos) << "the names that exist are listed";
  EXPECT_EQ(f("media:Volume Up"), ButtonAssignment::Consumer(0xE9));  // the documented example
  EXPECT_EQ(f("media:volume -"), ButtonAssignment::Consumer(0xEA));
}

// What show prints for a button that plays a stored macro: the mode's name and the macro's name.
TEST_F(StateFile, ShowNamesTheMacroAButtonPlays) {
  const std::string mf = MacroFileForShow();
  for (const char* model : {"level0", "level11"}) {
    std::filesystem::remove(state);
    ASSERT_EQ(Run(model, {"macro", "write", "4", mf}).code, 0) << model;
    CtlRun b = Run(model, {"button", "1", "2", "macro:4:loop"});
    ASSERT_EQ(b.code, 0) << b.err;
    EXPECT_EQ(b.out, "profile 1 B3 key 2: Macro(R) Copy\n") << model;
    CtlRun r = Run(model, {"show", "--profile", "1"});
    EXPECT_NE(r.out.find("key  2: Macro(R) Copy  [macro:4:loop]"), std::string::npos) << model << "\n" << r.out;
    r = Run(model, {"--json", "show", "--profile", "1"});
    EXPECT_NE(r.out.find("\"text\": \"Macro(R) Copy\""), std::string::npos) << model;
  }
}

// With a French layout the keys are named, shown and read as the keyboard labels them.
TEST_F(StateFile, KeyNamesFollowTheKeyboardLayout) {
  linux_hid::XkbLayoutNames french;
  french.layout = "fr";
  if (!linux_hid::XkbKeyNames::FromNames(french)) GTEST_SKIP() << "no XKB data for the French layout";
  CtlRun b = Run("level5", {"--keyboard-layout=fr", "button", "1", "1", "key:Ctrl+A"});
  ASSERT_EQ(b.code, 0) << b.err;
  EXPECT_EQ(b.out, "profile 1 B2 key 1: Ctrl + A\n");
  // The key labelled A on an AZERTY keyboard is where a US keyboard has Q.
  CtlRun r = Run("level5", {"--keyboard-layout=fr", "show", "--profile", "1"});
  EXPECT_NE(r.out.find("key  1: Ctrl + A  [key:Ctrl+A]"), std::string::npos) << r.out;
  r = Run("level5", {"--keyboard-layout=us", "show", "--profile", "1"});
  EXPECT_NE(r.out.find("key  1: Ctrl + Q  [key:Ctrl+Q]"), std::string::npos) << r.out;
  EXPECT_EQ(Run("level5", {"--keyboard-layout=nonsense", "show"}).code, 1);
}

// The game-pad entries of the catalogue come with the extended flag that identification read.
TEST_F(StateFile, GamepadFunctionsOnlyForMiceThatHaveThem) {
  CtlRun plain = Run("level0", {"functions"});
  ASSERT_EQ(plain.code, 0) << plain.err;
  EXPECT_EQ(plain.out.find("XBOX"), std::string::npos);
  CtlRun refused = Run("level0", {"button", "1", "2", "gamepad:A"});
  EXPECT_EQ(refused.code, 2);
  EXPECT_NE(refused.err.find("game-pad"), std::string::npos) << refused.err;

  std::filesystem::remove(state);
  CtlRun pad = Run("level0-gamepad", {"functions"});
  ASSERT_EQ(pad.code, 0) << pad.err;
  EXPECT_NE(pad.out.find(": XBOX A  (Advanced)  [22 01 00 00]"), std::string::npos) << pad.out;
  EXPECT_NE(pad.out.find(": XBOX Anlog2 toggle  (Advanced)  [24 01 00 00]"), std::string::npos) << pad.out;
  CtlRun b = Run("level0-gamepad", {"button", "1", "2", "gamepad:Back"});
  ASSERT_EQ(b.code, 0) << b.err;
  EXPECT_EQ(b.out, "profile 1 B3 key 2: XBOX Back\n");
  // Positions 12 and 13 of a level-0 mouse with the flag hide the eight types, as in the window.
  CtlRun key12 = Run("level0-gamepad", {"functions", "--key", "12"});
  EXPECT_EQ(key12.out.find("Fire button"), std::string::npos) << key12.out;
  EXPECT_NE(pad.out.find("Fire button"), std::string::npos);
  // Numbered as listed for that key: 11 entries of the "Mouse" page, then "No function".
  CtlRun pick = Run("level0-gamepad", {"button", "1", "12", "catalogue:13"});
  ASSERT_EQ(pick.code, 0) << pick.err;
  EXPECT_EQ(pick.out, "profile 1 key 12: Launch setting\n");
}

}  // namespace
}  // namespace halvric
