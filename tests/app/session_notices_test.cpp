// What the window says about the parts of the session it cannot use: nothing when everything
// runs, what is missing and how to get it otherwise, in the user's language.

#include <QtTest>

#include "app/session_notices.h"
#include "config/text_tables.h"

using namespace halvric;

namespace {

using S = ForegroundSource;

SessionEnvironment Wayland(const char* desktop) {
  SessionEnvironment env;
  env.wayland_display = "wayland-0";
  env.display = ":0";
  env.current_desktop = desktop;
  return env;
}

bool Has(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

}  // namespace

class SessionNoticesTest : public QObject {
  Q_OBJECT

 private slots:
  void foregroundNoticeSaysWhatIsMissing() {
    const TextTables en;
    // Every window can be told: nothing to say.
    QCOMPARE(ForegroundNotice(en, Wayland("GNOME"), S::kGnomeShell), std::string());
    SessionEnvironment x11;
    x11.display = ":0";
    QCOMPARE(ForegroundNotice(en, x11, S::kX11), std::string());

    // X11 in a Wayland session sees XWayland windows only; the GNOME notice names the extension.
    const std::string partial = ForegroundNotice(en, Wayland("GNOME"), S::kX11);
    QVERIFY(Has(partial, "XWayland"));
    QVERIFY(Has(partial, "gnome-extensions enable halvric-focus@halvric.github.io"));

    // Nothing at all: the lead-in and the desktop's own reason.
    const std::string none = ForegroundNotice(en, Wayland("KDE"), std::nullopt);
    QVERIFY(Has(none, "Linked profiles need"));
    QVERIFY(Has(none, "KWin"));
    QVERIFY(Has(ForegroundNotice(en, Wayland("sway"), std::nullopt), "$SWAYSOCK"));
    QVERIFY(Has(ForegroundNotice(en, Wayland("Hyprland"), std::nullopt), "foreign-toplevel"));
    QVERIFY(Has(ForegroundNotice(en, SessionEnvironment{}, std::nullopt), "X display"));
  }

  void hostInputNoticeSaysWhatIsOff() {
    const TextTables en;
    QCOMPARE(HostInputNotice(en, true, "", true), std::string());
    QVERIFY(Has(HostInputNotice(en, true, "", false), "Touch is off"));
    const std::string denied = HostInputNotice(en, false, "/dev/uinput: Permission denied", true);
    QVERIFY(Has(denied, "Tilt-scroll and touch are off: /dev/uinput: Permission denied. Install"));
    QVERIFY(Has(HostInputNotice(en, false, "", true), "uinput cannot be used"));
  }

  void noticesFollowTheLanguage() {
    TextTables de;
    QCOMPARE(de.LoadLanguage(qgetenv("HALVRIC_SOURCE_DIR").toStdString() + "/resources/language.ini", 1031), 1031);
    const std::string partial = ForegroundNotice(de, Wayland("GNOME"), S::kX11);
    QVERIFY(Has(partial, "Verkn\u00fcpfte Profile folgen nur"));
    // The command the user types stays as it is.
    QVERIFY(Has(partial, "gnome-extensions enable halvric-focus@halvric.github.io"));
    QVERIFY(Has(HostInputNotice(de, false, "", true), "uinput ist nicht nutzbar"));
  }
};

QTEST_MAIN(SessionNoticesTest)
#include "session_notices_test.moc"
