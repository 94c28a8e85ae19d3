#include "app/active_window_watch.h"

#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <cstdlib>
#include <cstring>

namespace halvric {

std::unique_ptr<ActiveWindowWatch> ActiveWindowWatch::Create(std::function<void()> changed) {
  auto* x11 = qApp == nullptr ? nullptr : qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr || x11->connection() == nullptr) return nullptr;
  xcb_connection_t* c = x11->connection();
  const char* name = "_NET_ACTIVE_WINDOW";
  xcb_intern_atom_reply_t* atom =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  if (atom == nullptr) return nullptr;
  const uint32_t a = atom->atom;
  std::free(atom);
  if (a == XCB_ATOM_NONE) return nullptr;  // no window manager announces the active window
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  // Keep whatever Qt already selects on the root window and add property changes.
  uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
  if (xcb_get_window_attributes_reply_t* attrs =
          xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, screen->root), nullptr)) {
    mask |= attrs->your_event_mask;
    std::free(attrs);
  }
  xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &mask);
  xcb_flush(c);
  std::unique_ptr<ActiveWindowWatch> w(new ActiveWindowWatch(std::move(changed), a));
  QCoreApplication::instance()->installNativeEventFilter(w.get());
  return w;
}

ActiveWindowWatch::ActiveWindowWatch(std::function<void()> changed, uint32_t atom)
    : changed_(std::move(changed)), atom_(atom) {}

ActiveWindowWatch::~ActiveWindowWatch() {
  if (QCoreApplication::instance() != nullptr) QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool ActiveWindowWatch::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
  if (type != "xcb_generic_event_t") return false;
  const auto* ev = static_cast<const xcb_generic_event_t*>(message);
  if ((ev->response_type & 0x7F) != XCB_PROPERTY_NOTIFY) return false;
  const auto* pn = reinterpret_cast<const xcb_property_notify_event_t*>(ev);
  if (pn->atom == atom_ && changed_) QTimer::singleShot(0, changed_);
  return false;
}

}  // namespace halvric
