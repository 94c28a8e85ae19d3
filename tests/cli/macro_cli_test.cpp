#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/ctl_run.h"
#include "device/device_commands.h"
#include "device/memory_map.h"
#include "macro/macro_file.h"
#include "sim/sim_hid_backend.h"
#include "support/macro_file_status.h"
#include "support/sim_fixture.h"
#include "support/literal_addresses.h"

namespace halvric {
namespace {

using test::Ctl;
using test::CtlRun;

struct Files {
  ~Files() {
    for (const auto& f : paths) std::filesystem::remove(f);
  }
  std::string Make(const std::string& stem, const std::string& ext) {
    paths.push_back(test::TempPath(stem) + ext);
    return paths.back();
  }
  std::vector<std::string> paths;
};

Macro Sample() {
  Macro m;
  m.name = "Combo strike";
  m.mode = 9;
  m.items = {MakeItem({0x83, 0x04}), MakeItem({0x88, 0x20}), MakeItem({0x84, 0x04}),
             MakeItem({0x21}),       MakeItem({0x89, 0x10, 0x02}), MakeItem({0x41}),
             MakeItem({0x80, 0xFF, 0xFF, 0x05, 0x00}), MakeItem({0x85, 0xE9, 0x00}), MakeItem({0x7F})};
  for (int i = 0; i < 60; ++i) m.items.push_back(MakeItem({0xC0, static_cast<uint8_t>(i), 0x01, 0x02, 0x03}));
  return m;
}

TEST(MacroCli, WriteReadAndBindOnEveryModelAcrossRuns) {
  for (const std::string model : {"level0", "level5", "level11"}) {
    SCOPED_TRACE(model);
    Files files;
    const std::string state = files.Make("state", ".json");
    const std::string in = files.Make("in", ".mf");
    const std::string out = files.Make("out", ".mf");
    const Macro sample = Sample();
    ASSERT_EQ(SaveMacroFile(in, sample, 1700000000), MacroFileStatus::kOk);
    const std::vector<std::string> sim = {"--simulate=" + model, "--sim-state", state};
    const auto with = [&](std::vector<std::string> more) {
      std::vector<std::string> args = sim;
      args.insert(args.end(), more.begin(), more.end());
      return Ctl(args);
    };

    CtlRun r = with({"macro", "write", "3", in, "--bind", "2:2"});
    ASSERT_EQ(r.code, 0) << r.err;
    r = with({"--json", "macro", "list"});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto list = nlohmann::json::parse(r.out);
    ASSERT_EQ(list["slots"].size(), 1u);
    const auto& slot = list["slots"][0];
    EXPECT_EQ(slot["slot"], 3);
    EXPECT_EQ(slot["name"], "Combo strike");
    EXPECT_EQ(slot["mode"], "loop");
    EXPECT_EQ(slot["mode_raw"], 9);
    const uint32_t body = slot["body_address"];
    EXPECT_EQ(body, slot["start_address"].template get<uint32_t>() + 33);

    r = with({"macro", "read", "3", out});
    ASSERT_EQ(r.code, 0) << r.err;
    Macro back;
    ASSERT_EQ(test::LoadMacro(out, back), MacroFileStatus::kOk);
    EXPECT_EQ(back.name, sample.name);
    EXPECT_EQ(back.mode, sample.mode);
    EXPECT_EQ(SerializeInstructions(back.items), SerializeInstructions(sample.items));

    {  // The state file holds the binding: function 9 and the body address.
      sim::SimHidBackend backend(model);
      backend.SetStateFile(state);
      const int level = model == "level0" ? 0 : model == "level5" ? 5 : 11;
      std::array<uint8_t, 4> b{};
      for (int plane = 0; plane < 4; ++plane) {
        b[plane] = backend.Mouse(0).ReadMemory(test::ButtonByte(level, 1, 2, plane), 1)[0];
      }
      EXPECT_EQ(b, (std::array<uint8_t, 4>{9, static_cast<uint8_t>(body), static_cast<uint8_t>(body >> 8), 0}));
    }

    r = with({"macro", "delete", "3"});
    ASSERT_EQ(r.code, 0) << r.err;
    r = with({"macro", "delete", "3"});
    EXPECT_EQ(r.code, 1);
    r = with({"macro", "list"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.find("slot 3"), std::string::npos);
    EXPECT_NE(r.out.find("free memory: "), std::string::npos);
  }
}

TEST(MacroCli, CorruptFilesBadSlotsAndShow) {
  Files files;
  const std::string bad = files.Make("bad", ".mf");
  std::ofstream(bad, std::ios::binary) << "_@_XX6.2_ not a macro file at all, but long enough to be read";
  const std::string state = files.Make("state", ".json");
  CtlRun r = Ctl({"--simulate=level11", "--sim-state", state, "macro", "write", "1", bad});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "halvricctl: invalid format !!\n");
  EXPECT_FALSE(std::filesystem::exists(state));  // refused before the mouse was touched
  r = Ctl({"macro", "show", bad});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "halvricctl: invalid format !!\n");

  const std::string good = files.Make("good", ".mf");
  ASSERT_EQ(SaveMacroFile(good, Sample(), 1700000000), MacroFileStatus::kOk);
  EXPECT_EQ(Ctl({"--simulate=level11", "macro", "write", "0", good}).code, 2);  // slots are 1-80
  EXPECT_EQ(Ctl({"--simulate=level11", "macro", "write", "81", good}).code, 2);
  EXPECT_EQ(Ctl({"--simulate=level11", "macro", "write", "1", good, "--bind", "6:0"}).code, 2);
  EXPECT_EQ(Ctl({"--simulate=level5", "macro", "write", "1", good, "--bind", "1:24"}).code, 2);
  EXPECT_EQ(Ctl({"--simulate=level5", "macro", "write", "1", good, "--bind", "0:1"}).code, 2);
  EXPECT_EQ(Ctl({"--simulate=level11", "macro", "read", "1", files.Make("x", ".mf")}).code, 1);  // empty slot
  // A never-initialised mouse is first given its defaults, then has no macros.
  const std::string data = test::TempPath("data");
  setenv("HALVRIC_DATA_DIR", data.c_str(), 1);
  r = Ctl({"--simulate=level11-blank", "macro", "list"});
  unsetenv("HALVRIC_DATA_DIR");
  std::filesystem::remove_all(data);
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("free memory: "), std::string::npos);

  r = Ctl({"macro", "show", good});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("name: Combo strike\nmode: loop (Loop mode)\n"), std::string::npos);
  EXPECT_NE(r.out.find("size in the mouse: 354 bytes\n"), std::string::npos) << r.out;  // instruction bytes + 34
  EXPECT_NE(r.out.find("0001  Wait 32 ms  [88 20]\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("0008  Wheel Scrolling  -1 count(unit)  [7f]\n"), std::string::npos);
}

// A file's mode outside 8-10 stays in the file; only the mouse gets 8, in its mode table and as
// the function code of the button that plays the macro.
TEST(MacroCli, AFilesOddModeStaysInTheFileAndBecomesEightInTheMouse) {
  Files files;
  const std::string state = files.Make("state", ".json");
  const std::string in = files.Make("odd", ".mf");
  Macro m = Sample();
  m.mode = 7;
  ASSERT_EQ(SaveMacroFile(in, m, 1700000000), MacroFileStatus::kOk);
  auto bytes_of = [](const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
  };
  const std::string before = bytes_of(in);
  const std::vector<std::string> sim = {"--simulate=level5", "--sim-state", state};
  const auto with = [&](std::vector<std::string> more) {
    std::vector<std::string> args = sim;
    args.insert(args.end(), more.begin(), more.end());
    return Ctl(args);
  };
  CtlRun r = Ctl({"macro", "show", in});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("mode: 7 ("), std::string::npos) << r.out;
  // Slot 4's mode byte (mode table at 992 on level 5) is set to 10 first, so that 8 is seen written.
  ASSERT_EQ(with({"mem", "write", "995", "0a"}).code, 0);
  r = with({"macro", "write", "4", in, "--bind", "1:2"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("mode once"), std::string::npos) << r.out;
  r = with({"mem", "read", "995", "1"});
  EXPECT_EQ(r.out, "0x03e3: 08\n");
  r = with({"show", "--profile", "1"});
  EXPECT_NE(r.out.find("key  2: Macro Combo strike  [macro:4]"), std::string::npos) << r.out;
  EXPECT_EQ(bytes_of(in), before);
}

// A macro stored under another name and mode, shown from the mouse, bound by its own command; and
// the library on disk: a file imported into a folder and listed as the macro list shows it.
TEST(MacroCli, NameModeShowSlotBindAndLibrary) {
  Files files;
  const std::string in = files.Make("in", ".mf");
  ASSERT_EQ(SaveMacroFile(in, Sample(), 1700000000), MacroFileStatus::kOk);
  for (const std::string model : {"level0", "level5", "level11"}) {
    SCOPED_TRACE(model);
    const std::string state = files.Make("state", ".json");
    const auto with = [&](std::vector<std::string> more) {
      std::vector<std::string> args = {"--simulate=" + model, "--sim-state", state};
      args.insert(args.end(), more.begin(), more.end());
      return Ctl(args);
    };
    CtlRun r = with({"macro", "write", "4", in, "--name", "Renamed", "--mode", "fire", "--quiet"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(with({"macro", "write", "5", in, "--name", "Seventeen letters"}).code, 2);  // never cut silently
    r = with({"macro", "show", "4"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("name: Renamed\nmode: fire (Firekey mode)\nsize in the mouse: 354 bytes\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("0068  "), std::string::npos) << "every instruction read back from the mouse";
    EXPECT_EQ(with({"macro", "show", "5"}).code, 1);  // empty slot
    EXPECT_EQ(with({"macro", "bind", "3", "2", "5"}).code, 1);
    // Slot 20 keeps its mode in its own byte on level 0 only; above, in the buttons that play it,
    // and no button does: its mode is said to be none rather than read as once.
    const bool own_byte = model == "level0";
    // Asked for without a button to keep it, such a mode is refused rather than lost.
    ASSERT_EQ(with({"macro", "write", "20", in, "--mode", "fire"}).code, own_byte ? 0 : 2);
    if (!own_byte) {
      ASSERT_EQ(with({"macro", "write", "20", in}).code, 0);
    }
    EXPECT_EQ(with({"macro", "show", "20"}).out.find("mode: none (no button plays it)\n") == std::string::npos, own_byte);
    const auto listed = nlohmann::json::parse(with({"--json", "macro", "list"}).out)["slots"][1];
    EXPECT_EQ(listed["mode"].is_null(), !own_byte) << listed;
    ASSERT_EQ(with({"macro", "delete", "20"}).code, 0);
    r = with({"--json", "macro", "bind", "3", "2", "4"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out)["slot"], 4);
    const uint32_t body = nlohmann::json::parse(with({"--json", "macro", "list"}).out)["slots"][0]["body_address"];
    sim::SimHidBackend backend(model);
    backend.SetStateFile(state);
    const int level = model == "level0" ? 0 : model == "level5" ? 5 : 11;
    std::array<uint8_t, 4> b{};
    for (int plane = 0; plane < 4; ++plane) b[plane] = backend.Mouse(0).ReadMemory(test::ButtonByte(level, 2, 2, plane), 1)[0];
    EXPECT_EQ(b, (std::array<uint8_t, 4>{10, static_cast<uint8_t>(body), static_cast<uint8_t>(body >> 8), 0}));
  }

  const std::string data = test::TempPath("data");
  setenv("HALVRIC_DATA_DIR", data.c_str(), 1);
  CtlRun r = Ctl({"library", "import", in, "--folder", "Work/Combos"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Ctl({"library", "import", in, "--folder", "../outside"}).code, 2);
  r = Ctl({"library", "list"});
  const auto tree = nlohmann::json::parse(Ctl({"--json", "library", "list"}).out);
  unsetenv("HALVRIC_DATA_DIR");
  std::filesystem::remove_all(data);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("\n  Work/\n    Combos/\n      Combo strike      "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("   file  353 bytes "), std::string::npos) << r.out;
  const auto& work = tree["entries"][0];
  EXPECT_EQ(work["name"], "Work");
  EXPECT_EQ(work["entries"][0]["entries"][0]["name"], "Combo strike");
  EXPECT_EQ(work["entries"][0]["entries"][0]["file_size"], 353);
}

}  // namespace
}  // namespace halvric
