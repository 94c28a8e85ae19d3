// The files the program hands to the desktop's own shell: the KWin scripts and the GNOME Shell
// extension must call the names the program serves and asks for, with each generation's API; the
// menu entries and the software centre's description speak every language the program does.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "config/language_choice.h"
#include "platform/linux/gnome_shell_foreground_window.h"
#include "platform/linux/kwin_foreground_window.h"

namespace halvric {
namespace {

const std::filesystem::path kResources = std::filesystem::path(HALVRIC_SOURCE_DIR) / "resources";

std::string Read(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(DesktopIntegration, KWinScriptsCallTheProgram) {
  const std::string plasma5 = Read(linux_hid::KWinScriptFile(kResources, "5"));
  const std::string plasma6 = Read(linux_hid::KWinScriptFile(kResources, "6"));
  for (const std::string* script : {&plasma5, &plasma6}) {
    EXPECT_TRUE(Has(*script, std::string("\"") + linux_hid::kKWinReportName + "\""));
    EXPECT_TRUE(Has(*script, std::string("\"") + linux_hid::kKWinReportPath + "\""));
    EXPECT_TRUE(Has(*script, std::string("\"") + linux_hid::kKWinReportInterface + "\", \"Activated\""));
  }
  // Plasma 6 renamed the clients to windows; each script uses only its own generation's names.
  EXPECT_TRUE(Has(plasma5, "workspace.clientActivated.connect") && Has(plasma5, "workspace.activeClient"));
  EXPECT_FALSE(Has(plasma5, "windowActivated") || Has(plasma5, "activeWindow"));
  EXPECT_TRUE(Has(plasma6, "workspace.windowActivated.connect") && Has(plasma6, "workspace.activeWindow"));
  EXPECT_FALSE(Has(plasma6, "clientActivated") || Has(plasma6, "activeClient"));
}

TEST(DesktopIntegration, GnomeShellExtensionVariants) {
  const std::string uuid = "halvric-focus@halvric.github.io";
  const auto folder = kResources / "gnome-shell" / uuid;
  struct Variant {
    const char* name;
    std::vector<std::string> versions;
    const char* entry;     // how the Shell of that generation finds the extension
    const char* not_used;  // what it would refuse
  };
  for (const Variant& v : {Variant{"gnome-43", {"43", "44"}, "function init()", "export default"},
                           Variant{"gnome-45", {"45", "46", "47", "48"}, "export default class", "imports.gi"}}) {
    SCOPED_TRACE(v.name);
    const auto metadata = nlohmann::json::parse(Read(folder / v.name / "metadata.json"), nullptr, false);
    ASSERT_FALSE(metadata.is_discarded());
    EXPECT_EQ(metadata.value("uuid", ""), uuid);
    EXPECT_EQ(metadata.value("shell-version", std::vector<std::string>{}), v.versions);
    const std::string code = Read(folder / v.name / "extension.js");
    EXPECT_TRUE(Has(code, v.entry));
    EXPECT_FALSE(Has(code, v.not_used));
    EXPECT_TRUE(Has(code, std::string("'") + linux_hid::kShellFocusName + "'"));
    EXPECT_TRUE(Has(code, std::string("'") + linux_hid::kShellFocusPath + "'"));
    EXPECT_TRUE(Has(code, std::string("<interface name=\"") + linux_hid::kShellFocusInterface + "\">"));
    EXPECT_TRUE(Has(code, "<method name=\"FocusedPid\"><arg type=\"i\" direction=\"out\""));
  }
}

TEST(DesktopIntegration, MenuEntriesAndDescriptionInEveryLanguage) {
  const auto packaging = std::filesystem::path(HALVRIC_SOURCE_DIR) / "packaging";
  const std::string app = Read(packaging / "io.github.halvric.Halvric.desktop");
  const std::string autostart = Read(packaging / "io.github.halvric.Halvric-autostart.desktop");
  const std::string metainfo = Read(packaging / "io.github.halvric.Halvric.metainfo.xml");
  for (const LanguageName& l : ProgramLanguages()) {
    if (l.locale == "en") continue;
    std::string tag = "[";
    tag += l.locale;
    tag += "]=";
    SCOPED_TRACE(l.locale);
    EXPECT_TRUE(Has(app, "\nGenericName" + tag) && Has(app, "\nComment" + tag) && Has(app, "\nKeywords" + tag));
    EXPECT_TRUE(Has(autostart, "\nComment" + tag));
    EXPECT_TRUE(Has(metainfo, "<summary xml:lang=\"" + std::string(l.locale) + "\">"));
  }
  if (std::system("command -v desktop-file-validate >/dev/null 2>&1") == 0) {
    EXPECT_EQ(std::system(("desktop-file-validate " + (packaging / "io.github.halvric.Halvric.desktop").string() + " " +
                           (packaging / "io.github.halvric.Halvric-autostart.desktop").string())
                              .c_str()),
              0);
  }
}

}  // namespace
}  // namespace halvric
