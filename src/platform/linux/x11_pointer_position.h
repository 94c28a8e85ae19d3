#pragma once
// The pointer position asked of the X server.

#include <memory>

#include "platform/pointer_position.h"

namespace halvric::linux_hid {

// Opens a connection of its own to the X server of $DISPLAY (the touch thread asks once per touch
// step, so it must not share the window's connection). nullptr when no X server is reachable.
std::unique_ptr<PointerPosition> ConnectX11PointerPosition();

}  // namespace halvric::linux_hid
