#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string>
#include <xcb/xcb.h>

#include "platform/linux/x11_active_window_watch.h"
#include "platform/linux/x11_pointer_position.h"
#include "support/xvfb_server.h"

namespace halvric::linux_hid {
namespace {

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* r =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  const xcb_atom_t a = r != nullptr ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(r);
  return a;
}

void SetRootProperty(xcb_connection_t* c, xcb_window_t root, xcb_atom_t property, uint32_t value) {
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, property, XCB_ATOM_WINDOW, 32, 1, &value);
  xcb_flush(c);
}

// The next property change the server reports on `c`, as the toolkit would hand it over.
xcb_generic_event_t* NextPropertyEvent(xcb_connection_t* c) {
  while (xcb_generic_event_t* ev = xcb_wait_for_event(c)) {
    if ((ev->response_type & 0x7F) == XCB_PROPERTY_NOTIFY) return ev;
    std::free(ev);
  }
  return nullptr;
}

TEST(X11Watch, ActiveWindowChangesAndThePointerPosition) {
  test::Xvfb server;
  if (server.display.empty()) GTEST_SKIP() << "Xvfb cannot start here";
  int screen_no = 0;
  xcb_connection_t* wm = xcb_connect(server.display.c_str(), &screen_no);
  xcb_connection_t* app = xcb_connect(server.display.c_str(), nullptr);
  ASSERT_EQ(xcb_connection_has_error(wm), 0);
  ASSERT_EQ(xcb_connection_has_error(app), 0);
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(wm)).data->root;

  // Nobody announces the active window yet: no watch.
  EXPECT_FALSE(WatchX11ActiveWindow(app));
  EXPECT_FALSE(WatchX11ActiveWindow(nullptr));

  const xcb_atom_t active = Atom(wm, "_NET_ACTIVE_WINDOW");
  SetRootProperty(wm, root, active, 1);
  auto watch = WatchX11ActiveWindow(app);
  ASSERT_TRUE(watch);

  SetRootProperty(wm, root, Atom(wm, "_HALVRIC_OTHER"), 7);
  xcb_generic_event_t* other = NextPropertyEvent(app);
  ASSERT_NE(other, nullptr);
  EXPECT_FALSE(watch->IsActiveWindowChange(other));
  std::free(other);
  SetRootProperty(wm, root, active, 2);
  xcb_generic_event_t* change = NextPropertyEvent(app);
  ASSERT_NE(change, nullptr);
  EXPECT_TRUE(watch->IsActiveWindowChange(change));
  std::free(change);

  // The pointer position comes from the server of $DISPLAY.
  const char* old = std::getenv("DISPLAY");
  const std::string saved = old != nullptr ? old : "";
  ::setenv("DISPLAY", server.display.c_str(), 1);
  auto pointer = ConnectX11PointerPosition();
  ASSERT_TRUE(pointer);
  xcb_warp_pointer(wm, XCB_NONE, root, 0, 0, 0, 0, 123, 45);
  xcb_flush(wm);
  free(xcb_get_input_focus_reply(wm, xcb_get_input_focus(wm), nullptr));
  EXPECT_EQ(pointer->Position(), (ScreenPoint{123, 45}));
  ::setenv("DISPLAY", ":65000", 1);
  EXPECT_FALSE(ConnectX11PointerPosition()) << "no server on that display";
  if (old != nullptr) {
    ::setenv("DISPLAY", saved.c_str(), 1);
  } else {
    ::unsetenv("DISPLAY");
  }

  xcb_disconnect(app);
  xcb_disconnect(wm);
}

}  // namespace
}  // namespace halvric::linux_hid
