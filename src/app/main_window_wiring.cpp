#include "app/main_window_wiring.h"

#include "app/device_session.h"
#include "ui/main/halvric_dlg.h"

namespace halvric {

void AttachSession(DeviceSession& session, CHalvricDlg& window) {
  QObject::connect(&session, &DeviceSession::connected, &window, &CHalvricDlg::OnConnected);
  QObject::connect(&session, &DeviceSession::deviceAdded, &window, &CHalvricDlg::OnDeviceAdded);
  QObject::connect(&session, &DeviceSession::deviceRemoved, &window, &CHalvricDlg::OnDeviceRemoved);
  QObject::connect(&session, &DeviceSession::arrivalDone, &window, &CHalvricDlg::OnArrivalDone);
  QObject::connect(&session, &DeviceSession::progress, &window, &CHalvricDlg::OnProgress);
  session.StartHotplug();
}

}  // namespace halvric
