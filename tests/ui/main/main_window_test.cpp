// The main window driven as a person would, over simulated mice: what the user does on screen
// and what crosses the wire or ends in the mouse's memory.

#include <QFontMetrics>
#include <QLineEdit>
#include <QTimer>

#include "app/sim_hotplug_source.h"
#include "config/button_assignment.h"
#include "device/device_commands.h"
#include "platform/profile_file.h"
#include "support/literal_addresses.h"
#include "support/fake_key_names.h"
#include "support/window_fixture.h"
#include "ui/button/button_set_dlg.h"
#include "ui/kit/app_fonts.h"
#include "ui/kit/str_dlg.h"
#include "ui/osd/disp_dlg.h"

using namespace halvric;
using halvric::testing::WindowRig;

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

  static void ClickAt(QWidget* w, const QPoint& p) { QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, p); }
  static void ClickItem(WindowRig& rig, int item) {
    ClickAt(rig.window.get(), rig.window->items()[static_cast<size_t>(item)].rect.center());
  }
  // Clicks OK of the prompt as soon as it shows.
  static void AnswerPromptLater(CStrDlg& prompt, bool ok) {
    QTimer::singleShot(
        50, &prompt, [&prompt, ok] { ClickAt(&prompt, ok ? prompt.OkRect().center() : prompt.CancelRect().center()); });
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    halvric::testing::UsePrivateFolders(dir_);
  }

  void fontsDrawTheWindowsTexts() {
    AppFonts fonts;
    const QString text = QStringLiteral("No device !! Profile 1 X \u2265 Y 1000Hz");
    for (int i = 0; i < kFontCount; ++i) {
      const QFontMetrics m(fonts[i]);
      for (const QChar c : text) QVERIFY2(m.inFont(c), qPrintable(fonts[i].family() + QStringLiteral(": ") + c));
      QCOMPARE(fonts[i].pixelSize() > 0, true);
    }
    QCOMPARE(fonts[kFont24].pixelSize(), 24);
    QCOMPARE(fonts[kFontMono11].pixelSize(), 11);
  }

  void profileBoxSelectsOnlyWhenReleasedOnIt() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    QCOMPARE(rig.window->page(), static_cast<int>(CHalvricDlg::kButtonPage));
    ClickAt(rig.window.get(), rig.window->ProfileBoxRect(2).center());
    rig.Settle();
    QCOMPARE(rig.context.current_profile.load(), 2);
    QCOMPARE(rig.Mouse().ActiveProfile(), 2);
    // Pressed on box 4 and released on box 5: nothing is selected.
    QTest::mousePress(rig.window.get(), Qt::LeftButton, Qt::NoModifier, rig.window->ProfileBoxRect(3).center());
    QTest::mouseRelease(rig.window.get(), Qt::LeftButton, Qt::NoModifier, rig.window->ProfileBoxRect(4).center());
    rig.Settle();
    QCOMPARE(rig.context.current_profile.load(), 2);
    QCOMPARE(rig.Mouse().ActiveProfile(), 2);
  }

  // A window started on a mouse that plays profile 3 shows profile 3, as halvricctl show does.
  void startsOnTheProfileTheMousePlays() {
    const std::string state = (dir_.path() + QStringLiteral("/profile3.json")).toStdString();
    {
      sim::SimHidBackend sim("level11");
      sim.SetStateFile(state);
      sim.Mouse(0).PressProfileButton(2);
    }
    WindowRig rig("level11", {}, nullptr, nullptr, nullptr, 0, {}, state);
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    QCOMPARE(rig.Mouse().ActiveProfile(), 2);
    QCOMPARE(rig.context.current_profile.load(), 2);
  }

  void dpiSliderBurstSendsOnce() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    ClickItem(rig, CHalvricDlg::kItemDpiPage);
    QCOMPARE(rig.window->page(), static_cast<int>(CHalvricDlg::kDpiPage));
    const int level = rig.window->workingCopy().dpi_level;
    const uint32_t x_addr = halvric::test::DpiXByte(rig.window->workingCopy().protocol_level, level);
    auto drag = [&](std::initializer_list<int> values) {
      auto it = values.begin();
      QTest::mousePress(rig.window.get(), Qt::LeftButton, Qt::NoModifier,
                        rig.window->SliderPoint(CHalvricDlg::kSliderDpiX, *it));
      for (++it; it != values.end(); ++it) {
        QTest::mouseMove(rig.window.get(), rig.window->SliderPoint(CHalvricDlg::kSliderDpiX, *it));
      }
      QTest::mouseRelease(rig.window.get(), Qt::LeftButton, Qt::NoModifier,
                          rig.window->SliderPoint(CHalvricDlg::kSliderDpiX, *(values.end() - 1)));
    };
    // Two moves within 200 ms, then the debounce: one DPI change on the wire.
    rig.Sim().ClearTrace();
    drag({20, 30});
    QCOMPARE(rig.SetFeatureLines(), 0);
    rig.Settle(350);
    const int burst = rig.SetFeatureLines();
    QVERIFY(burst > 0);
    QCOMPARE(static_cast<int>(rig.Mouse().ReadMemory(x_addr, 1)[0]), 30);
    // A single move sends exactly as much as the burst did.
    rig.Sim().ClearTrace();
    drag({40});
    rig.Settle(350);
    QCOMPARE(rig.SetFeatureLines(), burst);
    QCOMPARE(static_cast<int>(rig.Mouse().ReadMemory(x_addr, 1)[0]), 40);
    // X and Y move together while "X-Y independent" is off.
    QCOMPARE(static_cast<int>(rig.Mouse().ReadMemory(x_addr + 1, 1)[0]), 40);
  }

  void quickBindingStoresKeyWithModifiers() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    const int profile = rig.context.current_profile.load();
    const int button = 1;  // right click
    QVERIFY(button != rig.window->ProtectedButton());
    const int key = rig.window->layout().key_index[button];
    ClickAt(rig.window.get(), rig.window->CaptureIconRect(button).center());
    QVERIFY(rig.window->capture().Active());
    QTest::keyPress(rig.window.get(), Qt::Key_Control);
    QTest::keyPress(rig.window.get(), Qt::Key_Shift, Qt::ControlModifier);
    QTest::keyPress(rig.window.get(), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(!rig.window->capture().Active());
    rig.Settle();
    const int level = rig.window->workingCopy().protocol_level;
    std::array<uint8_t, 4> planes{};
    for (int plane = 0; plane < 4; ++plane) {
      planes[static_cast<size_t>(plane)] =
          rig.Mouse().ReadMemory(halvric::test::ButtonByte(level, profile, key, plane), 1)[0];
    }
    QCOMPARE(planes, (ButtonAssignment::Keyboard(0x03, 0x04).Bytes()));
    // A click within 20 ms of the end of a capture starts no new one.
    QVERIFY(!rig.window->capture().Active());
  }

  void unplugShowsNoDeviceAndClosesPrompts() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    QSignalSpy gone(rig.window.get(), &CHalvricDlg::noDevice);
    // A restore question is open when the mouse goes away: it closes as if cancelled.
    ClickItem(rig, CHalvricDlg::kItemOtherPage);
    QTimer::singleShot(80, [&rig] { rig.session->simHotplug()->Unplug(0); });
    ClickItem(rig, CHalvricDlg::kItemRestore);
    QCOMPARE(rig.window->prompt().choice, static_cast<int>(CStrDlg::kChoiceCancel));
    QVERIFY(gone.count() > 0 || gone.wait(3000));
    QVERIFY(!rig.window->HasDevice());
    QImage shot = rig.window->grab().toImage();
    QVERIFY(!shot.isNull());
    // Plugged back: the settings come back without any click.
    rig.session->simHotplug()->Plug(0);
    QVERIFY(rig.WaitLoaded(8000));
    QCOMPARE(rig.window->workingCopy().loaded, true);
    // Its reports are read again: a profile button pressed on the mouse reaches the window.
    rig.Settle();
    rig.Mouse().PressProfileButton(4);
    QTRY_COMPARE_WITH_TIMEOUT(rig.context.current_profile.load(), 4, 3000);
  }

  void restoreAfterTheQuestion() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    const QString file = dir_.path() + QStringLiteral("/mouse.bf");
    rig.window->choose_file = [file](bool) { return file; };
    QSignalSpy finished(rig.window.get(), &CHalvricDlg::actionFinished);
    ClickItem(rig, CHalvricDlg::kItemOtherPage);
    ClickItem(rig, CHalvricDlg::kItemBackup);
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.last().at(1).toBool(), true);
    const uint32_t addr = halvric::test::DpiXByte(rig.window->workingCopy().protocol_level, 0);
    const uint8_t saved = rig.Mouse().ReadMemory(addr, 1)[0];
    const uint8_t changed = static_cast<uint8_t>(saved == 77 ? 78 : 77);
    const uint8_t bytes[] = {changed};
    rig.Mouse().WriteMemory(addr, bytes);
    // Cancel leaves the mouse alone; OK writes the file back.
    AnswerPromptLater(rig.window->prompt(), false);
    ClickItem(rig, CHalvricDlg::kItemRestore);
    rig.Settle(50);
    QCOMPARE(rig.Mouse().ReadMemory(addr, 1)[0], changed);
    AnswerPromptLater(rig.window->prompt(), true);
    ClickItem(rig, CHalvricDlg::kItemRestore);
    QVERIFY(finished.wait(30000));
    QCOMPARE(finished.last().at(0).toInt(), 8);
    QCOMPARE(finished.last().at(1).toBool(), true);
    QCOMPARE(rig.Mouse().ReadMemory(addr, 1)[0], saved);
    QCOMPARE(rig.window->workingCopy().dpi[0][0], saved);
  }

  void languageChoiceIsWrittenAndAsksForARestart() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    const int item = rig.window->LanguageItem();
    QVERIFY(rig.window->items()[static_cast<size_t>(item)].caption.startsWith(QStringLiteral("English")));
    QSignalSpy chosen(rig.window.get(), &CHalvricDlg::languageChosen);
    const std::filesystem::path set_ini = std::filesystem::path(qgetenv("HALVRIC_DATA_DIR").toStdString()) / "set.ini";
    int offered = -1;
    int answer = 1033;  // the language in use: nothing happens
    rig.window->choose_language = [&](int current) {
      offered = current;
      return answer;
    };
    ClickItem(rig, CHalvricDlg::kItemOtherPage);
    ClickItem(rig, item);
    QCOMPARE(offered, 1033);
    QCOMPARE(chosen.count(), 0);
    answer = 1041;
    ClickItem(rig, item);
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(chosen.last().at(0).toInt(), 1041);
    QCOMPARE(ProfileFile(set_ini.string()).GetInt("ARG", "language", 0), 1041);
    std::filesystem::remove(set_ini);
  }

  // A desktop that lets no program set the pointer acceleration: the option is kept, and the
  // window says where to set it instead of doing nothing.
  void accelerationOptionSaysWhenTheDesktopKeepsItsOwn() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    ClickItem(rig, CHalvricDlg::kItemOtherPage);
    const int before = rig.window->items()[CHalvricDlg::kItemAcceleration].value;
    ClickItem(rig, CHalvricDlg::kItemAcceleration);
    QCOMPARE(rig.window->items()[CHalvricDlg::kItemAcceleration].value, before ? 0 : 1);
    QVERIFY(rig.window->Hint().startsWith(QStringLiteral("Here only the desktop sets the pointer acceleration")));
  }

  void dropOnRemoveTargetRestoresDefault() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    const int button = 1;
    const int key = rig.window->layout().key_index[button];
    const int profile = rig.context.current_profile.load();
    const int level = rig.window->workingCopy().protocol_level;
    const QPoint from = rig.window->ButtonItemRect(button).center();
    const QPoint to = rig.window->items()[CHalvricDlg::kItemDropTarget].rect.center();
    // Four pixels is still a click: nothing is dropped.
    QTest::mousePress(rig.window.get(), Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(rig.window.get(), from + QPoint(4, 4));
    QTest::mouseRelease(rig.window.get(), Qt::LeftButton, Qt::NoModifier, from + QPoint(4, 4));
    QTest::mousePress(rig.window.get(), Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(rig.window.get(), from + QPoint(10, 10));
    QTest::mouseMove(rig.window.get(), to);
    QTest::mouseRelease(rig.window.get(), Qt::LeftButton, Qt::NoModifier, to);
    rig.Settle();
    QCOMPARE(rig.Mouse().ReadMemory(halvric::test::ButtonByte(level, profile, key, 0), 1)[0],
             static_cast<uint8_t>(function_type::kDefault));
  }

  // The first button a user may change, and a click on it that opens the button dialog: `inspect`
  // runs while the dialog is open, which is then closed.
  static int FreeButton(WindowRig& rig) {
    for (int b = 0; b < 8; ++b) {
      if (b != rig.window->ProtectedButton() && !rig.window->ButtonItemRect(b).isEmpty()) return b;
    }
    return -1;
  }
  static bool ClickButtonAndInspectDialog(WindowRig& rig, int button, const std::function<void(CButtonSetDlg&)>& inspect) {
    CButtonSetDlg& dlg = rig.window->buttonDialog();
    bool seen = false;
    QTimer closer;
    closer.setInterval(20);
    QObject::connect(&closer, &QTimer::timeout, [&] {
      if (!dlg.isVisible() || seen) return;
      seen = true;
      inspect(dlg);
      dlg.CloseRequest();
    });
    closer.start();
    ClickAt(rig.window.get(), rig.window->ButtonItemRect(button).center());
    QElapsedTimer t;
    t.start();
    while (!seen && t.elapsed() < 5000) QTest::qWait(20);
    return seen;
  }

  // With an AZERTY layout the button dialog's on-screen keyboard and key presets name the keys as
  // the window does.
  void buttonDialogNamesKeysAsTheWindowDoes() {
    WindowRig rig("level5", {}, std::make_shared<halvric::testing::AzertyKeyNames>());
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    const CButtonSetDlg& dlg = rig.window->buttonDialog();
    std::string label = "(none)";
    for (const ScreenKey& k : dlg.keyboard().keys) {
      if (k.modifier == 0 && k.consumer_usage == 0 && k.usage == halvric::testing::kUsageUsQ) label = k.name;
    }
    QCOMPARE(label, std::string("A"));
    QCOMPARE(dlg.PresetCaption(3), QStringLiteral("Ctrl + W"));  // the usage of a US keyboard's Z
  }

  // The dialog's catalogue follows identification's extended flag: the game-pad entries on the
  // mouse that has it, none on the one that has not.
  void buttonDialogOffersWhatIdentificationLearnt() {
    for (const char* model : {"level0-gamepad", "level0"}) {
      WindowRig rig(model);
      QVERIFY(rig.WaitLoaded());
      rig.Settle();
      size_t entries = 0;
      int gamepad = 0;
      QVERIFY(ClickButtonAndInspectDialog(rig, FreeButton(rig), [&](CButtonSetDlg& dlg) {
        entries = dlg.catalogue().size();
        for (const _FITEM_& item : dlg.catalogue()) gamepad += item.type == function_type::kGamepad;
      }));
      const bool has = std::string(model) == "level0-gamepad";
      QCOMPARE(entries, size_t{has ? 41u : 25u});
      QCOMPARE(gamepad, has ? 14 : 0);
    }
  }

  // A macro file dropped on a button goes into the mouse; the button then shows the macro's name.
  void macroBoundButtonShowsTheMacrosName() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    const int button = FreeButton(rig);
    QVERIFY(button >= 0);
    _MACRO_LIST_ITEM_ copy;
    for (const _MACRO_LIST_ITEM_& e : rig.window->functionEntries()) {
      if (!e.IsFolder() && e.inMouse == 0 && e.path.ends_with("copy.mf")) copy = e;
    }
    QVERIFY(!copy.path.empty());
    rig.window->DropEntry(copy, rig.window->mapToGlobal(rig.window->ButtonItemRect(button).center()));
    rig.Settle();
    QVERIFY(ClickButtonAndInspectDialog(rig, button, [](CButtonSetDlg&) {}));
    QCOMPARE(rig.window->Hint(), QStringLiteral("Macro Copy"));
  }

  void statusReportShowsTheDisplayAndThenCostsNothing() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    CDispDlg& osd = rig.window->osd();
    QVERIFY(!osd.PassesRunning());
    rig.Mouse().PressProfileButton(3);
    QElapsedTimer t;
    t.start();
    while (!osd.isVisible() && t.elapsed() < 3000) QTest::qWait(10);
    QVERIFY(osd.isVisible());
    QCOMPARE(rig.context.current_profile.load(), 3);
    QVERIFY(osd.ShownView().ShowsProfile());
    // Fade-in, 80 passes and fade-out; then the passes stop.
    while ((osd.isVisible() || osd.PassesRunning()) && t.elapsed() < 15000) QTest::qWait(50);
    QVERIFY(!osd.isVisible());
    QVERIFY(!osd.PassesRunning());
  }
};

QTEST_MAIN(MainWindowTest)
#include "device/memory_map.h"
#include "main_window_test.moc"
