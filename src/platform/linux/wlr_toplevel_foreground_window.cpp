#include "platform/linux/wlr_toplevel_foreground_window.h"

#include <wayland-client.h>
#include <wlr-foreign-toplevel-management-unstable-v1-client-protocol.h>

#include <cstdint>
#include <cstring>
#include <map>

#include "platform/desktop_entry.h"

namespace halvric::linux_hid {

// One toplevel as the compositor described it: the events between two "done" are collected
// and take effect together.
struct Toplevel {
  WindowId id = 0;
  std::string app_id, pending_app_id;
  bool activated = false, pending_activated = false;
};

struct WlrToplevelForegroundWindow::Connection {
  wl_display* display = nullptr;
  wl_registry* registry = nullptr;
  zwlr_foreign_toplevel_manager_v1* manager = nullptr;
  std::map<zwlr_foreign_toplevel_handle_v1*, Toplevel> toplevels;
  WindowId next_id = 1;
  bool finished = false;

  ~Connection() {
    for (auto& [handle, t] : toplevels) zwlr_foreign_toplevel_handle_v1_destroy(handle);
    if (manager != nullptr) {
      if (!finished) zwlr_foreign_toplevel_manager_v1_stop(manager);
      zwlr_foreign_toplevel_manager_v1_destroy(manager);
    }
    if (registry != nullptr) wl_registry_destroy(registry);
    if (display != nullptr) wl_display_disconnect(display);
  }
};

namespace {

using Connection = WlrToplevelForegroundWindow::Connection;

void OnTitle(void*, zwlr_foreign_toplevel_handle_v1*, const char*) {}
void OnAppId(void* data, zwlr_foreign_toplevel_handle_v1* h, const char* app_id) {
  static_cast<Connection*>(data)->toplevels[h].pending_app_id = app_id != nullptr ? app_id : "";
}
void OnOutput(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
void OnState(void* data, zwlr_foreign_toplevel_handle_v1* h, wl_array* states) {
  bool activated = false;
  const auto* s = static_cast<const uint32_t*>(states->data);
  for (size_t i = 0; i < states->size / sizeof(uint32_t); ++i) {
    if (s[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED) activated = true;
  }
  static_cast<Connection*>(data)->toplevels[h].pending_activated = activated;
}
void OnParent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {}
void OnDone(void* data, zwlr_foreign_toplevel_handle_v1* h) {
  Toplevel& t = static_cast<Connection*>(data)->toplevels[h];
  t.app_id = t.pending_app_id;
  t.activated = t.pending_activated;
}
void OnClosed(void* data, zwlr_foreign_toplevel_handle_v1* h) {
  static_cast<Connection*>(data)->toplevels.erase(h);
  zwlr_foreign_toplevel_handle_v1_destroy(h);
}

const zwlr_foreign_toplevel_handle_v1_listener kHandleListener = {
    .title = OnTitle,
    .app_id = OnAppId,
    .output_enter = OnOutput,
    .output_leave = OnOutput,
    .state = OnState,
    .done = OnDone,
    .closed = OnClosed,
    .parent = OnParent,
};

void OnToplevel(void* data, zwlr_foreign_toplevel_manager_v1*, zwlr_foreign_toplevel_handle_v1* h) {
  auto* c = static_cast<Connection*>(data);
  Toplevel& t = c->toplevels[h];
  t.id = c->next_id++;
  zwlr_foreign_toplevel_handle_v1_add_listener(h, &kHandleListener, c);
}
void OnFinished(void* data, zwlr_foreign_toplevel_manager_v1*) { static_cast<Connection*>(data)->finished = true; }

const zwlr_foreign_toplevel_manager_v1_listener kManagerListener = {.toplevel = OnToplevel, .finished = OnFinished};

void OnManagerGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
  auto* c = static_cast<Connection*>(data);
  if (c->manager == nullptr && std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) == 0) {
    const uint32_t v = version < 3 ? version : 3;
    c->manager = static_cast<zwlr_foreign_toplevel_manager_v1*>(
        wl_registry_bind(registry, name, &zwlr_foreign_toplevel_manager_v1_interface, v));
    zwlr_foreign_toplevel_manager_v1_add_listener(c->manager, &kManagerListener, c);
  }
}
void OnManagerGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kManagerRegistryListener = {.global = OnManagerGlobal, .global_remove = OnManagerGlobalRemove};

}  // namespace

std::unique_ptr<WlrToplevelForegroundWindow> WlrToplevelForegroundWindow::Connect() {
  auto c = std::make_unique<Connection>();
  c->display = wl_display_connect(nullptr);
  if (c->display == nullptr) return nullptr;
  c->registry = wl_display_get_registry(c->display);
  wl_registry_add_listener(c->registry, &kManagerRegistryListener, c.get());
  // The globals, then the toplevels that exist already with their details.
  if (wl_display_roundtrip(c->display) < 0 || c->manager == nullptr) return nullptr;
  if (wl_display_roundtrip(c->display) < 0) return nullptr;
  return std::unique_ptr<WlrToplevelForegroundWindow>(new WlrToplevelForegroundWindow(std::move(c)));
}

WlrToplevelForegroundWindow::WlrToplevelForegroundWindow(std::unique_ptr<Connection> c) : c_(std::move(c)) {}
WlrToplevelForegroundWindow::~WlrToplevelForegroundWindow() = default;

WindowId WlrToplevelForegroundWindow::Active() {
  if (c_->finished || wl_display_roundtrip(c_->display) < 0) return 0;
  for (const auto& [handle, t] : c_->toplevels) {
    if (t.activated) return t.id;
  }
  return 0;
}

std::optional<std::string> WlrToplevelForegroundWindow::ProgramName(WindowId window) {
  for (const auto& [handle, t] : c_->toplevels) {
    if (t.id != window) continue;
    if (t.app_id.empty()) return std::nullopt;
    std::string program = DesktopEntryProgram(t.app_id, XdgApplicationFolders());
    return program.empty() ? t.app_id : program;
  }
  return std::nullopt;
}

}  // namespace halvric::linux_hid
