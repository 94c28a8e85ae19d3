#include "platform/linux/x11_foreground_window.h"

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <cstdlib>

#include "platform/linux/process_image.h"

namespace halvric::linux_hid {

struct X11ForegroundWindow::Connection {
  xcb_connection_t* conn = nullptr;
  xcb_ewmh_connection_t ewmh{};
  bool ewmh_ready = false;
  int screen = 0;

  ~Connection() {
    if (ewmh_ready) xcb_ewmh_connection_wipe(&ewmh);
    if (conn != nullptr) xcb_disconnect(conn);
  }
};

std::unique_ptr<X11ForegroundWindow> X11ForegroundWindow::Connect(const std::string& display, std::string* error) {
  auto c = std::make_unique<Connection>();
  c->conn = xcb_connect(display.empty() ? nullptr : display.c_str(), &c->screen);
  if (c->conn == nullptr || xcb_connection_has_error(c->conn) != 0) {
    if (error != nullptr) *error = "cannot connect to the X display" + (display.empty() ? std::string() : " " + display);
    return nullptr;
  }
  xcb_intern_atom_cookie_t* cookies = xcb_ewmh_init_atoms(c->conn, &c->ewmh);
  if (cookies == nullptr || xcb_ewmh_init_atoms_replies(&c->ewmh, cookies, nullptr) == 0) {
    if (error != nullptr) *error = "cannot read the window manager atoms";
    return nullptr;
  }
  c->ewmh_ready = true;
  return std::unique_ptr<X11ForegroundWindow>(new X11ForegroundWindow(std::move(c)));
}

X11ForegroundWindow::X11ForegroundWindow(std::unique_ptr<Connection> c) : c_(std::move(c)) {}
X11ForegroundWindow::~X11ForegroundWindow() = default;

WindowId X11ForegroundWindow::Active() {
  if (xcb_connection_has_error(c_->conn) != 0) return 0;
  xcb_window_t window = XCB_WINDOW_NONE;
  if (xcb_ewmh_get_active_window_reply(&c_->ewmh, xcb_ewmh_get_active_window(&c_->ewmh, c_->screen), &window,
                                       nullptr) == 0) {
    return 0;
  }
  return window;
}

std::optional<int> X11ForegroundWindow::WindowPid(WindowId window) {
  if (window == 0 || xcb_connection_has_error(c_->conn) != 0) return std::nullopt;
  uint32_t pid = 0;
  if (xcb_ewmh_get_wm_pid_reply(&c_->ewmh, xcb_ewmh_get_wm_pid(&c_->ewmh, static_cast<xcb_window_t>(window)), &pid,
                                nullptr) == 0) {
    return std::nullopt;
  }
  return static_cast<int>(pid);
}

std::optional<std::string> X11ForegroundWindow::ProgramName(WindowId window) {
  const std::optional<int> pid = WindowPid(window);
  if (!pid) return std::nullopt;
  return ProcessProgramName(*pid);
}

bool X11ForegroundWindow::Minimise(WindowId window) {
  if (window == 0 || xcb_connection_has_error(c_->conn) != 0) return false;
  static constexpr char kName[] = "WM_CHANGE_STATE";
  xcb_intern_atom_reply_t* atom =
      xcb_intern_atom_reply(c_->conn, xcb_intern_atom(c_->conn, 0, sizeof(kName) - 1, kName), nullptr);
  if (atom == nullptr) return false;
  const xcb_atom_t change_state = atom->atom;
  free(atom);
  const xcb_screen_t* screen = c_->ewmh.screens != nullptr ? c_->ewmh.screens[c_->screen] : nullptr;
  if (screen == nullptr) return false;
  constexpr uint32_t kIconicState = 3;
  xcb_client_message_event_t ev{};
  ev.response_type = XCB_CLIENT_MESSAGE;
  ev.format = 32;
  ev.window = static_cast<xcb_window_t>(window);
  ev.type = change_state;
  ev.data.data32[0] = kIconicState;
  xcb_send_event(c_->conn, 0, screen->root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&ev));
  return xcb_flush(c_->conn) > 0;
}

}  // namespace halvric::linux_hid
