#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <cstdlib>
#include <string>

#include "platform/linux/x11_foreground_window.h"

namespace halvric::linux_hid {
namespace {

// An Xvfb server on a display it picks itself; `display` stays empty when it cannot start.
class Xvfb {
 public:
  Xvfb() {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, STDERR_FILENO);
      dup2(null, STDOUT_FILENO);
      const std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0", "640x480x24",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    if (pid_ < 0) {
      close(fds[0]);
      return;
    }
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c = 0;
    while (poll(&p, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (!number.empty()) display = ":" + number;
  }
  ~Xvfb() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  std::string display;

 private:
  pid_t pid_ = -1;
};

// Waits until the server has carried out everything sent on `c`.
void Sync(xcb_connection_t* c) { free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); }

TEST(X11ForegroundWindow, ActiveWindowAndItsProgram) {
  Xvfb server;
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
  EXPECT_EQ(fg->ProgramName(mine), "test_platform");

  xcb_ewmh_set_active_window(&ewmh, screen_no, anonymous);
  Sync(c);
  EXPECT_EQ(fg->Active(), anonymous);
  EXPECT_FALSE(fg->ProgramName(anonymous));

  xcb_ewmh_connection_wipe(&ewmh);
  xcb_disconnect(c);
  EXPECT_FALSE(X11ForegroundWindow::Connect(":" + std::to_string(9000 + getpid() % 1000)));
}

}  // namespace
}  // namespace halvric::linux_hid
