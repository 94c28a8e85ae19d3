#pragma once
// Test helpers: a simulated mouse with a device layer on top, and the wire trace parsed back
// into events.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "device/device_layer.h"
#include "sim/sim_hid_backend.h"

namespace halvric::test {

struct WireEvent {
  char kind = 0;  // 'S', 'G', 'T', 'I', 'P'
  std::string path;  // empty for 'P'
  int pause_ms = 0;  // 'P': the host's pause
  std::vector<uint8_t> bytes;
};

std::vector<WireEvent> ParseTrace(const std::vector<std::string>& lines);
// The Set Feature events only.
std::vector<WireEvent> Sends(const std::vector<std::string>& lines);

// A unique temporary path (not created).
std::string TempPath(const std::string& stem);
// The whole content of a file; empty when it cannot be read.
std::string FileBytes(const std::filesystem::path& path);

// Simulated mice of the given models, a device layer over them, everything identified.
struct SimRig {
  explicit SimRig(const std::string& models, bool enumerate = true);
  ~SimRig();
  sim::SimHidBackend backend;
  std::string lock_file;
  std::unique_ptr<DeviceLayer> dev;
  // The configuration interface of mouse i (interface 0 for short models, 1 for long ones).
  std::string PathOf(size_t mouse) const;
  std::vector<WireEvent> SendsSinceClear() const { return Sends(backend.TraceLines()); }
};

}  // namespace halvric::test
