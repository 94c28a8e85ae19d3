#pragma once
// The user's D-Bus session bus through sd-bus, owned by a unique_ptr.

#include <systemd/sd-bus.h>

#include <memory>

namespace halvric::linux_hid {

struct SdBusUnref {
  void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
using SessionBus = std::unique_ptr<sd_bus, SdBusUnref>;

struct SdBusMessageUnref {
  void operator()(sd_bus_message* m) const { sd_bus_message_unref(m); }
};
using BusMessage = std::unique_ptr<sd_bus_message, SdBusMessageUnref>;

// A private connection to the session bus; null when there is none.
SessionBus OpenSessionBus();

// True when some client owns the bus name `name` now.
bool NameHasOwner(sd_bus* bus, const char* name);

}  // namespace halvric::linux_hid
