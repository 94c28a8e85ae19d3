// The main window's edges as a user meets them, over simulated mice: a profile switched because
// another program came to the front, quitting with dialogs open, the backup file's name, the
// function list's switch, the device selector and the mouse's host actions.

#include <QFile>
#include <QTimer>

#include "config/button_assignment.h"
#include "platform/foreground_window.h"
#include "support/literal_addresses.h"
#include "support/window_fixture.h"
#include "ui/button/button_set_dlg.h"
#include "ui/kit/str_dlg.h"
#include "ui/macro/macro_edit.h"
#include "ui/macro/macro_list_wnd.h"

using namespace halvric;
using halvric::testing::WindowRig;

namespace {

// The desktop's window in front, as the test sets it; minimise requests are counted.
class FakeForeground : public ForegroundWindow {
 public:
  struct State {
    WindowId active = 0;
    std::string program;
    std::vector<WindowId> minimised;
  };
  explicit FakeForeground(std::shared_ptr<State> s) : s_(std::move(s)) {}
  WindowId Active() override { return s_->active; }
  std::optional<std::string> ProgramName(WindowId w) override {
    if (w == 0) return std::nullopt;
    return s_->program;
  }
  bool Minimise(WindowId w) override {
    s_->minimised.push_back(w);
    return true;
  }

 private:
  std::shared_ptr<State> s_;
};

}  // namespace

class MainWindowLinksTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

  static void ClickAt(QWidget* w, const QPoint& p) { QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, p); }
  static void ClickItem(WindowRig& rig, int item) {
    ClickAt(rig.window.get(), rig.window->items()[static_cast<size_t>(item)].rect.center());
  }
  // Answers the next prompt (OK or Cancel) as soon as it shows, and records what it asked.
  static void AnswerPromptLater(CStrDlg& prompt, bool ok, QString* message = nullptr) {
    QTimer::singleShot(60, &prompt, [&prompt, ok, message] {
      if (message != nullptr) *message = prompt.message;
      ClickAt(&prompt, ok ? prompt.OkRect().center() : prompt.CancelRect().center());
    });
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    halvric::testing::UsePrivateFolders(dir_);
  }

  void linkedSwitchRefreshesTheProtectedButtonAndPrompts() {
    auto fg = std::make_shared<FakeForeground::State>();
    WindowRig rig("level11", {}, nullptr, std::make_unique<FakeForeground>(fg));
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    // Profile 3 gets a second left click (so none is protected there) and a link to "game".
    ClickAt(rig.window.get(), rig.window->ProfileBoxRect(2).center());
    rig.Settle();
    QCOMPARE(rig.context.current_profile.load(), 2);
    ClickAt(rig.window.get(), rig.window->CaptureIconRect(1).center());
    QVERIFY(rig.window->capture().Active());
    QTest::qWait(30);
    QTest::mousePress(rig.window.get(), Qt::LeftButton, Qt::NoModifier, QPoint(600, 300));
    QTest::mouseRelease(rig.window.get(), Qt::LeftButton, Qt::NoModifier, QPoint(600, 300));
    rig.Settle();
    QCOMPARE(rig.window->ProtectedButton(), -1);
    rig.window->choose_file = [](bool) { return QStringLiteral("/opt/game/game"); };
    AnswerPromptLater(rig.window->prompt(), true);
    ClickAt(rig.window.get(), rig.window->AppAreaRect().center());
    rig.Settle();
    // Back on profile 1, whose first button is its only left click.
    ClickAt(rig.window.get(), rig.window->ProfileBoxRect(0).center());
    rig.Settle(60);
    QCOMPARE(rig.context.current_profile.load(), 0);
    QCOMPARE(rig.window->ProtectedButton(), 0);
    // The linked program comes to the front while a prompt is open: the prompt is cancelled and
    // the window follows profile 3.
    fg->active = 77;
    fg->program = "game";
    QTimer::singleShot(60, rig.window.get(), [&rig] { rig.window->RunForegroundCheck(); });
    QTimer::singleShot(2000, &rig.window->prompt(), [&rig] { rig.window->prompt().CloseRequest(); });
    QElapsedTimer t;
    t.start();
    rig.window->prompt().mode = CStrDlg::kText;
    rig.window->prompt().exec();
    QVERIFY2(t.elapsed() < 1500, "the prompt stayed open over the switch");
    rig.Settle(60);
    QCOMPARE(rig.context.current_profile.load(), 2);
    QCOMPARE(rig.Mouse().ActiveProfile(), 2);
    QCOMPARE(rig.window->ProtectedButton(), -1);
  }

  void quitCancelsTheButtonDialogAndClosesTheEditor() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    const int button = 1;
    const int key = rig.window->layout().key_index[button];
    const int profile = rig.context.current_profile.load();
    const int level = rig.window->workingCopy().protocol_level;
    const uint8_t before = rig.Mouse().ReadMemory(halvric::test::ButtonByte(level, profile, key, 0), 1)[0];
    rig.window->ShowMacroEditor();
    QVERIFY(rig.window->macroEditor().isVisible());
    bool open_at_quit = false;
    bool still_open = true;
    QTimer::singleShot(150, rig.window.get(), [&] {
      CButtonSetDlg& d = rig.window->buttonDialog();
      open_at_quit = d.isVisible();
      // A choice is made but not confirmed when the program is told to quit.
      ClickAt(&d, d.PageTabRect(CButtonSetDlg::kPageKeyboard).center());
      rig.window->Quit();
      still_open = d.isVisible();
    });
    // Whatever happens, the test does not hang on an open dialog.
    QTimer::singleShot(3000, rig.window.get(), [&rig] {
      if (rig.window->buttonDialog().isVisible()) rig.window->buttonDialog().done(QDialog::Rejected);
    });
    rig.window->OpenButtonDialog(button);
    QVERIFY(open_at_quit);
    QVERIFY(!still_open);
    QVERIFY(!rig.window->macroEditor().isVisible());
    QVERIFY(rig.window->Quitting());
    rig.Settle(50);
    QCOMPARE(rig.Mouse().ReadMemory(halvric::test::ButtonByte(level, profile, key, 0), 1)[0], before);
  }

  void backupProposesADatedNameAddsTheSuffixAndRefusesOtherFiles() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    const QString mine = dir_.path() + QStringLiteral("/mine");
    rig.window->choose_file = [mine](bool) { return mine; };
    QSignalSpy finished(rig.window.get(), &CHalvricDlg::actionFinished);
    ClickItem(rig, CHalvricDlg::kItemOtherPage);
    ClickItem(rig, CHalvricDlg::kItemBackup);
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.last().at(1).toBool(), true);
    QCOMPARE(rig.window->ProposedFile(),
             QStringLiteral("mouse_") + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".bf"));
    // Saved as "mine": the file carries the suffix the restore looks for.
    QVERIFY(QFile::exists(mine + QStringLiteral(".bf")));
    QVERIFY(!QFile::exists(mine));
    // A file in another format: the user is told, and the mouse is not written.
    const QString wrong = dir_.path() + QStringLiteral("/wrong.bf");
    {
      QFile f(wrong);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write("not a backup at all");
    }
    rig.window->choose_file = [wrong](bool) { return wrong; };
    rig.Sim().ClearTrace();
    QString asked, told;
    AnswerPromptLater(rig.window->prompt(), true, &asked);
    QTimer::singleShot(600, rig.window.get(), [&rig, &told] {
      AnswerPromptLater(rig.window->prompt(), true, &told);
    });
    ClickItem(rig, CHalvricDlg::kItemRestore);
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.last().at(1).toBool(), false);
    QTRY_COMPARE_WITH_TIMEOUT(told, QStringLiteral("invalid format !!"), 3000);
    QCOMPARE(asked, QStringLiteral("Current setting will be overwritten !! continue?"));
  }

  void functionListSwitchFollowsTheList() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    int item = -1;
    for (size_t i = 0; i < rig.window->items().size(); ++i) {
      if (rig.window->items()[i].action == 12) item = static_cast<int>(i);
    }
    QVERIFY(item >= 0);
    ClickItem(rig, item);
    QVERIFY(rig.window->macroList().isVisible());
    QCOMPARE(rig.window->items()[static_cast<size_t>(item)].value, 1);
    // The list closes itself (its close request, Esc): the switch goes off with it.
    rig.window->macroList().CloseRequest();
    QTest::qWait(20);
    QVERIFY(!rig.window->macroList().isVisible());
    QCOMPARE(rig.window->items()[static_cast<size_t>(item)].value, 0);
    // One click shows it again.
    ClickItem(rig, item);
    QVERIFY(rig.window->macroList().isVisible());
  }

  void deviceSelectorNamesTheMice() {
    WindowRig rig("level11,level5");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    QCOMPARE(rig.window->DeviceSelectorText(1).contains(QStringLiteral("/dev/")), false);
    QCOMPARE(rig.window->DeviceSelectorText(2).contains(QStringLiteral("/dev/")), false);
    QVERIFY(rig.window->DeviceSelectorText(1) != rig.window->DeviceSelectorText(2));
    QVERIFY(rig.window->DeviceSelectorText(0).startsWith(rig.window->DeviceSelectorText(1)) ||
            rig.window->DeviceSelectorText(0).startsWith(rig.window->DeviceSelectorText(2)));
  }

  void hostActionTwoMinimisesTheWindowInFront() {
    auto fg = std::make_shared<FakeForeground::State>();
    WindowRig rig("level11", {}, nullptr, std::make_unique<FakeForeground>(fg));
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    fg->active = 4242;
    fg->program = "editor";
    rig.Mouse().PushHostAction(2);
    QTRY_COMPARE_WITH_TIMEOUT(fg->minimised.size(), size_t{1}, 3000);
    QCOMPARE(fg->minimised[0], WindowId{4242});
  }

  void typedLiftIsNotOverwrittenByAReportBeforeItIsSent() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    ClickItem(rig, CHalvricDlg::kItemDpiPage);
    QTest::mouseClick(rig.window.get(), Qt::LeftButton, Qt::NoModifier,
                      rig.window->SliderPoint(CHalvricDlg::kSliderLift, 4000));
    const int typed = rig.window->SliderValue(CHalvricDlg::kSliderLift);
    QVERIFY(typed > 3000);
    // A status report (the DPI button on the mouse) arrives before timer 9 sends the value.
    rig.Mouse().PressDpiButton(1);
    QTest::qWait(300);
    QCOMPARE(rig.window->SliderValue(CHalvricDlg::kSliderLift), typed);
    rig.Settle(1200);
    QCOMPARE(rig.window->SliderValue(CHalvricDlg::kSliderLift), typed);
  }
};

QTEST_MAIN(MainWindowLinksTest)
#include "main_window_links_test.moc"
