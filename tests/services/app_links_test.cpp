#include "services/app_links.h"

#include <gtest/gtest.h>
#include <map>

#include "config/temp_folder.h"
#include "platform/profile_file.h"
#include "services/foreground_check.h"

namespace halvric {
namespace {

using testing::TempFolder;

TEST(AppLinks, NamesComeFromTheFileUnlessAbsent) {
  TempFolder dir;
  dir.Put("set.ini",
          "[ARG]\n"
          "app0=C:\\Games\\Shooter.EXE\n"          // no name: described
          "app1=/opt/tools/editor\n"
          "app_name1=\n"                           // present but empty: stays empty
          "app2=\n"
          "app_name2=Ghost\n"                      // empty path: no link, whatever the name
          "app3=@_NOSTR_\n"
          "app4=/usr/bin/gone.sh\n");              // no description: file name
  const FileDescriptionFn describe = [](const std::string& path) {
    return path.ends_with("Shooter.EXE") ? std::string("Space Shooter") : std::string();
  };
  const ProgramSettings s = LoadLinkSettings(dir.path(), describe);
  EXPECT_EQ(s.links[0].path, "C:\\Games\\Shooter.EXE");
  EXPECT_EQ(s.links[0].name, "Space Shooter");
  EXPECT_EQ(s.links[1].name, "");
  EXPECT_EQ(s.links[2].path, "");
  EXPECT_EQ(s.links[2].name, "");
  EXPECT_EQ(s.links[3].path, "");
  EXPECT_EQ(s.links[4].name, "gone");
}

TEST(AppLinks, FileNameWithoutExtension) {
  EXPECT_EQ(FileNameWithoutExtension("C:\\My.Games\\game"), "game");
  EXPECT_EQ(FileNameWithoutExtension("/usr/bin/foo.bar.sh"), "foo.bar");
  EXPECT_EQ(FileNameWithoutExtension(".hidden"), ".hidden");
  EXPECT_EQ(FileNameWithoutExtension("game.exe"), "game");
}

TEST(AppLinks, SetRemoveAndSaveKeepEveryKey) {
  TempFolder dir;
  dir.Put("set.ini", "[ARG]\nosd=0\nlanguage=1041\n");
  ProgramSettings s = LoadLinkSettings(dir.path(), {});
  EXPECT_FALSE(SetLink(s, 5, "/x", std::nullopt, {}));
  EXPECT_FALSE(SetLink(s, 1, "", std::nullopt, {}));
  ASSERT_TRUE(SetLink(s, 1, "/opt/game/game.x86_64", std::nullopt, {}));
  ASSERT_TRUE(SetLink(s, 3, "C:\\a\\b.exe", std::string("Bee"), {}));
  ASSERT_TRUE(SaveLinkSettings(s, dir.path()));
  ASSERT_TRUE(RemoveLink(s, 3));
  ASSERT_TRUE(SaveLinkSettings(s, dir.path()));

  const ProfileFile ini((dir.path() / "set.ini").string());
  EXPECT_EQ(ini.GetString("ARG", "app1", ""), "/opt/game/game.x86_64");
  EXPECT_EQ(ini.GetString("ARG", "app_name1", ""), "game");
  // A removed link is written empty, not deleted.
  EXPECT_TRUE(ini.HasKey("ARG", "app3"));
  EXPECT_EQ(ini.GetString("ARG", "app3", "x"), "");
  EXPECT_EQ(ini.GetString("ARG", "app_name3", "x"), "");
  EXPECT_EQ(ini.GetInt("ARG", "osd", 1), 0);
  EXPECT_EQ(ini.GetInt("ARG", "language", 0), 1041);
}

// Windows in front, by id, and the program behind each.
class FakeForeground : public ForegroundWindow {
 public:
  WindowId active = 0;
  std::map<WindowId, std::optional<std::string>> programs;
  int lookups = 0;
  WindowId Active() override { return active; }
  std::optional<std::string> ProgramName(WindowId w) override {
    ++lookups;
    auto it = programs.find(w);
    return it == programs.end() ? std::nullopt : it->second;
  }
};

struct CheckRig {
  FakeForeground windows;
  ProgramContext context;
  std::vector<int> sent;
  int redraws = 0;
  ForegroundCheck check{windows, context, [this](int p) { sent.push_back(p); return true; }, [this] { ++redraws; }};
  std::array<AppLink, kAppLinkCount> links{};
};

TEST(ForegroundCheck, TailMatchIsCaseSensitiveAndTheLowerSlotWins) {
  std::array<AppLink, kAppLinkCount> links{};
  links[1].path = "C:\\Games\\mygame.exe";
  links[2].path = "/home/u/game.exe";
  links[3].path = "GAME.EXE";
  EXPECT_EQ(MatchingLinkSlot(links, "game.exe"), 1);  // mygame.exe ends in game.exe
  EXPECT_EQ(MatchingLinkSlot(links, "GAME.EXE"), 3);
  EXPECT_EQ(MatchingLinkSlot(links, "Game.exe"), -1);
  EXPECT_EQ(MatchingLinkSlot(links, "a-much-longer-game.exe"), -1);
  EXPECT_EQ(MatchingLinkSlot(links, ""), -1);
}

TEST(ForegroundCheck, SwitchesOncePerWindowChangeAndNotForTheCurrentProfile) {
  CheckRig rig;
  rig.links[2].path = "/usr/games/game.exe";
  rig.windows.programs[10] = "game.exe";
  rig.windows.programs[11] = "game.exe";  // a second window of the same program
  rig.windows.programs[12] = "editor";
  rig.windows.programs[13] = std::nullopt;  // a process that cannot be examined

  rig.windows.active = 10;
  EXPECT_EQ(rig.check.Run(rig.links), ForegroundOutcome::kSwitched);
  EXPECT_EQ(rig.context.current_profile.load(), 2);
  EXPECT_EQ(rig.check.Run(rig.links), ForegroundOutcome::kSameWindow);
  rig.windows.active = 11;
  EXPECT_EQ(rig.check.Run(rig.links), ForegroundOutcome::kAlreadyCurrent);
  EXPECT_EQ(rig.sent, (std::vector<int>{2}));
  EXPECT_EQ(rig.redraws, 2);  // every match repaints

  // A manual choice stands until a linked application comes to the front again.
  rig.context.current_profile = 0;
  rig.windows.active = 12;
  EXPECT_EQ(rig.check.Run(rig.links), ForegroundOutcome::kNoMatch);
  rig.windows.active = 13;
  EXPECT_EQ(rig.check.Run(rig.links), ForegroundOutcome::kUnknownProgram);
  EXPECT_EQ(rig.check.Run(rig.links), ForegroundOutcome::kSameWindow);  // not examined again
  rig.windows.active = 0;
  EXPECT_EQ(rig.check.Run(rig.links), ForegroundOutcome::kNoWindow);
  rig.windows.active = 10;
  EXPECT_EQ(rig.check.Run(rig.links), ForegroundOutcome::kSwitched);
  EXPECT_EQ(rig.sent, (std::vector<int>{2, 2}));
  EXPECT_EQ(rig.windows.lookups, 5);
}

}  // namespace
}  // namespace halvric
