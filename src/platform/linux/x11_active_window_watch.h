#pragma once
// The active-window watch on X: the root window's _NET_ACTIVE_WINDOW property is watched through
// the program's own X connection (the one its toolkit reads events from).

#include <memory>

#include "platform/active_window_watch.h"

namespace halvric::linux_hid {

// Adds property changes to the events selected on the root window of `xcb_connection` (an
// xcb_connection_t*), keeping what is selected already. nullptr when no window manager announces
// the active window. The events given to IsActiveWindowChange() are xcb_generic_event_t.
std::unique_ptr<ActiveWindowEvents> WatchX11ActiveWindow(void* xcb_connection);

}  // namespace halvric::linux_hid
