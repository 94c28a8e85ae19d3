#include "platform/linux/gnome_shell_foreground_window.h"

namespace halvric::linux_hid {

std::unique_ptr<GnomeShellForegroundWindow> GnomeShellForegroundWindow::Connect() {
  SessionBus bus = OpenSessionBus();
  if (!bus || !NameHasOwner(bus.get(), kShellFocusName)) return nullptr;
  std::unique_ptr<GnomeShellForegroundWindow> w(new GnomeShellForegroundWindow(std::move(bus)));
  // An extension of another version may own the name without the method: ask once.
  sd_bus_error error{};
  sd_bus_message* reply = nullptr;
  const int r = sd_bus_call_method(w->bus_.get(), kShellFocusName, kShellFocusPath, kShellFocusInterface, "FocusedPid",
                                   &error, &reply, "");
  sd_bus_error_free(&error);
  sd_bus_message_unref(reply);
  return r >= 0 ? std::move(w) : nullptr;
}

std::optional<int> GnomeShellForegroundWindow::ActivePid() {
  sd_bus_error error{};
  sd_bus_message* reply = nullptr;
  const int r = sd_bus_call_method(bus_.get(), kShellFocusName, kShellFocusPath, kShellFocusInterface, "FocusedPid",
                                   &error, &reply, "");
  sd_bus_error_free(&error);
  if (r < 0) return std::nullopt;
  BusMessage owned(reply);
  int32_t pid = 0;
  if (sd_bus_message_read(reply, "i", &pid) < 0 || pid <= 0) return std::nullopt;
  return pid;
}

}  // namespace halvric::linux_hid
