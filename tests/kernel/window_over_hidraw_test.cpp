// The desktop program's main window over the real backend, run inside the kernel suite's guest
// (offscreen): the window's device session finds the mouse through hidraw and libudev, a DPI
// change made on the window's DPI page reaches the mouse, and an unplug and a replug made by
// halvric-usbsim (a real USB detach and attach through vhci-hcd) arrive through the session's
// udev monitor. The checks run in order on one window, as a person would meet them.
//
// Environment: HALVRIC_SIM_COMMAND (the suite's sim_command.sh, which hands a command to
// halvric-usbsim), HALVRIC_SIM_INDEX (the mouse to unplug, by its index among halvric-usbsim's
// mice). Exactly one mouse is plugged in when the
// test starts, so that the window has no other mouse to turn to while it is unplugged.
// Prints "dpi byte ADDRESS VALUE" (what the DPI change wrote) for the suite to read back with
// halvricctl.

#include <QProcess>
#include <QSignalSpy>
#include <cstdio>
#include <memory>

#include "support/literal_addresses.h"
#include "support/window_fixture.h"

using namespace halvric;
using halvric::testing::WindowRig;

namespace {

// Exchanges under TCG are slow: a read-all of a long-report mouse takes tens of seconds there.
constexpr int kLoadMs = 180000;
constexpr int kEventMs = 60000;

}  // namespace

class WindowOverHidrawTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::unique_ptr<WindowRig> rig_;
  std::unique_ptr<QSignalSpy> added_;
  std::unique_ptr<QSignalSpy> removed_;
  std::string path_;
  uint32_t dpi_address_ = 0;
  int dpi_value_ = 0;

  // Has halvric-usbsim plug the mouse in or out ("attach" / "detach"), through the suite's helper.
  static bool SimCommand(const QString& command) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(qEnvironmentVariable("HALVRIC_SIM_COMMAND"), {command, qEnvironmentVariable("HALVRIC_SIM_INDEX")});
    return p.waitForFinished(kEventMs) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
  }
  static int Count(const QSignalSpy& spy, const std::string& path) {
    int n = 0;
    for (const QList<QVariant>& args : spy) n += args.at(0).toString().toStdString() == path;
    return n;
  }
  void Settle() {
    QElapsedTimer t;
    t.start();
    while ((rig_->session->Pending() > 0 || rig_->window->Busy() > 0) && t.elapsed() < kEventMs) QTest::qWait(20);
    QTest::qWait(20);
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    QVERIFY2(!qEnvironmentVariableIsEmpty("HALVRIC_SIM_COMMAND"), "HALVRIC_SIM_COMMAND names the suite's helper");
    halvric::testing::UsePrivateFolders(dir_);
    rig_ = std::make_unique<WindowRig>("");  // no model list: hidraw
    QVERIFY(rig_->session->simulator() == nullptr);
    added_ = std::make_unique<QSignalSpy>(rig_->session.get(), &DeviceSession::deviceAdded);
    removed_ = std::make_unique<QSignalSpy>(rig_->session.get(), &DeviceSession::deviceRemoved);
  }

  void loadsTheMouseThroughHidraw() {
    QVERIFY2(rig_->WaitLoaded(kLoadMs), qPrintable(rig_->window->NoDeviceReason()));
    Settle();
    path_ = rig_->window->DevicePath();
    QVERIFY(path_.rfind("/dev/hidraw", 0) == 0);
    QVERIFY(rig_->window->workingCopy().loaded);
    std::printf("window: loaded %s, protocol level %d\n", path_.c_str(), rig_->window->workingCopy().protocol_level);
  }

  void dpiChangeMadeOnTheWindowReachesTheMouse() {
    QVERIFY(!path_.empty());
    WindowRig& rig = *rig_;
    QTest::mouseClick(rig.window.get(), Qt::LeftButton, Qt::NoModifier,
                      rig.window->items()[static_cast<size_t>(CHalvricDlg::kItemDpiPage)].rect.center());
    QCOMPARE(rig.window->page(), static_cast<int>(CHalvricDlg::kDpiPage));
    const WorkingCopy& wc = rig.window->workingCopy();
    const int level = wc.dpi_level;
    dpi_address_ = halvric::test::DpiXByte(wc.protocol_level, level);
    const int before = wc.dpi[static_cast<size_t>(level)][0];
    dpi_value_ = before == 36 ? 38 : 36;
    const QPoint at = rig.window->SliderPoint(CHalvricDlg::kSliderDpiX, dpi_value_);
    QTest::mousePress(rig.window.get(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(rig.window.get(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::qWait(400);  // the sliders' debounce
    Settle();
    QCOMPARE(static_cast<int>(wc.dpi[static_cast<size_t>(level)][0]), dpi_value_);
    // What is now in the mouse is read back by the suite with halvricctl after the window ends,
    // and by the window itself after the replug below.
    std::printf("dpi byte %u %d\n", dpi_address_, dpi_value_);
    std::fflush(stdout);
  }

  void unplugIsSeenAndTheWindowShowsNoDevice() {
    QVERIFY(!path_.empty());
    QSignalSpy gone(rig_->window.get(), &CHalvricDlg::noDevice);
    QVERIFY(SimCommand(QStringLiteral("detach")));
    QTRY_VERIFY_WITH_TIMEOUT(Count(*removed_, path_) > 0, kEventMs);
    QTRY_VERIFY_WITH_TIMEOUT(gone.count() > 0, kEventMs);
    QVERIFY(!rig_->window->HasDevice());
    // The search that follows an unplug finds nothing: the window stays without a mouse.
    QTest::qWait(2000);
    QVERIFY(!rig_->window->HasDevice());
  }

  void replugIsSeenAndTheWindowLoadsTheMouseAgain() {
    QVERIFY(!path_.empty());
    added_->clear();
    QVERIFY(SimCommand(QStringLiteral("attach")));
    QTRY_VERIFY_WITH_TIMEOUT(added_->count() > 0, kEventMs);
    QVERIFY(rig_->WaitLoaded(kLoadMs));
    Settle();
    const WorkingCopy& wc = rig_->window->workingCopy();
    QVERIFY(wc.loaded);
    // Read again from the mouse after its new enumeration: the window's DPI change is there.
    QCOMPARE(static_cast<int>(wc.dpi[static_cast<size_t>(wc.dpi_level)][0]), dpi_value_);
    std::printf("window: loaded %s again\n", rig_->window->DevicePath().c_str());
  }

  void cleanupTestCase() {
    added_.reset();
    removed_.reset();
    rig_.reset();
  }
};

QTEST_MAIN(WindowOverHidrawTest)
#include "window_over_hidraw_test.moc"
