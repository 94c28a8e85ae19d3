// The prompt as a person meets it: in every mode its fields and lists stay clear of the buttons
// that close it, and a message shows one button.

#include "ui/kit/str_dlg.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <functional>

#include "config/text_tables.h"
#include "ui/kit/app_fonts.h"

using namespace halvric;

class StrDlgTest : public QObject {
  Q_OBJECT

 private:
  AppFonts fonts_;
  TextTables texts_;

  // Runs the prompt and calls `look` once it shows; the prompt is then cancelled.
  static int RunAndLook(CStrDlg& dlg, const std::function<void()>& look) {
    QTimer::singleShot(30, &dlg, [&dlg, look] {
      look();
      dlg.CloseRequest();
    });
    return dlg.exec();
  }

  // Every visible child that takes input, with its area in the prompt.
  static std::vector<std::pair<QString, QRect>> Controls(const CStrDlg& dlg) {
    std::vector<std::pair<QString, QRect>> out;
    auto add = [&out](const char* name, QWidget* w) {
      if (w->isVisible()) out.emplace_back(QString::fromLatin1(name), w->geometry());
    };
    add("text", dlg.TextField());
    add("x", dlg.XField());
    add("y", dlg.YField());
    add("folders", dlg.FolderList());
    return out;
  }

 private slots:
  void fieldsAndListsNeverCoverTheButtons() {
    struct Case {
      int mode;
      bool folders;
      bool three;
    };
    for (const Case c : {Case{CStrDlg::kText, false, false}, Case{CStrDlg::kNumber, false, false},
                         Case{CStrDlg::kPosition, false, false}, Case{CStrDlg::kNameFolder, true, false},
                         Case{CStrDlg::kNameFolder, false, false}, Case{CStrDlg::kConfirm, false, false},
                         Case{CStrDlg::kConfirm, false, true}}) {
      CStrDlg dlg(fonts_, texts_);
      dlg.mode = c.mode;
      dlg.three_buttons = c.three;
      dlg.title = QStringLiteral("Title");
      dlg.message = QStringLiteral("Enter macro name");
      if (c.folders) dlg.folders = {{1, QStringLiteral(". Work")}, {2, QStringLiteral(".. Deep")}};
      int checked = 0;
      RunAndLook(dlg, [&] {
        const QString where = QStringLiteral("mode %1").arg(c.mode);
        const std::vector<QRect> buttons = {dlg.OkRect(), dlg.CancelRect(), dlg.ThirdRect(), dlg.CaptureRect()};
        for (const auto& [name, area] : Controls(dlg)) {
          QVERIFY2(dlg.rect().contains(area), qPrintable(where + QStringLiteral(": ") + name + QStringLiteral(" outside")));
          for (const QRect& b : buttons) {
            if (b.isEmpty()) continue;
            QVERIFY2(!area.intersects(b), qPrintable(where + QStringLiteral(": ") + name + QStringLiteral(" covers a button")));
          }
          ++checked;
        }
        for (const QRect& b : buttons) {
          if (!b.isEmpty()) QVERIFY2(dlg.rect().contains(b), qPrintable(where + QStringLiteral(": a button outside")));
        }
        // The buttons sit below the message, not over its first line.
        QVERIFY2(dlg.OkRect().top() >= 78, qPrintable(where));
      });
      const int expected = c.mode == CStrDlg::kConfirm ? 0 : c.mode == CStrDlg::kPosition ? 2 : c.folders ? 2 : 1;
      QCOMPARE(checked, expected);
    }
  }

  void messageShowsOneButtonAndReturnsOk() {
    CStrDlg dlg(fonts_, texts_);
    dlg.mode = CStrDlg::kConfirm;
    dlg.message_only = true;
    dlg.message = QStringLiteral("invalid format !!");
    QTimer::singleShot(30, &dlg, [&dlg] {
      QVERIFY(dlg.CancelRect().isEmpty());
      QVERIFY(!dlg.TextField()->isVisible());
      QTest::mouseClick(&dlg, Qt::LeftButton, Qt::NoModifier, dlg.OkRect().center());
    });
    QCOMPARE(dlg.exec(), static_cast<int>(QDialog::Accepted));
    // The flag holds for one showing only.
    QVERIFY(!dlg.message_only);
  }
};

QTEST_MAIN(StrDlgTest)
#include "str_dlg_test.moc"
