// Every text of every window fits its box in every language the program ships: each window is
// rendered in each language onto a probe that reports text leaving its box or the window.

#include <QPainter>
#include <QTimer>
#include <cstdio>

#include "app/session_notices.h"
#include "config/language_choice.h"
#include "support/text_fit_probe.h"
#include "support/window_fixture.h"
#include "ui/button/button_set_dlg.h"
#include "ui/kit/str_dlg.h"
#include "ui/lighting/color_dlg.h"
#include "ui/macro/macro_edit.h"
#include "ui/macro/macro_list_wnd.h"
#include "ui/osd/disp_dlg.h"
#include "ui/upgrade/upgrade_dlg.h"
#include "ui/kit/text_ids.h"

using namespace halvric;
using halvric::testing::TextFitDevice;
using halvric::testing::WindowRig;

class TextFitTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

  static void ClickAt(QWidget* w, const QPoint& p) { QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, p); }

  // What does not fit in `w`, each line named by the language and the window's view.
  static void Check(QStringList& out, int language, const QString& view, QWidget& w) {
    TextFitDevice probe;
    for (const QString& m : probe.Check(w)) out << QStringLiteral("[%1] %2: %3").arg(language).arg(view, m);
    ++views_checked_;
  }
  static inline int views_checked_ = 0;

  static void CheckLanguage(QStringList& out, int language) {
    views_checked_ = 0;
    // The Other page carries its longest notice: uinput refused, so tilt-scroll and touch are off.
    TextTables texts;
    texts.LoadLanguage(qgetenv("HALVRIC_SOURCE_DIR").toStdString() + "/resources/language.ini", language);
    const std::string notice = HostInputNotice(texts, false, "/dev/uinput: Permission denied", true);
    WindowRig rig("level11", {}, nullptr, nullptr, nullptr, language, notice);
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    CHalvricDlg& w = *rig.window;
    const char* pages[] = {"main window, buttons", "main window, DPI", "main window, other"};
    for (int page = 0; page < 3; ++page) {
      ClickAt(&w, w.items()[static_cast<size_t>(CHalvricDlg::kItemButtonPage + page)].rect.center());
      Check(out, language, QString::fromLatin1(pages[page]), w);
    }

    // The button dialog on each of its pages, for the first drawn button.
    CButtonSetDlg& buttons = w.buttonDialog();
    QTimer::singleShot(0, &buttons, [&] {
      for (int page = 0; page < CButtonSetDlg::kPageCount; ++page) {
        ClickAt(&buttons, buttons.PageTabRect(page).center());
        Check(out, language, QStringLiteral("button dialog, page %1").arg(page + 1), buttons);
      }
      buttons.CloseRequest();
    });
    w.OpenButtonDialog(0);

    w.ShowMacroEditor();
    Check(out, language, QStringLiteral("macro editor"), w.macroEditor());
    w.macroEditor().hide();
    w.ShowFunctionList(true);
    Check(out, language, QStringLiteral("function list"), w.macroList());
    w.ShowFunctionList(false);

    // The prompt as the restore question and as the profile name field.
    CStrDlg& prompt = w.prompt();
    for (const int mode : {int{CStrDlg::kConfirm}, int{CStrDlg::kText}}) {
      prompt.mode = mode;
      prompt.title = QString::fromStdString(rig.texts.Get(TextFamily::button_str, text_id::kBtnRestore));
      prompt.message = QString::fromStdString(rig.texts.Get(TextFamily::msg_str, text_id::kMsgRestoreAsk));
      QTimer::singleShot(0, &prompt, [&] {
        Check(out, language, QStringLiteral("prompt, mode %1").arg(mode), prompt);
        prompt.CloseRequest();
      });
      prompt.exec();
    }

    ClickAt(&w, w.items()[CHalvricDlg::kItemOtherPage].rect.center());
    ClickAt(&w, w.items()[static_cast<size_t>(w.LightItem())].rect.center());
    if (ColorDlg* lighting = w.lightingWindow(); lighting != nullptr) {
      QElapsedTimer t;
      t.start();
      while (!lighting->Loaded() && t.elapsed() < 5000) QTest::qWait(5);
      Check(out, language, QStringLiteral("lighting"), *lighting);
      lighting->close();
    }
    w.activateWindow();
    QTest::keyClick(&w, Qt::Key_F9);
    if (UpgradeDlg* upgrade = w.upgradeWindow(); upgrade != nullptr) {
      Check(out, language, QStringLiteral("upgrade"), *upgrade);
      upgrade->close();
    }
    // The on-screen display with the DPI panel and its scroll line, and with angle snapping on
    // and off.
    CDispDlg& osd = w.osd();
    for (const bool angle : {true, false}) {
      OsdPass pass;
      pass.draw = true;
      pass.show = true;
      pass.view.flags = kOsdProfile | kOsdDpiLevel | kOsdDpiScroll | kOsdAngleSnapping;
      pass.view.alpha = 255;
      pass.view.dpi_x = 20;
      pass.view.dpi_y = 20;
      pass.view.angle_snapping = angle;
      pass.view.visible = true;
      osd.Present(pass);
      Check(out, language, QStringLiteral("on-screen display, angle snapping %1").arg(angle ? 1 : 0), osd);
    }
    osd.hide();
    // Three pages, five dialog pages, the editor, the list, two prompts, lighting, upgrade and
    // two displays.
    QCOMPARE(views_checked_, 16);
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    halvric::testing::UsePrivateFolders(dir_);
  }

  void theProbeFindsTextThatDoesNotFit() {
    struct Box : QWidget {
      QString text;
      void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.drawText(QRect(10, 10, 60, 20), Qt::AlignLeft | Qt::AlignVCenter, text);
        p.drawText(QPoint(10, 60), QStringLiteral("fits"));
      }
    } box;
    box.resize(100, 80);
    TextFitDevice probe;
    box.text = QStringLiteral("OK");
    QVERIFY(probe.Check(box).isEmpty());
    box.text = QStringLiteral("Einstellungen speichern");
    QCOMPARE(probe.Check(box).size(), 1);
    QVERIFY(probe.Check(box).constFirst().contains(QStringLiteral("wider than its box 10,10 60x20")));
    // Past the window's edge.
    box.resize(25, 80);
    box.text.clear();
    QCOMPARE(probe.Check(box).size(), 1);
    QVERIFY(probe.Check(box).constFirst().contains(QStringLiteral("\"fits\"")));
  }

  void everyTextFitsInEveryLanguage() {
    QStringList misfits;
    for (const LanguageName& l : ProgramLanguages()) {
      CheckLanguage(misfits, l.id);
      if (QTest::currentTestFailed()) return;
    }
    // QtTest cuts long messages: every misfit on a line of its own first.
    for (const QString& m : misfits) std::fprintf(stderr, "%s\n", qPrintable(m));
    QVERIFY2(misfits.isEmpty(), qPrintable(QStringLiteral("%1 texts do not fit:\n").arg(misfits.size()) + misfits.join(QLatin1Char('\n'))));
  }
};

QTEST_MAIN(TextFitTest)
#include "text_fit_test.moc"
