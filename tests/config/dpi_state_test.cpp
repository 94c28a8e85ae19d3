// The current DPI level and the enable mask: level 11 keeps them in memory byte 2; below it the
// mouse has no place for them, so only ApplyDpiLevel goes out and the program keeps the rest.

#include <gtest/gtest.h>

#include "config/read_all.h"
#include "config/saved_dpi_state.h"
#include "config/setting_changes.h"
#include "config/temp_folder.h"
#include "platform/profile_file.h"
#include "support/sim_fixture.h"

namespace halvric {
namespace {

struct Rig {
  explicit Rig(const std::string& model) : rig(model) {
    EXPECT_TRUE(rig.dev->SelectDevice(rig.PathOf(0), true));
    EXPECT_EQ(ReadAll(*rig.dev, wc), ReadAllResult::kLoaded);
    rig.backend.ClearTrace();
  }
  sim::SimMouse& sim() { return rig.backend.Mouse(0); }
  std::vector<std::vector<uint8_t>> Sent() {
    std::vector<std::vector<uint8_t>> out;
    for (const auto& e : rig.SendsSinceClear()) out.push_back(e.bytes);
    return out;
  }
  test::SimRig rig;
  WorkingCopy wc;
};

// Report bytes from byte 1 on, without the checksum: what a command line of the command set shows.
std::vector<uint8_t> Body(const std::vector<uint8_t>& report, size_t n) {
  return std::vector<uint8_t>(report.begin() + 1, report.begin() + 1 + static_cast<long>(n));
}

TEST(DpiState, BelowLevelElevenOnlyTheLevelIsAppliedAndNothingIsWritten) {
  {
    Rig r("level0");
    const auto low = r.sim().ReadMemory(0, 32);
    const auto xy = r.wc.dpi[3];
    ASSERT_TRUE(ChangeDpiState(*r.rig.dev, r.wc, 3, 0x0B));
    const auto sent = r.Sent();
    ASSERT_EQ(sent.size(), 1u);
    // ApplyDpiLevel carries the level number: the mouse selects level 3 itself.
    EXPECT_EQ(Body(sent[0], 7), (std::vector<uint8_t>{0x04, 0x01, 3, xy[0], xy[1], 0x00, 0x12}));
    EXPECT_EQ(r.sim().ReadMemory(0, 32), low);
    EXPECT_EQ(r.sim().DpiLevel(), 3);
    EXPECT_EQ(r.sim().CommitCount(), 0);
    EXPECT_EQ(r.wc.dpi_level, 3);
    EXPECT_EQ(r.wc.dpi_mask, 0x0B);
  }
  {
    Rig r("level5");
    const auto low = r.sim().ReadMemory(0, 32);
    const auto xy = r.wc.dpi[4];
    ASSERT_TRUE(ChangeDpiState(*r.rig.dev, r.wc, 4, 0x13));
    std::vector<std::vector<uint8_t>> applied;
    for (const auto& s : r.Sent()) {
      EXPECT_FALSE(s[1] == 0x01 && s[2] == 0x03) << "no memory write";
      EXPECT_FALSE(s[1] == 0x01 && s[2] == 0x04) << "no Commit";
      if (s[1] == 0x01 && s[2] == 0x07) applied.push_back(Body(s, 5));
    }
    // Levels 1-10: no level number; the level's values are what makes it current.
    EXPECT_EQ(applied, (std::vector<std::vector<uint8_t>>{{0x01, 0x07, 0x01, xy[0], xy[1]}}));
    EXPECT_EQ(r.sim().ReadMemory(0, 32), low);
    EXPECT_EQ(r.sim().DpiX(), xy[0]);
    EXPECT_EQ(r.sim().DpiY(), xy[1]);
    EXPECT_EQ(r.wc.dpi_level, 4);
    EXPECT_EQ(r.wc.dpi_mask, 0x13);
  }
}

TEST(DpiState, LevelElevenStoresTheStateInByteTwo) {
  Rig r("level11");
  ASSERT_TRUE(ChangeDpiState(*r.rig.dev, r.wc, 2, 0x07));
  EXPECT_EQ(r.sim().ReadMemory(2, 1)[0], 2 | (0x07 << 3));
  EXPECT_EQ(r.sim().DpiLevel(), 2);
  EXPECT_EQ(r.sim().DpiMask(), 0x07);
  WorkingCopy again;
  ASSERT_EQ(ReadAll(*r.rig.dev, again), ReadAllResult::kLoaded);
  EXPECT_EQ(again.dpi_level, 2);
  EXPECT_EQ(again.dpi_mask, 0x07);
}

TEST(DpiState, TheMaskAloneSendsNothingBelowLevelEleven) {
  for (const char* model : {"level0", "level5"}) {
    Rig r(model);
    ASSERT_TRUE(ChangeDpiMask(*r.rig.dev, r.wc, 0x05)) << model;
    EXPECT_TRUE(r.Sent().empty()) << model;
    EXPECT_EQ(r.wc.dpi_mask, 0x05);
  }
  Rig r("level11");
  const int level = r.wc.dpi_level;
  ASSERT_TRUE(ChangeDpiMask(*r.rig.dev, r.wc, 0x05));
  EXPECT_EQ(r.sim().ReadMemory(2, 1)[0], level | (0x05 << 3));
}

// The simulated mouse's own DPI button: below level 11 it changes no memory byte, and the status
// answer is where a read learns the level.
TEST(DpiState, TheMousesOwnLevelComesFromItsStatus) {
  for (const char* model : {"level0", "level5"}) {
    Rig r(model);
    const auto low = r.sim().ReadMemory(0, 32);
    r.sim().PressDpiButton(3);
    EXPECT_EQ(r.sim().ReadMemory(0, 32), low) << model;
    WorkingCopy fresh;
    ASSERT_EQ(ReadAll(*r.rig.dev, fresh), ReadAllResult::kLoaded);
    EXPECT_EQ(fresh.dpi_level, 3) << model;
  }
}

// What the program keeps survives a re-read of the same mouse (a restore, a reset) and, through
// set.ini, a restart; the key is the model and product id.
TEST(DpiState, TheProgramsStateIsKeptAcrossReadsAndRestarts) {
  testing::TempFolder dir;
  const std::string ini = (dir.path() / "set.ini").string();
  for (const char* model : {"level0", "level5"}) {
    Rig r(model);
    ASSERT_TRUE(ChangeDpiState(*r.rig.dev, r.wc, 4, 0x19));
    ASSERT_EQ(ReadAll(*r.rig.dev, r.wc), ReadAllResult::kLoaded);
    EXPECT_EQ(r.wc.dpi_level, 4) << model;
    EXPECT_EQ(r.wc.dpi_mask, 0x19) << model;
    ProfileFile file(ini);
    ASSERT_TRUE(SaveDpiState(r.wc, file)) << model;

    WorkingCopy next;
    ASSERT_EQ(ReadAll(*r.rig.dev, next), ReadAllResult::kLoaded);
    const std::string key = DpiStateKey(next);
    EXPECT_EQ(key.rfind(std::to_string(next.type_code) + "_", 0), 0u) << key;
    EXPECT_EQ(key.size() - key.find('_'), 5u) << key << ": four hex digits of the product id";
    TakeSavedDpiState(next, ProfileFile(ini));
    EXPECT_EQ(next.dpi_mask, 0x19) << model;
    EXPECT_EQ(next.dpi_level, 4) << model;
  }
  // A level-5 mouse whose status names level 1: the level the program made current wins; a level-0
  // mouse selects the level itself, so its status is believed.
  const ProfileFile file(ini);
  for (const auto& [model, want] : {std::pair{"level0", 2}, std::pair{"level5", 4}}) {
    Rig r(model);
    r.sim().PressDpiButton(2);
    WorkingCopy wc;
    ASSERT_EQ(ReadAll(*r.rig.dev, wc), ReadAllResult::kLoaded);
    TakeSavedDpiState(wc, file);
    EXPECT_EQ(wc.dpi_level, want) << model;
    EXPECT_EQ(wc.dpi_mask, 0x19) << model;
  }
  // Level 11 keeps its own state: set.ini neither gets nor gives one.
  Rig r("level11");
  ProfileFile writable(ini);
  ASSERT_TRUE(SaveDpiState(r.wc, writable));
  EXPECT_FALSE(ProfileFile(ini).HasKey(kDpiStateSection, DpiStateKey(r.wc) + "_mask"));
  const int level = r.wc.dpi_level;
  TakeSavedDpiState(r.wc, ProfileFile(ini));
  EXPECT_EQ(r.wc.dpi_level, level);
}

}  // namespace
}  // namespace halvric
