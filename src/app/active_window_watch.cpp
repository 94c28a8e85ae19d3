#include "app/active_window_watch.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>

#include "platform/linux/x11_active_window_watch.h"

namespace halvric {

std::unique_ptr<ActiveWindowWatch> ActiveWindowWatch::Create(std::function<void()> changed) {
  auto* x11 = qApp == nullptr ? nullptr : qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr || x11->connection() == nullptr) return nullptr;
  std::unique_ptr<ActiveWindowEvents> events = linux_hid::WatchX11ActiveWindow(x11->connection());
  if (!events) return nullptr;
  std::unique_ptr<ActiveWindowWatch> w(new ActiveWindowWatch(std::move(changed), std::move(events)));
  QCoreApplication::instance()->installNativeEventFilter(w.get());
  return w;
}

ActiveWindowWatch::ActiveWindowWatch(std::function<void()> changed, std::unique_ptr<ActiveWindowEvents> events)
    : changed_(std::move(changed)), events_(std::move(events)) {}

ActiveWindowWatch::~ActiveWindowWatch() {
  if (QCoreApplication::instance() != nullptr) QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool ActiveWindowWatch::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
  if (type != "xcb_generic_event_t") return false;
  if (events_->IsActiveWindowChange(message) && changed_) QTimer::singleShot(0, changed_);
  return false;
}

}  // namespace halvric
