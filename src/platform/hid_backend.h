#pragma once
// Access to HID interfaces: the one seam between the device layer and the operating system
// (hidraw on Linux) or the simulated mouse. Everything above it sees interfaces as opaque
// lower-cased paths with a few attributes, and exchanges raw report bytes with them.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace halvric {

// What the device layer needs to know of one HID interface before it talks to it.
struct HidInterfaceInfo {
  std::string path;              // lower-cased, opaque key of the interface
  uint16_t vendor_id = 0;
  uint16_t product_id = 0;
  int interface_number = -1;     // USB interface number, -1 when unknown
  uint16_t usage_page = 0;       // of the top-level collection that carries the feature reports
  uint16_t usage = 0;
  int feature_report_length = 0; // largest feature report in bytes, report id byte included; 0 = none
  std::string location;          // the port the mouse is plugged into ("1-2.3"); stays across replugs
};

// One open interface. Buffers hold the report id in byte 0, as on the wire.
class HidHandle {
 public:
  virtual ~HidHandle() = default;

  virtual const HidInterfaceInfo& Info() const = 0;
  // Get Feature: buf[0] carries the report id on entry; fills buf.size() bytes.
  virtual bool GetFeature(std::span<uint8_t> buf) = 0;
  // Set Feature with buf.size() bytes, report id in buf[0].
  virtual bool SetFeature(std::span<const uint8_t> buf) = 0;
  // Waits up to timeout_ms for one input report. Returns its length, 0 on time-out, -1 when
  // the interface has gone or failed.
  virtual int ReadInput(std::span<uint8_t> buf, int timeout_ms) = 0;
  // The raw payload of string descriptor `index` (UTF-16 code units as bytes, header stripped),
  // at most out.size() bytes; the rest of `out` is left zero. False when it cannot be read.
  virtual bool IndexedString(int index, std::span<uint8_t> out) = 0;
  // Abandons any pending transfer on the handle.
  virtual void CancelIo() {}
  // A pause of the host between transfers on this handle (the delays the command set names).
  virtual void Pause(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }
};

class HidBackend {
 public:
  virtual ~HidBackend() = default;
  // Every HID interface present now.
  virtual std::vector<HidInterfaceInfo> Enumerate() = 0;
  // Opens one interface by path; nullptr when it is gone or cannot be opened. `error` (optional)
  // receives a short reason, e.g. "permission denied".
  virtual std::unique_ptr<HidHandle> Open(const std::string& path, std::string* error = nullptr) = 0;
  // A pause of the host between exchanges (the delays the command set names).
  virtual void Pause(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }
};

}  // namespace halvric
