#include "config/program_settings.h"

#include <gtest/gtest.h>

#include "config/temp_folder.h"
#include "platform/desktop_entry.h"
#include "platform/profile_file.h"

namespace halvric {
namespace {

TEST(ProgramSettingsTest, MissingFileGivesDefaults) {
  testing::TempFolder dir;
  const ProfileFile ini((dir.path() / "set.ini").string());
  ProgramSettings s;
  s.LoadStartOptions(ini);
  s.LoadOptions(ini, [](const std::string&) { return std::string("never"); });
  EXPECT_EQ(s.language, 1033);
  EXPECT_EQ(s.osd, 1);
  EXPECT_EQ(s.disable_acc, 1);
  EXPECT_FALSE(s.pin.has_value());
  for (const AppLink& l : s.links) EXPECT_TRUE(l.path.empty() && l.name.empty());
}

TEST(ProgramSettingsTest, LinksAndNames) {
  testing::TempFolder dir;
  const ProfileFile ini(dir.PutUtf16("set.ini",
      "[ARG]\r\nosd=0\r\ndisable_acc=0\r\npin=0x1F\r\nlanguage=1041\r\n"
      "app0=/usr/bin/game\r\napp_name0=My Game\r\n"
      "app1=/opt/tool/tool\r\n"
      "app2=\r\napp_name2=stale name\r\n"));
  ProgramSettings s;
  s.LoadStartOptions(ini);
  s.LoadOptions(ini, [](const std::string& p) { return "described " + p; });
  EXPECT_EQ(s.pin, 31);
  EXPECT_EQ(s.language, 1041);
  EXPECT_EQ(s.osd, 0);
  EXPECT_EQ(s.disable_acc, 0);
  EXPECT_EQ(s.links[0].name, "My Game");
  EXPECT_EQ(s.links[1].name, "described /opt/tool/tool");
  EXPECT_TRUE(s.links[2].path.empty());
  EXPECT_TRUE(s.links[2].name.empty());
}

TEST(ProgramSettingsTest, SaveAndStartOptionsRoundTrip) {
  testing::TempFolder dir;
  const std::string path = (dir.path() / "set.ini").string();
  ProfileFile ini(path);
  ProgramSettings s;
  s.osd = 0;
  s.links[3] = {"/usr/bin/x", "X"};
  ASSERT_TRUE(s.SaveOptions(ini));
  ASSERT_TRUE(WriteLanguageOption(ini, "1028"));
  const auto pin = GeneratePin(ini);
  ASSERT_TRUE(pin.has_value());
  EXPECT_GE(*pin, 0);
  EXPECT_LE(*pin, 999);

  const ProfileFile again(path);
  ProgramSettings t;
  t.LoadStartOptions(again);
  t.LoadOptions(again, nullptr);
  EXPECT_EQ(t.language, 1028);
  EXPECT_EQ(t.pin, pin);
  EXPECT_EQ(t.osd, 0);
  EXPECT_EQ(t.links[3].path, "/usr/bin/x");
  EXPECT_EQ(t.links[3].name, "X");
  EXPECT_EQ(again.GetString("ARG", "app0", "@"), "");
  EXPECT_EQ(again.GetString("ARG", "app_name4", "@"), "");

  // Into a missing folder: reported, nothing created.
  ProfileFile nowhere((dir.path() / "gone" / "set.ini").string());
  EXPECT_FALSE(GeneratePin(nowhere).has_value());
}

TEST(ProgramSettingsTest, DesktopEntryNamesTheProgram) {
  testing::TempFolder dir;
  const auto apps = dir.path() / "applications";
  dir.Put("applications/a-other.desktop", "[Desktop Entry]\nName=Other\nExec=/usr/bin/other %U\n");
  dir.Put("applications/b-hidden.desktop", "[Desktop Entry]\nName=Hidden One\nExec=game\nHidden=true\n");
  dir.Put("applications/sub/c-game.desktop",
          "[Desktop Entry]\nName[de]=Spiel\nName=Great Game\nExec=env WINEPREFIX=/x \"/opt/great/game\" --fullscreen\n");
  dir.Put("applications/notes.txt", "[Desktop Entry]\nName=Not a desktop file\nExec=game\n");
  EXPECT_EQ(DesktopEntryName("/usr/games/game", {apps}), "Great Game");
  EXPECT_EQ(DesktopEntryName("C:\\Games\\other", {dir.path() / "none", apps}), "Other");
  EXPECT_EQ(DesktopEntryName("/usr/bin/unknown", {apps}), "");
}

}  // namespace
}  // namespace halvric
