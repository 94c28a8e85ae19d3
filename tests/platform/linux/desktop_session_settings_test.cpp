// What Wayland desktops keep in their own settings: the keyboard layout (GNOME's input sources,
// Plasma's kxkbrc), the pointer's acceleration profile, GNOME's settings store that keeps both,
// and the application ids that name .desktop files.
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

#include "config/temp_folder.h"
#include "platform/desktop_entry.h"
#include "platform/linux/desktop_layout_names.h"
#include "platform/linux/desktop_pointer_accel.h"
#include "platform/linux/gsettings_value.h"
#include "platform/linux/xkb_key_names.h"

namespace halvric::linux_hid {
namespace {

bool HaveXkbData() { return std::filesystem::exists("/usr/share/X11/xkb/symbols/us"); }

TEST(DesktopLayoutNames, GnomeInputSources) {
  const auto names = ParseGnomeInputSources("[('xkb', 'de'), ('ibus', 'mozc-jp'), ('xkb', 'us+dvorak')]\n",
                                            "['caps:escape', 'compose:ralt']\n");
  ASSERT_TRUE(names.has_value());
  EXPECT_EQ(names->layout, "de,us");
  EXPECT_EQ(names->variant, ",dvorak");
  EXPECT_EQ(names->options, "caps:escape,compose:ralt");
  // No variant anywhere gives no variant list; only input methods, or nothing set, give no layout.
  EXPECT_EQ(ParseGnomeInputSources("[('xkb', 'fr')]")->variant, "");
  EXPECT_EQ(ParseGnomeInputSources("[('ibus', 'anthy')]"), std::nullopt);
  EXPECT_EQ(ParseGnomeInputSources("@a(ss) []"), std::nullopt);
}

TEST(DesktopLayoutNames, PlasmaKxkbrc) {
  const auto names = ParseKxkbrc(
      "[$Version]\nupdate_info=kxkb.upd:remove-empty-lists\n\n[Layout]\nDisplayNames=,\nLayoutList=fr,us\n"
      "Model=pc105\nOptions=grp:alt_shift_toggle\nUse=true\nVariantList=,\n");
  ASSERT_TRUE(names.has_value());
  EXPECT_EQ(names->layout, "fr,us");
  EXPECT_EQ(names->variant, "");
  EXPECT_EQ(names->model, "pc105");
  EXPECT_EQ(names->options, "grp:alt_shift_toggle");
  // Layouts left to the system, a LayoutList of another group, no file content.
  EXPECT_EQ(ParseKxkbrc("[Layout]\nLayoutList=de\nUse=false\n"), std::nullopt);
  EXPECT_EQ(ParseKxkbrc("[Other]\nLayoutList=de\n[Layout]\nUse=true\n"), std::nullopt);
  EXPECT_EQ(ParseKxkbrc(""), std::nullopt);
}

TEST(DesktopLayoutNames, ConfiguredLayoutAndCompositorKeymapGiveTheKeyNames) {
  if (!HaveXkbData()) GTEST_SKIP() << "no XKB data files";
  // A Plasma user with a German layout: QWERTZ, "Z" on the key US layouts label "Y".
  const auto de = XkbKeyNames::FromNames(*ParseKxkbrc("[Layout]\nLayoutList=de\n"));
  ASSERT_NE(de, nullptr);
  EXPECT_EQ(de->KeyName(0x15), "Z");
  EXPECT_EQ(de->KeyName(0x2C), "Y");

  // A compositor's keymap arrives as XKB text: the French one, made here as a compositor makes it.
  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
  const xkb_rule_names fr_names{nullptr, nullptr, "fr", nullptr, nullptr};
  xkb_keymap* keymap = xkb_keymap_new_from_names(context, &fr_names, XKB_KEYMAP_COMPILE_NO_FLAGS);
  ASSERT_NE(keymap, nullptr);
  char* text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
  const auto fr = XkbKeyNames::FromKeymapText(text);
  std::free(text);
  xkb_keymap_unref(keymap);
  xkb_context_unref(context);
  ASSERT_NE(fr, nullptr);
  EXPECT_EQ(fr->KeyName(0x10), "A");
  EXPECT_EQ(fr->KeyName(0x1E), "Q");
  EXPECT_EQ(XkbKeyNames::FromKeymapText("xkb_keymap { broken"), nullptr);
}

TEST(GSettingsValue, ReadsAndWritesInstalledSchemasOnly) {
  // A schema of the test's own, compiled into a folder GIO is pointed at, over GIO's memory store.
  testing::TempFolder dir;
  dir.Put("halvric.test.gschema.xml", R"xml(<schemalist>
  <schema id="halvric.test" path="/halvric/test/">
    <key name="accel-profile" type="s"><default>'default'</default></key>
    <key name="sources" type="a(ss)"><default>[('xkb', 'de'), ('ibus', 'anthy')]</default></key>
  </schema>
</schemalist>)xml");
  const std::string compile = "glib-compile-schemas " + dir.path().string();
  if (std::system(compile.c_str()) != 0) GTEST_SKIP() << "no glib-compile-schemas";
  ::setenv("GSETTINGS_SCHEMA_DIR", dir.path().c_str(), 1);
  ::setenv("GSETTINGS_BACKEND", "memory", 1);

  EXPECT_EQ(ReadGSettings("halvric.test", "accel-profile"), "'default'");
  EXPECT_EQ(AccelFromGnomeProfile(*ReadGSettings("halvric.test", "accel-profile")), kAccelOn);
  EXPECT_TRUE(WriteGSettingsString("halvric.test", "accel-profile", "flat"));
  EXPECT_EQ(AccelFromGnomeProfile(*ReadGSettings("halvric.test", "accel-profile")), kAccelOff);
  // Turning acceleration off and on again gives the user's own profile back, not GNOME's default.
  ASSERT_TRUE(WriteGSettingsString("halvric.test", "accel-profile", "adaptive"));
  const auto gnome = GnomePointerAccel::Connect("halvric.test");
  ASSERT_NE(gnome, nullptr);
  EXPECT_TRUE(gnome->Write(kAccelOff));
  EXPECT_EQ(ReadGSettings("halvric.test", "accel-profile"), "'flat'");
  EXPECT_TRUE(gnome->Write(kAccelOn));
  EXPECT_EQ(ReadGSettings("halvric.test", "accel-profile"), "'adaptive'");
  // The list prints as the desktop's own tool prints it, which the layout reader takes.
  const auto sources = ReadGSettings("halvric.test", "sources");
  ASSERT_TRUE(sources.has_value());
  EXPECT_EQ(ParseGnomeInputSources(*sources)->layout, "de");
  // Missing schemas and keys, and keys that hold no string, are answers, never aborts.
  EXPECT_EQ(ReadGSettings("halvric.no.such.schema", "accel-profile"), std::nullopt);
  EXPECT_EQ(ReadGSettings("halvric.test", "no-such-key"), std::nullopt);
  EXPECT_FALSE(WriteGSettingsString("halvric.no.such.schema", "accel-profile", "flat"));
  EXPECT_FALSE(WriteGSettingsString("halvric.test", "sources", "flat"));
  ::unsetenv("GSETTINGS_SCHEMA_DIR");
  ::unsetenv("GSETTINGS_BACKEND");
}

TEST(DesktopPointerAccel, GnomeProfiles) {
  EXPECT_EQ(AccelFromGnomeProfile("'flat'\n"), kAccelOff);
  EXPECT_EQ(AccelFromGnomeProfile("'default'\n"), kAccelOn);
  EXPECT_EQ(AccelFromGnomeProfile("'adaptive'"), kAccelOn);
  EXPECT_EQ(AccelFromGnomeProfile("No such schema “org.gnome.desktop.peripherals.mouse”"), std::nullopt);
  EXPECT_EQ(AccelFromGnomeProfile(""), std::nullopt);
}

TEST(DesktopEntryProgram, ApplicationIdsNameTheirDesktopFiles) {
  testing::TempFolder dir;
  const auto user = dir.path() / "user";
  const auto system = dir.path() / "system";
  dir.Put("system/org.gnome.Nautilus.desktop", "[Desktop Entry]\nName=Files\nExec=nautilus --new-window %U\n");
  dir.Put("system/firefox-esr.desktop", "[Desktop Entry]\nName=Firefox\nExec=/usr/lib/firefox-esr/firefox-esr %u\n");
  dir.Put("system/steam.desktop", "[Desktop Entry]\nName=Steam\nExec=/usr/games/steam %U\n");
  dir.Put("system/sub/quake.desktop", "[Desktop Entry]\nName=Quake\nExec=/opt/q/quakebin\nStartupWMClass=QuakeWindow\n");
  dir.Put("system/kitty.desktop", "[Desktop Entry]\nName=kitty\nExec=kitty\n");
  dir.Put("system/game.desktop", "[Desktop Entry]\nName=Game\nExec=env WINEPREFIX=/p wine \"C:\\\\Game\\\\game.exe\"\n");
  // The user's own entry overrides the system's of the same name.
  dir.Put("user/kitty.desktop", "[Desktop Entry]\nName=kitty\nExec=/home/u/bin/kitty-wrapper\n");
  const std::vector<std::filesystem::path> folders{user, system};
  EXPECT_EQ(DesktopEntryProgram("org.gnome.Nautilus", folders), "nautilus");
  EXPECT_EQ(DesktopEntryProgram("firefox-esr", folders), "firefox-esr");
  EXPECT_EQ(DesktopEntryProgram("kitty", folders), "kitty-wrapper");
  // By file name in any case, by StartupWMClass, by the last part of a reverse-DNS id.
  EXPECT_EQ(DesktopEntryProgram("Steam", folders), "steam");
  EXPECT_EQ(DesktopEntryProgram("quakewindow", folders), "quakebin");
  EXPECT_EQ(DesktopEntryProgram("com.example.Kitty", folders), "kitty-wrapper");
  EXPECT_EQ(DesktopEntryProgram("game", folders), "wine");
  // Unknown ids and ids that would be paths find nothing.
  EXPECT_EQ(DesktopEntryProgram("unknown", folders), "");
  EXPECT_EQ(DesktopEntryProgram("../system/steam", folders), "");
  EXPECT_EQ(DesktopEntryProgram("", folders), "");
}

}  // namespace
}  // namespace halvric::linux_hid
