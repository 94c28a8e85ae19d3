#pragma once
// The request that makes a mouse with lighting show the zone colours held in its memory.

#include <string>

#include "device/device_layer.h"

namespace halvric {

// Lighting requests go only to mice of protocol level 3 and above that have the lighting flag.
bool HasLightingControl(DeviceLayer& dev, const std::string& path);

// Sends 01 04 03 (answer after 10 ms) to a mouse with lighting control; true without traffic
// for any other mouse.
bool SendLightingApply(DeviceLayer& dev, const std::string& path);

}  // namespace halvric
