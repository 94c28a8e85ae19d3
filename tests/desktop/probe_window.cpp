// A plain window for the desktop checks to bring to the front: a Qt program that runs as an X
// client (-platform xcb) or as a native Wayland client (-platform wayland), so that a foreground
// provider has a process whose file name a profile link can name. It ends when closed or after
// the number of seconds given as its first argument (default 60).
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <algorithm>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = QApplication::arguments();
  const int seconds = args.size() > 1 ? args.at(1).toInt() : 60;
  QLabel label(QStringLiteral("foreground check"));
  label.setWindowTitle(QStringLiteral("halvric probe"));
  label.resize(320, 120);
  label.show();
  QTimer::singleShot(std::max(1, seconds) * 1000, &app, &QApplication::quit);
  return app.exec();
}
