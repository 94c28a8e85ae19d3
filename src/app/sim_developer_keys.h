#pragma once
// The developer keys of the simulated mice, installed on the main window only when the program
// runs with "--simulate": F11 unplugs the first plugged mouse, F10 plugs one back, F7 presses the
// connected mouse's profile button and F8 its DPI button. Keys typed into the window's key capture
// pass by untouched.

#include <QObject>

namespace halvric {

class CHalvricDlg;
class DeviceSession;
struct ProgramContext;

class SimDeveloperKeys : public QObject {
  Q_OBJECT

 public:
  SimDeveloperKeys(CHalvricDlg& window, DeviceSession& session, const ProgramContext& context,
                   QObject* parent = nullptr);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  CHalvricDlg& window_;
  DeviceSession& session_;
  const ProgramContext& ctx_;
};

}  // namespace halvric
