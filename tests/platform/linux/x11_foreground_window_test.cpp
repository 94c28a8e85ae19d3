#include "platform/linux/x11_foreground_window.h"

#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include "support/xvfb_server.h"

namespace halvric::linux_hid {
namespace {

// Waits until the server has carried out everything sent on `c`.
void Sync(xcb_connection_t* c) { free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); }

TEST(X11ForegroundWindow, ActiveWindowAndItsProgram) {
  test::Xvfb server;
  if (server.display.empty()) GTEST_SKIP() << "Xvfb cannot start here";

  int screen_no = 0;
  xcb_connection_t* c = xcb_connect(server.display.c_str(), &screen_no);
  ASSERT_EQ(xcb_connection_has_error(c), 0);
  xcb_ewmh_connection_t ewmh;
  ASSERT_NE(xcb_ewmh_init_atoms_replies(&ewmh, xcb_ewmh_init_atoms(c, &ewmh), nullptr), 0);
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  auto make_window = [&] {
    const xcb_window_t w = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, 50, 50, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, 0, nullptr);
    return w;
  };
  const xcb_window_t mine = make_window();
  const xcb_window_t anonymous = make_window();
  xcb_ewmh_set_wm_pid(&ewmh, mine, static_cast<uint32_t>(getpid()));

  std::string error;
  auto fg = X11ForegroundWindow::Connect(server.display, &error);
  ASSERT_TRUE(fg) << error;
  xcb_flush(c);
  // Without a window manager, nobody has set _NET_ACTIVE_WINDOW yet.
  EXPECT_EQ(fg->Active(), 0u);

  xcb_ewmh_set_active_window(&ewmh, screen_no, mine);
  Sync(c);
  ASSERT_EQ(fg->Active(), mine);
  EXPECT_EQ(fg->WindowPid(mine), getpid());
  EXPECT_EQ(fg->ProgramName(mine), "test_platform_linux");

  xcb_ewmh_set_active_window(&ewmh, screen_no, anonymous);
  Sync(c);
  EXPECT_EQ(fg->Active(), anonymous);
  EXPECT_FALSE(fg->ProgramName(anonymous));

  xcb_ewmh_connection_wipe(&ewmh);
  xcb_disconnect(c);
  // A display nobody serves. Built by appending: GCC 12 at -O3 reports a false -Wrestrict inside
  // std::string for ":" + temporary.
  std::string no_display = ":";
  no_display += std::to_string(9000 + getpid() % 1000);
  EXPECT_FALSE(X11ForegroundWindow::Connect(no_display));
}

// The test stands in for the window manager: it takes the root window's redirect and sees the
// iconify request the program sends for the window in front.
TEST(X11ForegroundWindow, MinimiseAsksTheWindowManagerToIconify) {
  test::Xvfb server;
  if (server.display.empty()) GTEST_SKIP() << "Xvfb cannot start here";

  int screen_no = 0;
  xcb_connection_t* c = xcb_connect(server.display.c_str(), &screen_no);
  ASSERT_EQ(xcb_connection_has_error(c), 0);
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT;
  xcb_generic_error_t* err = xcb_request_check(
      c, xcb_change_window_attributes_checked(c, screen->root, XCB_CW_EVENT_MASK, &mask));
  ASSERT_EQ(err, nullptr);
  const xcb_window_t w = xcb_generate_id(c);
  xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, 50, 50, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                    screen->root_visual, 0, nullptr);
  Sync(c);

  auto fg = X11ForegroundWindow::Connect(server.display);
  ASSERT_TRUE(fg);
  EXPECT_FALSE(fg->Minimise(0));
  ASSERT_TRUE(fg->Minimise(w));

  xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, 15, "WM_CHANGE_STATE"), nullptr);
  ASSERT_NE(atom, nullptr);
  const xcb_atom_t change_state = atom->atom;
  free(atom);
  bool seen = false;
  for (int tries = 0; tries < 200 && !seen; ++tries) {
    xcb_generic_event_t* e = xcb_poll_for_event(c);
    if (e == nullptr) {
      usleep(10000);
      continue;
    }
    if ((e->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
      const auto* m = reinterpret_cast<const xcb_client_message_event_t*>(e);
      EXPECT_EQ(m->window, w);
      EXPECT_EQ(m->type, change_state);
      EXPECT_EQ(m->data.data32[0], 3u);  // IconicState
      seen = true;
    }
    free(e);
  }
  EXPECT_TRUE(seen);
  xcb_disconnect(c);
}

}  // namespace
}  // namespace halvric::linux_hid
