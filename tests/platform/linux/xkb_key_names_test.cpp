#include "platform/linux/xkb_key_names.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include "platform/linux/scan_code_keycodes.h"
#include "platform/linux/xkb_layout_names.h"

namespace halvric::linux_hid {
namespace {

// Compiling a keymap needs the XKB data files (package xkb-data).
bool HaveXkbData() { return std::filesystem::exists("/usr/share/X11/xkb/symbols/us"); }

std::unique_ptr<XkbKeyNames> Layout(const char* layout, const char* variant = "") {
  XkbLayoutNames names;
  names.layout = layout;
  names.variant = variant;
  return XkbKeyNames::FromNames(names);
}

TEST(ScanCodeKeycodes, PlainExtendedAndSwappedKeys) {
  EXPECT_EQ(EventCodeForScanCode(0x1E), KEY_A);
  EXPECT_EQ(EventCodeForScanCode(0x56), KEY_102ND);
  // The key tables write Pause as 0x45 and Num Lock as the extended 0xE045.
  EXPECT_EQ(EventCodeForScanCode(0x45), KEY_PAUSE);
  EXPECT_EQ(EventCodeForScanCode(0xE045), KEY_NUMLOCK);
  EXPECT_EQ(EventCodeForScanCode(0xE01D), KEY_RIGHTCTRL);
  // An extended code is not its plain code, and codes no key has give 0.
  EXPECT_EQ(EventCodeForScanCode(0xE01E), 0);
  EXPECT_EQ(EventCodeForScanCode(0), 0);
  EXPECT_EQ(EventCodeForScanCode(0x55), 0);
  EXPECT_EQ(EventCodeForScanCode(-1), 0);
}

TEST(XkbKeyNames, LettersFollowTheLayout) {
  if (!HaveXkbData()) GTEST_SKIP() << "no XKB data files";
  const auto us = Layout("us");
  const auto fr = Layout("fr");
  const auto de = Layout("de");
  ASSERT_TRUE(us && fr && de);
  // The physical keys of US "A", "Q", "W", "Z", "Y" and ";".
  EXPECT_EQ(us->KeyName(0x1E), "A");
  EXPECT_EQ(fr->KeyName(0x1E), "Q");
  EXPECT_EQ(fr->KeyName(0x10), "A");
  EXPECT_EQ(fr->KeyName(0x11), "Z");
  EXPECT_EQ(fr->KeyName(0x27), "M");
  EXPECT_EQ(de->KeyName(0x2C), "Y");
  EXPECT_EQ(de->KeyName(0x15), "Z");
  // Letters outside ASCII come in upper case, as UTF-8.
  EXPECT_EQ(de->KeyName(0x27), "\xC3\x96");  // Ö
  // The number row gives the unshifted character.
  EXPECT_EQ(us->KeyName(0x02), "1");
  EXPECT_EQ(fr->KeyName(0x02), "&");
}

TEST(XkbKeyNames, DeadKeysShowTheirAccent) {
  if (!HaveXkbData()) GTEST_SKIP() << "no XKB data files";
  const auto de = Layout("de");
  const auto fr = Layout("fr");
  ASSERT_TRUE(de && fr);
  EXPECT_EQ(de->KeyName(0x29), "^");             // left of "1"
  EXPECT_EQ(de->KeyName(0x0D), "\xC2\xB4");      // ´ left of Backspace
  EXPECT_EQ(fr->KeyName(0x1A), "^");             // right of "P"
}

TEST(XkbKeyNames, KeysWithoutVisibleCharacterHaveNoName) {
  if (!HaveXkbData()) GTEST_SKIP() << "no XKB data files";
  const auto us = Layout("us");
  ASSERT_TRUE(us);
  for (int scan : {0x01, 0x0E, 0x0F, 0x1C, 0x39, 0x3B, 0x2A, 0x1D, 0xE01D, 0xE048, 0xE053, 0x45, 0xE045}) {
    EXPECT_EQ(us->KeyName(scan), "") << std::hex << scan;
  }
  // Keypad keys keep the program's "Keypad" names, also where they type a character.
  for (int scan : {0x4F, 0x37, 0x4A, 0x4E, 0xE035, 0x53}) EXPECT_EQ(us->KeyName(scan), "") << std::hex << scan;
  EXPECT_EQ(us->KeyName(0xFFFF), "");
  EXPECT_EQ(us->KeyName(0x55), "");
}

TEST(XkbKeyNames, UnknownLayoutGivesNoSource) {
  if (!HaveXkbData()) GTEST_SKIP() << "no XKB data files";
  EXPECT_EQ(Layout("no-such-layout"), nullptr);
  EXPECT_EQ(Layout("fr", "no-such-variant"), nullptr);
  // A variant of a known layout: Dvorak puts "'" where US has "Q".
  const auto dvorak = Layout("us", "dvorak");
  ASSERT_TRUE(dvorak);
  EXPECT_EQ(dvorak->KeyName(0x10), "'");
}

TEST(XkbKeyNames, NoDisplayGivesNoX11Source) {
  EXPECT_EQ(XkbKeyNames::FromX11Display(":987654"), nullptr);
  EXPECT_EQ(XkbKeyNames::FromX11Display("not a display"), nullptr);
}

TEST(XkbLayoutNames, KeyboardFileAndEnvironment) {
  const XkbLayoutNames file = ParseKeyboardDefaults(
      "# KEYBOARD CONFIGURATION FILE\n"
      "\n"
      "XKBMODEL=\"pc105\"\n"
      "XKBLAYOUT='fr,us'\n"
      "XKBVARIANT=oss, # comment\n"
      "  XKBOPTIONS=\"\"\n"
      "BACKSPACE=\"guess\"\n"
      "XKBLAYOUT_BROKEN\n");
  EXPECT_EQ(file.model, "pc105");
  EXPECT_EQ(file.layout, "fr,us");
  EXPECT_EQ(file.variant, "oss,");
  EXPECT_EQ(file.options, "");
  EXPECT_EQ(file.rules, "");

  XkbLayoutNames env;
  EXPECT_EQ(ChooseLayoutNames(env, file), file);
  env.variant = "nodeadkeys";  // a variant alone does not name a layout
  EXPECT_EQ(ChooseLayoutNames(env, file), file);
  env.layout = "de";
  EXPECT_EQ(ChooseLayoutNames(env, file), env);

  // The first of several layouts is the one whose names are shown.
  if (!HaveXkbData()) return;
  const auto names = XkbKeyNames::FromNames(file);
  ASSERT_TRUE(names);
  EXPECT_EQ(names->KeyName(0x1E), "Q");
}

}  // namespace
}  // namespace halvric::linux_hid

namespace halvric::linux_hid {
namespace {

// Runs where a display is reachable (a desktop session, or CI under Xvfb).
TEST(XkbKeyNames, X11ServerKeymap) {
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') GTEST_SKIP() << "no DISPLAY";
  const auto x11 = XkbKeyNames::FromX11Display();
  ASSERT_TRUE(x11) << "cannot read the keymap of " << display;
  // Whatever the layout, the key at US "A" types a letter and Esc has no name.
  EXPECT_FALSE(x11->KeyName(0x1E).empty());
  EXPECT_EQ(x11->KeyName(0x01), "");
}

}  // namespace
}  // namespace halvric::linux_hid
