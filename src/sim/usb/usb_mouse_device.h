#pragma once
// The simulated mouse as a USB device: a full-speed device of vendor 0x0C45 whose configuration
// holds the mouse's HID interfaces, each with its report descriptor and one interrupt IN
// endpoint, and whose control requests reach the firmware model.
//
// Interfaces (endpoint 0x81 + n serves interface n):
//   short-report model: 0 mouse collection (page 1, usage 2) with a boot-mouse input report and
//                         an 8-byte feature report without report id (9 bytes with the id byte
//                         that hidraw puts in front)
//                       1 vendor collection (page 0xFF23, usage 1): input report id 11, 15 bytes
//   long-report model:  0 mouse collection (page 1, usage 2), input only
//                       1 vendor collection (page 0xFF18, usage 1): feature and input report id
//                         1, 63 bytes each (64 with the id)
//                       2 vendor collection (page 0xFF23, usage 1): input report id 1, 63 bytes
// Strings: 0 (languages), 1 manufacturer, 2 product, 3 serial number, and 198 / 199 carrying the
// firmware's identification payload as raw bytes.
//
// Control requests answered: GET_DESCRIPTOR (device, configuration, string; HID and report
// descriptors of an interface), GET_STATUS, SET_CONFIGURATION, GET_CONFIGURATION, SET_INTERFACE,
// GET_INTERFACE, CLEAR_FEATURE, SET_FEATURE, and the HID class requests SET_IDLE, GET_IDLE,
// SET_PROTOCOL, GET_PROTOCOL, GET_REPORT and SET_REPORT of feature reports, which are handed to
// the firmware model. Anything else stalls, as does a feature request the firmware refuses.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sim/sim_mouse.h"

namespace halvric::sim::usb {

// The eight bytes of a control transfer's setup stage.
struct SetupPacket {
  uint8_t request_type = 0;
  uint8_t request = 0;
  uint16_t value = 0;
  uint16_t index = 0;
  uint16_t length = 0;

  static SetupPacket FromBytes(std::span<const uint8_t, 8> bytes);
  bool DeviceToHost() const { return (request_type & 0x80) != 0; }
};

// The outcome of a control transfer: stalled, or accepted with the data of its IN stage.
struct ControlResult {
  bool stalled = false;
  std::vector<uint8_t> data;
};

constexpr uint16_t kUsbVendorId = 0x0C45;

// What one interface of the device is.
struct UsbInterfaceSpec {
  int number = 0;
  uint8_t subclass = 0;  // 1 = boot interface
  uint8_t protocol = 0;  // 2 = mouse
  std::vector<uint8_t> report_descriptor;
  bool config_reports = false;  // its endpoint carries the reports of the configuration interface
};

std::vector<UsbInterfaceSpec> InterfacesFor(const ModelSpec& model);
std::vector<uint8_t> DeviceDescriptor(const ModelSpec& model);
std::vector<uint8_t> ConfigurationDescriptor(const ModelSpec& model);
// The whole string descriptor (length, type 3, payload); nullopt when the device has no such string.
std::optional<std::vector<uint8_t>> StringDescriptor(const ModelSpec& model, int index, uint16_t langid);

class UsbMouseDevice {
 public:
  explicit UsbMouseDevice(SimMouse& mouse);

  SimMouse& Mouse() { return mouse_; }
  const std::vector<UsbInterfaceSpec>& Interfaces() const { return interfaces_; }
  int Configuration() const { return configuration_; }

  // One control transfer on endpoint 0; `out` is the data of an OUT stage (host to device).
  ControlResult Control(const SetupPacket& setup, std::span<const uint8_t> out);

  // The interface whose interrupt IN endpoint `endpoint` (1, 2 ...) is; nullopt for another.
  std::optional<int> InterfaceOfEndpoint(int endpoint) const;
  // Waits up to `timeout_ms` for the next input report of that endpoint and copies it into
  // `buf` (report id first). Returns its length, 0 on time-out or cancel, -1 when the mouse is
  // unplugged or the endpoint carries no vendor reports and the mouse is gone.
  int ReadInterrupt(int endpoint, std::span<uint8_t> buf, int timeout_ms);

 private:
  ControlResult Standard(const SetupPacket& setup);
  ControlResult HidClass(const SetupPacket& setup, std::span<const uint8_t> out);
  const UsbInterfaceSpec* InterfaceAt(int number) const;

  SimMouse& mouse_;
  const std::vector<UsbInterfaceSpec> interfaces_;
  int configuration_ = 0;
  uint8_t idle_rate_ = 0;
  uint8_t protocol_ = 1;  // report protocol
};

}  // namespace halvric::sim::usb
