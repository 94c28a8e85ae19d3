#pragma once
// Telling a user why no mouse shows up when one is plugged in: on Linux the hidraw nodes belong
// to root unless a udev rule hands them to the logged-in user, and an unopenable mouse would
// otherwise look like no mouse at all.

#include <string>

#include "platform/hid_backend.h"

namespace halvric {

// The udev rule that gives the logged-in user access to the mouse.
inline constexpr const char* kUdevRuleName = "70-halvric.rules";

// The path of an interface that the device layer would identify as a mouse but that cannot be
// opened for lack of permission; empty when there is no such interface.
std::string UnopenableMousePath(HidBackend& backend);

// When there is such an interface, a message that says so and names the fix (the udev rule, then
// plugging the mouse in again); empty otherwise.
std::string PermissionProblem(HidBackend& backend);

}  // namespace halvric
