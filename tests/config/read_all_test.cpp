#include "config/read_all.h"

#include <gtest/gtest.h>

#include "config/default_image.h"
#include "config/describe_assignment.h"
#include "config/reset_defaults.h"
#include "config/setting_changes.h"
#include "config/text_tables.h"
#include "device/device_commands.h"
#include "sim/device_identity.h"
#include "support/sim_fixture.h"

namespace halvric {
namespace {

using test::SimRig;

// Every level, and each level's strict model, which refuses what the command set does not send.
constexpr const char* kModels[] = {"level0", "level5", "level11", "level0-strict", "level5-strict", "level11-strict"};

struct Loaded {
  explicit Loaded(const std::string& model) : rig(model) {
    EXPECT_TRUE(rig.dev->SelectDevice(rig.PathOf(0), true));
  }
  ReadAllResult Read() { return ReadAll(*rig.dev, wc, [this](double f) { progress.push_back(f); }); }
  sim::SimMouse& mouse() { return rig.backend.Mouse(0); }
  // What the windows and halvricctl show for a button and a profile name.
  std::string Text(int p, int k) const {
    return DescribeAssignment(texts, ButtonAssignment::FromBytes(wc.profiles[p].buttons[k].bytes), wc.dpi_step);
  }
  std::string Name(int p) const { return ProfileDisplayName(wc.profiles[p].name, texts.Get(TextFamily::profile_str), p); }
  SimRig rig;
  TextTables texts;
  WorkingCopy wc;
  std::vector<double> progress;
};

TEST(ReadAll, EveryModelLoadsItsConfiguration) {
  for (const char* model : kModels) {
    Loaded l(model);
    ASSERT_EQ(l.Read(), ReadAllResult::kLoaded) << model;
    EXPECT_TRUE(l.wc.loaded);
    EXPECT_EQ(l.Text(0, 0), "Left click") << model;
    EXPECT_EQ(l.Name(4), "Profile 5") << model;
    EXPECT_EQ(l.wc.dpi_mask, 0x1F) << model;
    ASSERT_FALSE(l.progress.empty());
    EXPECT_TRUE(std::is_sorted(l.progress.begin(), l.progress.end())) << model;
    EXPECT_DOUBLE_EQ(l.progress.back(), 1.0);
    for (const auto& slot : l.wc.macros) EXPECT_EQ(slot.start, 0u);
  }
}

TEST(ReadAll, DpiPairsAndProfileFieldsComeFromTheirLevelsAddresses) {
  Loaded l0("level0");
  l0.mouse().WriteMemory(8, std::vector<uint8_t>{0x21, 0x22});
  // Profile 1 (record at 16 + 96) with a set flag, colour levels 3/1/2 and a name.
  l0.mouse().WriteMemory(112, std::vector<uint8_t>{0x00, 0x12, 0x00, 0x27});
  l0.mouse().WriteMemory(112 + 14, std::vector<uint8_t>{'S', 'n', 'i', 'p', 'e'});
  ASSERT_EQ(l0.Read(), ReadAllResult::kLoaded);
  EXPECT_EQ(l0.wc.dpi[2], (std::array<uint8_t, 2>{0x21, 0x22}));
  EXPECT_FALSE(l0.wc.profiles[0].flag) << "a record starting 12 12 has its flag clear";
  EXPECT_TRUE(l0.wc.profiles[1].flag);
  EXPECT_EQ(l0.wc.profiles[1].colour, (std::array<uint8_t, 3>{255, 85, 170}));
  EXPECT_EQ(l0.Name(1), "Snipe");
  EXPECT_EQ(l0.Name(2), "Profile 3");

  Loaded l11("level11");
  l11.mouse().WriteMemory(7, std::vector<uint8_t>{0x31, 0x32});
  l11.mouse().WriteMemory(2, std::vector<uint8_t>{static_cast<uint8_t>(3 | (0x0B << 3))});
  l11.mouse().WriteMemory(14, std::vector<uint8_t>{0x35});
  l11.mouse().WriteMemory(1168, std::vector<uint8_t>{0x90});  // key-cycle count out of range
  ASSERT_EQ(l11.Read(), ReadAllResult::kLoaded);
  EXPECT_EQ(l11.wc.dpi[2], (std::array<uint8_t, 2>{0x31, 0x32}));
  EXPECT_EQ(l11.wc.dpi_level, 3);
  EXPECT_EQ(l11.wc.dpi_mask, 0x0B);
  EXPECT_EQ(l11.wc.angle_snapping, 1);
  EXPECT_EQ(l11.wc.second_field, 2);
  EXPECT_EQ(l11.wc.rate_code, 3);
  EXPECT_EQ(l11.wc.profiles[0].extension[0], 0);
}

TEST(ReadAll, MacroDirectoryNamesAndModes) {
  Loaded l("level11");
  // Slot 3: a record at 0x600 named "Fire" (UTF-16LE), 40 bytes long; mode byte 0xFF reads as 8.
  l.mouse().WriteMemory(832 + 12, std::vector<uint8_t>{0x00, 0x06, 40, 0});
  l.mouse().WriteMemory(1152 + 3, std::vector<uint8_t>{0xFF});
  l.mouse().WriteMemory(1152 + 4, std::vector<uint8_t>{10});
  std::vector<uint8_t> rec(40, 0);
  rec[0] = 32;
  const char* name = "Fire";
  for (int i = 0; i < 4; ++i) rec[1 + 2 * i] = static_cast<uint8_t>(name[i]);
  l.mouse().WriteMemory(0x600, rec);
  ASSERT_EQ(l.Read(), ReadAllResult::kLoaded);
  EXPECT_EQ(l.wc.macros[3].name, "Fire");
  EXPECT_EQ(l.wc.macros[3].start, 0x600u);
  EXPECT_EQ(l.wc.macros[3].body, 0x600u + 33);
  EXPECT_EQ(l.wc.macros[3].length, 40u);
  EXPECT_EQ(l.wc.macros[3].mode, 8u);
  EXPECT_EQ(l.wc.macros[4].mode, 10u);
}

TEST(ReadAll, NoCurrentDeviceAndSilentMouse) {
  SimRig rig("level11");
  TextTables texts;
  WorkingCopy wc;
  EXPECT_EQ(ReadAll(*rig.dev, wc), ReadAllResult::kNoDevice);

  ASSERT_TRUE(rig.dev->SelectDevice(rig.PathOf(0), true));
  rig.backend.Mouse(0).SetStuckBusy(true);
  rig.backend.ClearTrace();
  ResetOptions none;
  EXPECT_EQ(ReadAllOrRepair(*rig.dev, wc, none), ReadAllResult::kFailed);
  EXPECT_FALSE(wc.loaded);
  for (const auto& e : rig.SendsSinceClear()) EXPECT_NE(e.bytes[1], 0x03) << "a silent mouse is never written";
}

TEST(ResetToDefaults, BlankMouseIsRepairedWithTheDefaultImage) {
  Loaded l("level11-blank");
  EXPECT_EQ(l.Read(), ReadAllResult::kUninitialised);
  l.rig.backend.ClearTrace();
  bool backed_up = false;
  ResetOptions opts;
  opts.before_write = [&] {
    backed_up = true;
    return true;
  };
  ASSERT_EQ(ReadAllOrRepair(*l.rig.dev, l.wc, opts), ReadAllResult::kLoaded);
  EXPECT_TRUE(backed_up);
  const auto sends = l.rig.SendsSinceClear();
  size_t chunks = 0, i = 0;
  for (; i < sends.size(); ++i) {
    if (sends[i].bytes[1] == 0x03 && sends[i].bytes[4] == 32) ++chunks;
  }
  EXPECT_EQ(chunks, kDefaultImageSize / 32);
  EXPECT_EQ(l.mouse().ReadMemory(0, 1)[0], kMemorySignature);
  EXPECT_EQ(l.mouse().LedMode(), 1);
  EXPECT_GE(l.mouse().LightingApplyCount(), 1);
  EXPECT_EQ(l.Text(2, 1), "Right click");
  EXPECT_EQ(l.Text(0, 31), "Scroll down");
  EXPECT_EQ(l.mouse().ActiveProfile(), 0);
}

TEST(ResetToDefaults, FailedBackupWritesNothing) {
  Loaded l("level0");
  l.rig.backend.ClearTrace();
  ResetOptions opts;
  opts.before_write = [] { return false; };
  EXPECT_EQ(ResetToDefaults(*l.rig.dev, l.wc, opts), ResetResult::kBackupFailed);
  for (const auto& e : l.rig.SendsSinceClear()) EXPECT_NE(e.bytes[1], 0x09);
}

TEST(SettingChanges, DpiOfTheCurrentLevelIsAppliedAndStoredBetweenWakes) {
  for (const char* model : kModels) {
    Loaded l(model);
    ASSERT_EQ(l.Read(), ReadAllResult::kLoaded);
    const int level = l.wc.protocol_level;
    l.rig.backend.ClearTrace();
    ASSERT_TRUE(ChangeDpi(*l.rig.dev, l.wc, l.wc.dpi_level, 0x40, 0x41)) << model;
    auto s = l.rig.SendsSinceClear();
    const uint8_t apply = level == 0 ? 0x04 : level <= 10 ? 0x01 : 0x10;
    bool saw_apply = false;
    for (const auto& e : s) saw_apply = saw_apply || e.bytes[1] == apply;
    EXPECT_TRUE(saw_apply) << model;
    if (level > 0) {
      EXPECT_EQ(s.front().bytes[2], 0x12) << model << ": a wake first";
      EXPECT_EQ(s.back().bytes[2], 0x12) << model << ": a wake last";
    }
    const uint32_t base = level == 0 ? 4 : 3;
    EXPECT_EQ(l.mouse().ReadMemory(base + 2 * l.wc.dpi_level, 2), (std::vector<uint8_t>{0x40, 0x41})) << model;
    EXPECT_EQ(l.mouse().DpiX(), 0x40) << model;

    // Another level is only stored.
    l.rig.backend.ClearTrace();
    const int other = (l.wc.dpi_level + 2) % kDpiLevels;
    ASSERT_TRUE(ChangeDpi(*l.rig.dev, l.wc, other, 0x50, 0x51));
    for (const auto& e : l.rig.SendsSinceClear()) {
      const bool applied = (level > 0 && level <= 10) ? (e.bytes[1] == 0x01 && e.bytes[2] == 0x07)
                           : level >= 11                ? e.bytes[1] == 0x10
                                                        : e.bytes[1] == 0x04 && e.bytes[2] == 0x01;
      EXPECT_FALSE(applied) << model;
    }
  }
}

TEST(SettingChanges, ProfileRecordFieldsReadBack) {
  for (const char* model : kModels) {
    Loaded l(model);
    ASSERT_EQ(l.Read(), ReadAllResult::kLoaded);
    ASSERT_TRUE(ChangeProfileName(*l.rig.dev, l.wc, 2, "Sniper rifle mode long name"));
    ASSERT_TRUE(ChangeProfileColour(*l.rig.dev, l.wc, 2, {255, 0, 170}));
    ASSERT_TRUE(ChangeProfileFlag(*l.rig.dev, l.wc, 2, true));
    ASSERT_TRUE(ChangeButton(*l.rig.dev, l.wc, 2, 1, ButtonAssignment::Keyboard(0x01, 0x04)));
    ASSERT_TRUE(ChangeRate(*l.rig.dev, l.wc, 3));
    ASSERT_TRUE(ChangeAngleSnapping(*l.rig.dev, l.wc, true));
    WorkingCopy again;
    ASSERT_EQ(ReadAll(*l.rig.dev, again), ReadAllResult::kLoaded);
    const size_t field = l.wc.map.name_size;
    EXPECT_EQ(again.profiles[2].name, std::string("Sniper rifle mode long name").substr(0, field)) << model;
    EXPECT_EQ(again.profiles[2].colour, (std::array<uint8_t, 3>{255, 0, 170})) << model;
    EXPECT_TRUE(again.profiles[2].flag) << model;
    EXPECT_FALSE(again.profiles[1].flag) << model;
    EXPECT_EQ(again.profiles[2].buttons[1].bytes, (std::array<uint8_t, 4>{5, 1, 4, 0})) << model;
    EXPECT_EQ(again.profiles[2].buttons[1].bytes, l.wc.profiles[2].buttons[1].bytes);
    EXPECT_EQ(again.rate_code, 3) << model;
    EXPECT_EQ(again.angle_snapping, 1) << model;
  }
}

TEST(ProfileNames, NamesAreCutAtCharacterBoundaries) {
  const auto f = EncodeProfileName("abcdefghijklmnopq\xC3\xA9", 18);  // 17 ASCII + a 2-byte character
  EXPECT_EQ(DecodeProfileName(f.data(), f.size()), "abcdefghijklmnopq");
  const auto g = EncodeProfileName("caf\xC3\xA9", 18);
  EXPECT_EQ(DecodeProfileName(g.data(), g.size()), "caf\xC3\xA9");
}


// A write that fails between the two Wakes must not leave the write guard open.
TEST(SettingChanges, AFailedStepStillClosesTheGuard) {
  for (const char* model : {"level5", "level11"}) {
    Loaded l(model);
    ASSERT_EQ(l.Read(), ReadAllResult::kLoaded);
    const bool guard = l.mouse().WriteGuardOpen();
    const int wakes = l.mouse().WakeCount();
    l.mouse().StallMemoryWrites(true);
    EXPECT_FALSE(ChangeDpi(*l.rig.dev, l.wc, (l.wc.dpi_level + 1) % kDpiLevels, 0x30, 0x31)) << model;
    EXPECT_EQ(l.mouse().WakeCount(), wakes + 2) << model;
    EXPECT_EQ(l.mouse().WriteGuardOpen(), guard) << model;
    EXPECT_FALSE(ChangeRate(*l.rig.dev, l.wc, 2)) << model;
    EXPECT_EQ(l.mouse().WakeCount(), wakes + 4) << model;
    EXPECT_EQ(l.mouse().WriteGuardOpen(), guard) << model;
    if (l.wc.map.dpi_state != 0) {
      // Level 11 writes the DPI state into memory between the two Wakes.
      EXPECT_FALSE(ChangeDpiState(*l.rig.dev, l.wc, 1, 0x1F)) << model;
      EXPECT_EQ(l.mouse().WakeCount(), wakes + 6) << model;
      EXPECT_EQ(l.mouse().WriteGuardOpen(), guard) << model;
    }
  }
}

// A single stale answer to the signature read must not wipe a level-11 mouse: the byte is read
// again before the memory counts as uninitialised.
TEST(ReadAll, AStaleSignatureAnswerIsReadAgainBeforeAnyReset) {
  Loaded l("level11");
  l.mouse().WriteMemory(40, std::vector<uint8_t>{'K', 'e', 'e', 'p'});
  l.rig.backend.ClearTrace();
  // The memory-size request comes first; the signature read after it is answered stale (with
  // the status answer, whose byte 2 is no signature).
  l.mouse().SetStaleAnswers(1, 1);
  ResetOptions none;
  none.before_write = [] {
    ADD_FAILURE() << "no reset may start";
    return false;
  };
  ASSERT_EQ(ReadAllOrRepair(*l.rig.dev, l.wc, none), ReadAllResult::kLoaded);
  for (const auto& e : l.rig.SendsSinceClear()) EXPECT_NE(e.bytes[1], 0x03) << "nothing is written";
  EXPECT_EQ(l.mouse().ReadMemory(40, 4), (std::vector<uint8_t>{'K', 'e', 'e', 'p'}));

  // A blank memory reads blank twice and is repaired, after the backup.
  Loaded blank("level11-blank");
  bool backed_up = false;
  ResetOptions repair;
  repair.before_write = [&] {
    backed_up = true;
    return true;
  };
  ASSERT_EQ(ReadAllOrRepair(*blank.rig.dev, blank.wc, repair), ReadAllResult::kLoaded);
  EXPECT_TRUE(backed_up);
}

// Identification has read the information entries (level 0 answers entries 0-15 only): the
// read-all takes them from it and asks the mouse for none of them again.
TEST(ReadAll, InformationEntriesComeFromIdentification) {
  for (const char* model : {"level0", "level11"}) {
    Loaded l(model);
    l.rig.backend.ClearTrace();
    ASSERT_EQ(l.Read(), ReadAllResult::kLoaded);
    for (const auto& e : l.rig.SendsSinceClear()) {
      EXPECT_FALSE(e.bytes[1] == 0x00 && e.bytes[2] == 0x02 && e.bytes[3] == 0x04) << model;
      EXPECT_NE(e.bytes[1], 0x0A) << model;
    }
    EXPECT_EQ(l.mouse().RejectedRequests(), 0);
    const int entries = std::string(model) == "level0" ? kShortInfoEntries : kInfoEntries;
    const auto* row = sim::FindModel(model);
    for (int i = 0; i < kInfoEntries; ++i) {
      const auto expected = i < entries ? sim::InfoEntry(*row, i) : std::array<uint8_t, 4>{};
      EXPECT_EQ(l.wc.info_entries[i].values, expected) << model << " entry " << i;
    }
    EXPECT_NE(l.wc.info_entries[0].values, (std::array<uint8_t, 4>{}));
  }
}

// A part read alone takes its values from the mouse like the read-all; parts read later join it.
TEST(ReadParts, PartsReadAloneAgreeWithTheReadAll) {
  for (const char* model : {"level0", "level5", "level11"}) {
    Loaded whole(model);
    ASSERT_EQ(whole.Read(), ReadAllResult::kLoaded);
    Loaded part(model);
    ASSERT_EQ(ReadParts(*part.rig.dev, part.wc, kReadDpiState), ReadAllResult::kLoaded);
    EXPECT_EQ(part.wc.dpi_level, whole.wc.dpi_level) << model;
    EXPECT_EQ(part.wc.dpi_mask, whole.wc.dpi_mask) << model;
    EXPECT_EQ(part.wc.dpi_step, whole.wc.dpi_step) << model;
    EXPECT_EQ(part.wc.map.plane_size, whole.wc.map.plane_size) << model;
    part.rig.backend.ClearTrace();
    ASSERT_EQ(ReadParts(*part.rig.dev, part.wc, kReadSettings | kReadMacros), ReadAllResult::kLoaded);
    EXPECT_EQ(part.wc.dpi, whole.wc.dpi) << model;
    EXPECT_EQ(part.wc.settings_byte, whole.wc.settings_byte) << model;
    EXPECT_EQ(part.wc.profile_bits, whole.wc.profile_bits) << model;
    for (int s = 0; s < kMacroSlots; ++s) EXPECT_EQ(part.wc.macros[s].start, whole.wc.macros[s].start) << model;
    // Asked again, a part already read costs nothing.
    const size_t sends = part.rig.SendsSinceClear().size();
    ASSERT_EQ(ReadParts(*part.rig.dev, part.wc, kReadDpiState | kReadSettings), ReadAllResult::kLoaded);
    EXPECT_EQ(part.rig.SendsSinceClear().size(), sends) << model;
  }
}

}  // namespace
}  // namespace halvric
