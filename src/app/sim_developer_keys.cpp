#include "app/sim_developer_keys.h"

#include <QKeyEvent>
#include <algorithm>

#include "app/device_session.h"
#include "app/sim_hotplug_source.h"
#include "services/program_context.h"
#include "sim/sim_hid_backend.h"
#include "sim/sim_mouse.h"
#include "ui/main/halvric_dlg.h"

namespace halvric {

SimDeveloperKeys::SimDeveloperKeys(CHalvricDlg& window, DeviceSession& session, const ProgramContext& context,
                                   QObject* parent)
    : QObject(parent), window_(window), session_(session), ctx_(context) {}

bool SimDeveloperKeys::eventFilter(QObject* watched, QEvent* event) {
  if (watched != &window_ || event->type() != QEvent::KeyPress) return false;
  // While the window captures a key, every key belongs to the capture.
  if (window_.capture().Active()) return false;
  const int key = static_cast<QKeyEvent*>(event)->key();
  if ((key == Qt::Key_F11 || key == Qt::Key_F10) && session_.simHotplug() != nullptr) {
    SimHotplugSource& hp = *session_.simHotplug();
    const size_t count = session_.simulator()->MouseCount();
    for (size_t i = 0; i < count; ++i) {
      if (key == Qt::Key_F11 ? hp.Unplug(i) : hp.Plug(i)) break;
    }
    return true;
  }
  if ((key == Qt::Key_F7 || key == Qt::Key_F8) && session_.simulator() != nullptr && window_.HasDevice()) {
    sim::SimHidBackend& sim = *session_.simulator();
    const size_t index = sim.MouseOfPath(window_.DevicePath()).value_or(0);
    sim::SimMouse& mouse = sim.Mouse(std::min(index, sim.MouseCount() - 1));
    if (key == Qt::Key_F7) mouse.PressProfileButton((std::max(0, ctx_.current_profile.load()) + 1) % kProfileCount);
    else mouse.PressDpiButton((window_.workingCopy().dpi_level + 1) % kDpiLevels);
    return true;
  }
  return false;
}

}  // namespace halvric
