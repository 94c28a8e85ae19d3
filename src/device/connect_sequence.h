#pragma once
// The connect sequence: choose a mouse, select it, pick its model layout, then hand over to the
// read-all step of the configuration model.

#include <functional>
#include <string>

#include "device/device_layer.h"
#include "device/model_layout.h"

namespace halvric {

struct ConnectOptions {
  bool first_run = false;         // enumerate before choosing
  std::string requested_path;     // empty: the first listed mouse
  std::function<void()> wait_idle;  // waits while the window is busy before a requested path is taken
  std::function<void(const std::string& path)> read_all;  // runs after selection (also with no mouse: empty path)
};

struct ConnectResult {
  std::string path;      // empty when no mouse is listed
  bool selected = false; // the mouse echoed the selection marker
  ModelLayout layout;
};

ConnectResult ConnectSequence(DeviceLayer& dev, const ConnectOptions& options);

}  // namespace halvric
