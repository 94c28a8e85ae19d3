// Start-up and instance control, the prompt's typing rules and closing, and quick-binding
// capture without a window.

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/command_line.h"
#include "app/halvric_app.h"
#include "app/instance_channel.h"
#include "config/text_tables.h"
#include "platform/pointer_acceleration.h"
#include "platform/profile_file.h"
#include "support/window_fixture.h"
#include "ui/kit/app_fonts.h"
#include "ui/kit/key_capture.h"
#include "ui/kit/str_dlg.h"

using namespace halvric;

namespace {

class FakePointer : public PointerSettings {
 public:
  PointerAccel state = kAccelOn;
  bool writable = true;
  std::optional<PointerAccel> Read() override { return state; }
  bool Write(const PointerAccel& a) override {
    if (writable) state = a;
    return writable;
  }
};

}  // namespace

class ShellTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString SetIni() const { return dir_.path() + QStringLiteral("/data/set.ini"); }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    halvric::testing::UsePrivateFolders(dir_);
  }

  void optionsMatchInAnyCaseAndBothSpellings() {
    const StartOptions a = ParseStartOptions({"halvric", "/HIDE", "/LangId=1041", "/GenPin123", "/close"});
    QVERIFY(a.hide);
    QVERIFY(a.close);
    QVERIFY(a.genpin);
    QCOMPARE(QString::fromStdString(a.langid.value()), QStringLiteral("1041"));
    const StartOptions b = ParseStartOptions(
        {"/close", "--hide", "--langid=2052", "--genpin", "--simulate", "--sim-state", "/tmp/m.json", "extra"});
    QVERIFY(!b.close);  // argument 0 is the program and matches nothing
    QVERIFY(b.hide && b.genpin);
    QCOMPARE(QString::fromStdString(b.simulate), QStringLiteral("level11"));
    QCOMPARE(QString::fromStdString(b.sim_state), QStringLiteral("/tmp/m.json"));
    QCOMPARE(b.unknown.size(), size_t{1});
    QCOMPARE(QString::fromStdString(ParseStartOptions({"h", "--simulate=level0,level5"}).simulate),
             QStringLiteral("level0,level5"));
  }

  void closeStillWritesTheOtherOptionsAndShowsNoWindow() {
    CHalvricApp app;
    const std::string socket = (dir_.path() + QStringLiteral("/none.sock")).toStdString();
    const CHalvricApp::Prelude p = app.Start({"halvric", "/langid=1031", "/genpin", "/close"}, socket);
    QVERIFY(!p.go_on);
    ProfileFile ini(SetIni().toStdString());
    QCOMPARE(ini.GetInt("ARG", "language", 0), 1031);
    const int pin = ini.GetInt("ARG", "pin", -1);
    QVERIFY(pin >= 0 && pin <= 999);
  }

  void secondStartRaisesTheFirstOneAndHiddenStartDoesNot() {
    const QString socket = dir_.path() + QStringLiteral("/instance.sock");
    halvric::testing::WindowRig rig("level0");
    InstanceChannel first(socket);
    QVERIFY(first.Listen());
    connect(&first, &InstanceChannel::wakeRequested, rig.window.get(), &CHalvricDlg::WakeUp);
    connect(&first, &InstanceChannel::closeRequested, rig.window.get(), &CHalvricDlg::Quit);
    rig.window->hide();
    // Hidden second start: ends, the first stays hidden.
    {
      CHalvricApp second;
      QVERIFY(!second.Start({"halvric", "/hide"}, socket.toStdString()).go_on);
    }
    QTest::qWait(200);
    QVERIFY(!rig.window->isVisible());
    {
      CHalvricApp second;
      QVERIFY(!second.Start({"halvric"}, socket.toStdString()).go_on);
    }
    QTRY_VERIFY_WITH_TIMEOUT(rig.window->isVisible(), 3000);
    // "/close" ends the first one.
    {
      CHalvricApp third;
      QVERIFY(!third.Start({"halvric", "--close"}, socket.toStdString()).go_on);
    }
    QTRY_VERIFY_WITH_TIMEOUT(rig.window->Quitting(), 3000);
  }

  void aLeftOverSocketIsTakenOver() {
    const QString socket = dir_.path() + QStringLiteral("/stale.sock");
    {
      InstanceChannel dead(socket);
      QVERIFY(dead.Listen());
    }
    QFile stale(socket);
    if (!stale.exists()) QVERIFY(stale.open(QIODevice::WriteOnly));
    InstanceChannel next(socket);
    QVERIFY(next.Listen());
  }

  void aWordSentBeforeTheClaimIsServedArrives() {
    // The program claims the socket before its application object exists and serves it after;
    // a later instance may send in between.
    const QString socket = dir_.path() + QStringLiteral("/early.sock");
    InstanceChannel first(socket);
    QVERIFY(first.Claim());
    InstanceChannel second(socket);
    QVERIFY(!second.Claim());
    QVERIFY(InstanceChannel::Send(socket, "close"));
    QSignalSpy closes(&first, &InstanceChannel::closeRequested);
    QVERIFY(first.Serve());
    QTRY_COMPARE_WITH_TIMEOUT(closes.count(), 1, 3000);
  }

  void aFolderOthersMayEnterHoldsNoSocket() {
    const QString shared = dir_.path() + QStringLiteral("/shared");
    QVERIFY(QDir().mkpath(shared));
    QVERIFY(QFile::setPermissions(shared, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                              QFileDevice::ReadOther | QFileDevice::ExeOther));
    const QString socket = shared + QStringLiteral("/instance.sock");
    CHalvricApp app;
    QVERIFY(!app.Start({"halvric"}, socket.toStdString()).go_on);
    QVERIFY(!QFile::exists(socket));
  }

  void theChannelIgnoresUnknownWordsAndDropsFloods() {
    const QString socket = dir_.path() + QStringLiteral("/bounded.sock");
    InstanceChannel first(socket);
    QVERIFY(first.Listen());
    QSignalSpy wakes(&first, &InstanceChannel::wakeRequested);
    QSignalSpy closes(&first, &InstanceChannel::closeRequested);
    // Unknown words pass without effect; the known one after them still counts.
    QVERIFY(InstanceChannel::Send(socket, "ping"));
    QVERIFY(InstanceChannel::Send(socket, "shutdown-everything\nwake"));
    QTRY_COMPARE_WITH_TIMEOUT(wakes.count(), 1, 3000);
    // A line longer than any word, and more words than a connection may bring: the connection is
    // dropped before the words beyond the limit are heard.
    QLocalSocket flood;
    flood.connectToServer(socket);
    QVERIFY(flood.waitForConnected(1000));
    flood.write(QByteArray(4096, 'x'));
    QTRY_VERIFY_WITH_TIMEOUT(flood.state() == QLocalSocket::UnconnectedState, 3000);
    QLocalSocket many;
    many.connectToServer(socket);
    QVERIFY(many.waitForConnected(1000));
    QByteArray words;
    for (int i = 0; i < kMaxInstanceLinesPerConnection; ++i) words += "ping\n";
    many.write(words + "close\n");
    QTRY_VERIFY_WITH_TIMEOUT(many.state() == QLocalSocket::UnconnectedState, 3000);
    QCOMPARE(closes.count(), 0);
    QCOMPARE(wakes.count(), 1);
  }

  void numericPromptHoldsTheMaximum() {
    QString f = QStringLiteral("8192");
    QVERIFY(!CStrDlg::NumberKey(f, QLatin1Char('5'), 8192));
    QCOMPARE(f, QStringLiteral("8192"));
    f = QStringLiteral("9000");
    QVERIFY(!CStrDlg::NumberKey(f, QLatin1Char('1'), 8192));
    QCOMPARE(f, QStringLiteral("8192"));
    f = QStringLiteral("81");
    QVERIFY(CStrDlg::NumberKey(f, QLatin1Char('9'), 8192));
    QCOMPARE(f, QStringLiteral("819"));
    QVERIFY(!CStrDlg::NumberKey(f, QLatin1Char('x'), 8192));
  }

  void coordinateFieldsFollowTheirRange() {
    QString f;
    QVERIFY(CStrDlg::CoordinateKey(f, 0, QLatin1Char('-'), false, false));
    QVERIFY(!CStrDlg::CoordinateKey(f, 0, QLatin1Char('-'), false, false));  // only one
    f = QStringLiteral("12");
    QVERIFY(!CStrDlg::CoordinateKey(f, 2, QLatin1Char('-'), false, false));  // not after digits
    f = QString();
    QVERIFY(!CStrDlg::CoordinateKey(f, 0, QLatin1Char('-'), true, false));  // absolute: no minus
    f = QStringLiteral("40000");
    QVERIFY(!CStrDlg::CoordinateKey(f, 5, QLatin1Char('1'), true, false));
    QCOMPARE(f, QStringLiteral("65535"));
    f = QStringLiteral("-5");
    QVERIFY(!CStrDlg::CoordinateKey(f, 2, QLatin1Char('1'), true, true));
    QCOMPARE(f, QStringLiteral("0"));
    f = QStringLiteral("40000");
    QVERIFY(!CStrDlg::CoordinateKey(f, 5, QLatin1Char('1'), false, false));
    QCOMPARE(f, QStringLiteral("32767"));
    f = QStringLiteral("-40000");
    QVERIFY(!CStrDlg::CoordinateKey(f, 6, QLatin1Char('1'), false, false));
    QCOMPARE(f, QStringLiteral("-32768"));
  }

  void promptModesAndTheCloseRequest() {
    AppFonts fonts;
    TextTables texts;
    CStrDlg dlg(fonts, texts);
    // A confirmation has no text field; the close request cancels it and keeps the caller's text.
    dlg.mode = CStrDlg::kConfirm;
    dlg.text = QStringLiteral("kept");
    QTimer::singleShot(50, &dlg, [&dlg] {
      QVERIFY(!dlg.TextField()->isVisible());
      dlg.CloseRequest();
    });
    QCOMPARE(dlg.exec(), static_cast<int>(QDialog::Rejected));
    QCOMPARE(dlg.text, QStringLiteral("kept"));
    QCOMPARE(dlg.mode, static_cast<int>(CStrDlg::kText));
    // The three-button confirmation reports its third button.
    dlg.mode = CStrDlg::kConfirm;
    dlg.three_buttons = true;
    QTimer::singleShot(50, &dlg, [&dlg] {
      QVERIFY(dlg.ShowsThirdButton());
      QTest::mouseClick(&dlg, Qt::LeftButton, Qt::NoModifier, dlg.ThirdRect().center());
    });
    QCOMPARE(dlg.exec(), static_cast<int>(QDialog::Accepted));
    QCOMPARE(dlg.choice, static_cast<int>(CStrDlg::kChoiceThird));
    QVERIFY(!dlg.three_buttons);
    // Numeric mode: an empty field reads as 0; typed digits stop at the maximum.
    dlg.mode = CStrDlg::kNumber;
    dlg.max_value = 8192;
    dlg.max_length = 5;
    dlg.text = QString();
    QTimer::singleShot(50, &dlg, [&dlg] { QTest::keyClick(dlg.TextField(), Qt::Key_Return); });
    QCOMPARE(dlg.exec(), static_cast<int>(QDialog::Accepted));
    QCOMPARE(dlg.text, QStringLiteral("0"));
    dlg.mode = CStrDlg::kNumber;
    dlg.text = QString();
    QTimer::singleShot(50, &dlg, [&dlg] {
      QTest::keyClicks(dlg.TextField(), QStringLiteral("9x99999"));
      QTest::keyClick(dlg.TextField(), Qt::Key_Return);
    });
    QCOMPARE(dlg.exec(), static_cast<int>(QDialog::Accepted));
    QCOMPARE(dlg.text, QStringLiteral("8192"));
    // Name prompt with only "Root": the folder list stays hidden.
    dlg.mode = CStrDlg::kNameFolder;
    dlg.folders.clear();
    QTimer::singleShot(50, &dlg, [&dlg] {
      QVERIFY(!dlg.FolderList()->isVisible());
      dlg.CloseRequest();
    });
    dlg.exec();
  }

  void captureCollectsModifiersAndHonoursTheGuard() {
    KeyCapture c;
    QVERIFY(c.Start(2, 1000));
    QVERIFY(!c.KeyDown(29, 1001));   // left Ctrl
    QVERIFY(!c.KeyDown(54, 1002));   // right Shift
    auto r = c.KeyDown(0x1E, 1003);  // A
    QVERIFY(r.has_value());
    QCOMPARE(r->modifiers, 0x21);
    QCOMPARE(r->scan_code, 0x1E);
    QCOMPARE(r->button, 2);
    QVERIFY(!c.Start(1, 1010));  // within 20 ms of the end
    QVERIFY(c.Start(1, 1030));
    // Only a modifier: its release is the key.
    QVERIFY(!c.KeyDown(0xE038, 1031));
    r = c.KeyUp(0xE038, 1040);
    QVERIFY(r.has_value());
    QCOMPARE(r->scan_code, 0xE038);
    QCOMPARE(r->modifiers, 0x40);
    // A mouse button ends a capture; the countdown ends one without a result.
    QVERIFY(c.Start(0, 2000));
    QVERIFY(!c.MouseDown(3, 2001).has_value());
    QCOMPARE(c.MouseDown(16, 2002)->mouse_mask, 16);
    QVERIFY(c.Start(0, 3000));
    for (int i = 0; i < kCaptureTicks - 1; ++i) QVERIFY(!c.Tick(3000 + i));
    QVERIFY(c.Tick(4000));
    QVERIFY(!c.Active());
  }

  void keyCodesMapToSetOneScanCodes() {
    QCOMPARE(ScanCodeFromEvdev(30), 0x1E);    // A
    QCOMPARE(ScanCodeFromEvdev(97), 0xE01D);  // right Ctrl
    QCOMPARE(ScanCodeFromEvdev(69), 0xE045);  // Num Lock
    QCOMPARE(ScanCodeFromEvdev(119), 69);     // Pause
    QCOMPARE(ScanCodeFromQtKey(Qt::Key_A, false), 0x1E);
    QCOMPARE(ScanCodeFromQtKey(Qt::Key_M, false), 0x32);
    QCOMPARE(ScanCodeFromQtKey(Qt::Key_Enter, true), 0xE01C);
    QCOMPARE(ScanCodeFromQtKey(Qt::Key_Print, false), 0xE037);
    QCOMPARE(ModifierBitOfScanCode(0xE05C), 0x80);
  }

  void accelerationOptionSwitchesOff() {
    FakePointer ptr;
    QVERIFY(ApplyAccelerationOption(ptr, true));
    QVERIFY(!ptr.state.On());
    QVERIFY(ApplyAccelerationOption(ptr, true));    // stays off
    QVERIFY(!ApplyAccelerationOption(ptr, false));  // option off: flips back on
    QVERIFY(ptr.state.On());
    ptr.writable = false;
    QVERIFY(!ApplyAccelerationOption(ptr, true));  // a refused write is not reported as done
  }
};

QTEST_MAIN(ShellTest)
#include "shell_test.moc"
