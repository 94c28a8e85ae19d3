#pragma once
// The program's one prompt: a confirmation (optionally with a third button), a text prompt, a
// numeric prompt, a screen-position prompt and a name prompt with a folder choice. The caller
// fills the fields, runs it and reads the fields back after OK. One instance per owner window,
// reused for every prompt.

#include <QDialog>
#include <QRect>
#include <QString>
#include <utility>
#include <vector>

class QLineEdit;
class QComboBox;

namespace halvric {

class AppFonts;
class TextTables;

class CStrDlg : public QDialog {
  Q_OBJECT

 public:
  enum Mode { kText = 0, kNumber = 1, kPosition = 3, kNameFolder = 5, kConfirm = 10 };
  enum Choice { kChoiceOk = 0, kChoiceCancel = 1, kChoiceThird = 2 };

  CStrDlg(const AppFonts& fonts, const TextTables& texts, QWidget* parent = nullptr);

  // Fields set before running; the typed values are read back after OK.
  int mode = kText;
  QString title;
  QString message;
  QString text;
  int max_length = 255;
  int max_value = 0;   // mode 1
  int x = 0;           // mode 3
  int y = 0;
  int absolute = 0;    // mode 3: 0 relative, 1 absolute
  int folder = 0;      // mode 5: the chosen folder id
  bool three_buttons = false;  // with mode 10; cleared when the dialog opens
  // With mode 10: a message with only the OK button (a failure the user must see, such as a
  // file in the wrong format); cleared when the dialog opens.
  bool message_only = false;
  std::vector<std::pair<int, QString>> folders;  // mode 5: (id, indented name) after "Root"
  // Which button closed the dialog; the third button of the three-button confirmation returns
  // Accepted with kChoiceThird here.
  int choice = kChoiceCancel;

  // Runs modally; Accepted on OK (and on the third button).
  int exec() override;

  // Another window asks the prompt to close (the mouse went away, the profile changed, the
  // program quits): the pointer is released and the prompt closes as if cancelled.
  void CloseRequest();

  // For tests and screenshots: the areas of the drawn buttons.
  QRect OkRect() const;
  QRect CancelRect() const;
  QRect ThirdRect() const;
  QRect CaptureRect() const;
  QLineEdit* TextField() const { return edit_; }
  QLineEdit* XField() const { return x_edit_; }
  QLineEdit* YField() const { return y_edit_; }
  QComboBox* FolderList() const { return folder_list_; }
  bool ShowsThirdButton() const { return showing_three_; }

  // The typing rules, one key at a time: the field's new text, or nothing when the key is refused.
  // Exposed as functions so that they can be checked without a window.
  static bool NumberKey(QString& field, QChar key, int max_value);
  static bool CoordinateKey(QString& field, int cursor, QChar key, bool absolute, bool is_y);

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void reject() override;

 private:
  void Layout();
  void Finish(int choice);
  int ButtonAt(const QPoint& pos) const;

  const AppFonts& fonts_;
  const TextTables& texts_;
  QLineEdit* edit_ = nullptr;
  QLineEdit* x_edit_ = nullptr;
  QLineEdit* y_edit_ = nullptr;
  QComboBox* folder_list_ = nullptr;
  bool showing_three_ = false;
  bool showing_one_ = false;
  bool capturing_ = false;
  int hot_ = -1;
  int pressed_ = -1;
  int running_mode_ = kText;
};

}  // namespace halvric
