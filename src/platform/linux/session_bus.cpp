#include "platform/linux/session_bus.h"

namespace halvric::linux_hid {

SessionBus OpenSessionBus() {
  sd_bus* bus = nullptr;
  if (sd_bus_open_user(&bus) < 0) return nullptr;
  // The calls are made on the window's thread: a desktop that does not answer must not hang it.
  sd_bus_set_method_call_timeout(bus, 500'000);
  return SessionBus(bus);
}

bool NameHasOwner(sd_bus* bus, const char* name) {
  sd_bus_error error{};
  sd_bus_message* reply = nullptr;
  const int r = sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                   "NameHasOwner", &error, &reply, "s", name);
  sd_bus_error_free(&error);
  if (r < 0) return false;
  BusMessage owned(reply);
  int has = 0;
  return sd_bus_message_read(reply, "b", &has) >= 0 && has != 0;
}

}  // namespace halvric::linux_hid
