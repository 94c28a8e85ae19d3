#pragma once
// Connects the device session's notifications to the main window's slots (each arrives on the
// window's thread), then starts watching for mice plugged in and out, so that no arrival is
// reported before the window listens.

namespace halvric {

class CHalvricDlg;
class DeviceSession;

void AttachSession(DeviceSession& session, CHalvricDlg& window);

}  // namespace halvric
