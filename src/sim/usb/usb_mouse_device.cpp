#include "sim/usb/usb_mouse_device.h"

#include <algorithm>
#include <initializer_list>
#include <string>

#include "sim/device_identity.h"

namespace halvric::sim::usb {
namespace {

constexpr uint8_t kDescDevice = 1;
constexpr uint8_t kDescConfiguration = 2;
constexpr uint8_t kDescString = 3;
constexpr uint8_t kDescInterface = 4;
constexpr uint8_t kDescEndpoint = 5;
constexpr uint8_t kDescHid = 0x21;
constexpr uint8_t kDescReport = 0x22;

constexpr uint8_t kReqGetStatus = 0;
constexpr uint8_t kReqClearFeature = 1;
constexpr uint8_t kReqSetFeature = 3;
constexpr uint8_t kReqGetDescriptor = 6;
constexpr uint8_t kReqGetConfiguration = 8;
constexpr uint8_t kReqSetConfiguration = 9;
constexpr uint8_t kReqGetInterface = 10;
constexpr uint8_t kReqSetInterface = 11;

constexpr uint8_t kHidGetReport = 1;
constexpr uint8_t kHidGetIdle = 2;
constexpr uint8_t kHidGetProtocol = 3;
constexpr uint8_t kHidSetReport = 9;
constexpr uint8_t kHidSetIdle = 10;
constexpr uint8_t kHidSetProtocol = 11;
constexpr uint8_t kFeatureReportType = 3;

constexpr uint16_t kLangEnglishUs = 0x0409;
constexpr uint8_t kMaxPacket = 64;

void Put16(std::vector<uint8_t>& v, uint16_t x) {
  v.push_back(static_cast<uint8_t>(x & 0xFF));
  v.push_back(static_cast<uint8_t>(x >> 8));
}

// Byte by byte: GCC 12 at -O3 warns falsely about vector::insert of a list after a growth.
void PutBytes(std::vector<uint8_t>& v, std::initializer_list<uint8_t> bytes) {
  for (const uint8_t b : bytes) v.push_back(b);
}

// The mouse collection: five buttons, X, Y and wheel as relative 8-bit values, and on
// short-report mice the 8-byte vendor feature report the configuration travels in.
std::vector<uint8_t> MouseCollection(bool with_feature) {
  std::vector<uint8_t> d = {
      0x05, 0x01,        // usage page: generic desktop
      0x09, 0x02,        // usage: mouse
      0xA1, 0x01,        // collection: application
      0x09, 0x01,        //   usage: pointer
      0xA1, 0x00,        //   collection: physical
      0x05, 0x09,        //     usage page: buttons
      0x19, 0x01,        //     usage minimum 1
      0x29, 0x05,        //     usage maximum 5
      0x15, 0x00,        //     logical minimum 0
      0x25, 0x01,        //     logical maximum 1
      0x95, 0x05,        //     report count 5
      0x75, 0x01,        //     report size 1
      0x81, 0x02,        //     input: data, variable, absolute
      0x95, 0x01,        //     report count 1
      0x75, 0x03,        //     report size 3
      0x81, 0x01,        //     input: constant (padding)
      0x05, 0x01,        //     usage page: generic desktop
      0x09, 0x30,        //     usage: X
      0x09, 0x31,        //     usage: Y
      0x09, 0x38,        //     usage: wheel
      0x15, 0x81,        //     logical minimum -127
      0x25, 0x7F,        //     logical maximum 127
      0x75, 0x08,        //     report size 8
      0x95, 0x03,        //     report count 3
      0x81, 0x06,        //     input: data, variable, relative
      0xC0,              //   end collection
  };
  if (with_feature) {
    const std::vector<uint8_t> feature = {
        0x06, 0x00, 0xFF,  // usage page: vendor 0xFF00
        0x09, 0x01,        // usage 1
        0x15, 0x00,        // logical minimum 0
        0x26, 0xFF, 0x00,  // logical maximum 255
        0x75, 0x08,        // report size 8
        0x95, 0x08,        // report count 8
        0xB1, 0x02,        // feature: data, variable, absolute
    };
    d.insert(d.end(), feature.begin(), feature.end());
  }
  d.push_back(0xC0);  // end collection
  return d;
}

// A vendor collection on `page` with usage 1: an input report and optionally a feature report
// of `bytes` data bytes each under report id `id`.
std::vector<uint8_t> VendorCollection(uint16_t page, uint8_t id, uint8_t bytes, bool with_feature) {
  std::vector<uint8_t> d = {
      0x06, static_cast<uint8_t>(page & 0xFF), static_cast<uint8_t>(page >> 8),  // usage page
      0x09, 0x01,        // usage 1
      0xA1, 0x01,        // collection: application
      0x85, id,          //   report id
      0x15, 0x00,        //   logical minimum 0
      0x26, 0xFF, 0x00,  //   logical maximum 255
      0x75, 0x08,        //   report size 8
      0x95, bytes,       //   report count
      0x09, 0x02,        //   usage 2
      0x81, 0x02,        //   input: data, variable, absolute
  };
  if (with_feature) {
    PutBytes(d, {0x95, bytes, 0x09, 0x03, 0xB1, 0x02});  // usage 3, feature
  }
  d.push_back(0xC0);
  return d;
}

// A string descriptor of UTF-16LE text (ASCII only here).
std::vector<uint8_t> TextString(std::string_view text) {
  std::vector<uint8_t> d = {static_cast<uint8_t>(2 + 2 * text.size()), kDescString};
  for (char c : text) {
    d.push_back(static_cast<uint8_t>(c));
    d.push_back(0);
  }
  return d;
}

ControlResult Stall() { return ControlResult{true, {}}; }

ControlResult Answer(std::vector<uint8_t> data, uint16_t length) {
  if (data.size() > length) data.resize(length);
  return ControlResult{false, std::move(data)};
}

}  // namespace

SetupPacket SetupPacket::FromBytes(std::span<const uint8_t, 8> b) {
  SetupPacket s;
  s.request_type = b[0];
  s.request = b[1];
  s.value = static_cast<uint16_t>(b[2] | (b[3] << 8));
  s.index = static_cast<uint16_t>(b[4] | (b[5] << 8));
  s.length = static_cast<uint16_t>(b[6] | (b[7] << 8));
  return s;
}

std::vector<UsbInterfaceSpec> InterfacesFor(const ModelSpec& model) {
  if (!model.long_reports) {
    const auto input_bytes = static_cast<uint8_t>(model.input_report_length - 1);
    return {
        {0, 1, 2, MouseCollection(true), false},
        {1, 0, 0, VendorCollection(0xFF23, model.input_report_id, input_bytes, false), false},
    };
  }
  const auto input_bytes = static_cast<uint8_t>(model.input_report_length - 1);
  return {
      {0, 1, 2, MouseCollection(false), false},
      {1, 0, 0, VendorCollection(0xFF18, 1, 63, true), true},
      {2, 0, 0, VendorCollection(0xFF23, model.input_report_id, input_bytes, false), false},
  };
}

std::vector<uint8_t> DeviceDescriptor(const ModelSpec& model) {
  std::vector<uint8_t> d = {18, kDescDevice};
  Put16(d, 0x0200);                   // USB 2.0
  PutBytes(d, {0, 0, 0, kMaxPacket});  // class in the interfaces; endpoint 0 packet size
  Put16(d, kUsbVendorId);
  Put16(d, model.product_id);
  Put16(d, static_cast<uint16_t>(0x0100 | (model.protocol_level & 0xFF)));  // device release
  PutBytes(d, {1, 2, 3, 1});    // manufacturer, product, serial number; one configuration
  return d;
}

std::vector<uint8_t> ConfigurationDescriptor(const ModelSpec& model) {
  const std::vector<UsbInterfaceSpec> interfaces = InterfacesFor(model);
  std::vector<uint8_t> d = {9, kDescConfiguration, 0, 0, static_cast<uint8_t>(interfaces.size()), 1, 0,
                            0xA0,   // bus powered, remote wake-up
                            50};    // 100 mA
  for (const UsbInterfaceSpec& i : interfaces) {
    PutBytes(d, {9, kDescInterface, static_cast<uint8_t>(i.number), 0, 1, 3, i.subclass, i.protocol, 0});
    PutBytes(d, {9, kDescHid, 0x11, 0x01, 0, 1, kDescReport});
    Put16(d, static_cast<uint16_t>(i.report_descriptor.size()));
    PutBytes(d, {7, kDescEndpoint, static_cast<uint8_t>(0x81 + i.number), 3});  // interrupt IN
    Put16(d, kMaxPacket);
    d.push_back(1);  // polled every millisecond
  }
  d[2] = static_cast<uint8_t>(d.size() & 0xFF);
  d[3] = static_cast<uint8_t>(d.size() >> 8);
  return d;
}

std::optional<std::vector<uint8_t>> StringDescriptor(const ModelSpec& model, int index, uint16_t langid) {
  if (index == 0) {
    std::vector<uint8_t> d = {4, kDescString};
    Put16(d, kLangEnglishUs);
    return d;
  }
  (void)langid;  // one language: every language id gets the same strings
  switch (index) {
    case 1:
      return TextString("Halvric");
    case 2:
      return TextString(model.product_name);
    case 3: {
      char serial[16];
      const char* hex = "0123456789ABCDEF";
      serial[0] = 'S';
      for (int k = 0; k < 4; ++k) serial[1 + k] = hex[(model.product_id >> (12 - 4 * k)) & 0xF];
      return TextString(std::string_view(serial, 5));
    }
    default:
      break;
  }
  const std::vector<uint8_t> payload = IndexedStringPayload(model, index);
  if (payload.empty() || payload.size() > 253) return std::nullopt;
  std::vector<uint8_t> d = {static_cast<uint8_t>(2 + payload.size()), kDescString};
  d.insert(d.end(), payload.begin(), payload.end());
  return d;
}

UsbMouseDevice::UsbMouseDevice(SimMouse& mouse) : mouse_(mouse), interfaces_(InterfacesFor(mouse.Model())) {}

const UsbInterfaceSpec* UsbMouseDevice::InterfaceAt(int number) const {
  for (const UsbInterfaceSpec& i : interfaces_) {
    if (i.number == number) return &i;
  }
  return nullptr;
}

std::optional<int> UsbMouseDevice::InterfaceOfEndpoint(int endpoint) const {
  if (InterfaceAt(endpoint - 1) == nullptr) return std::nullopt;
  return endpoint - 1;
}

ControlResult UsbMouseDevice::Control(const SetupPacket& setup, std::span<const uint8_t> out) {
  if (mouse_.Unplugged()) return Stall();
  const uint8_t type = (setup.request_type >> 5) & 3;
  if (type == 0) return Standard(setup);
  if (type == 1 && (setup.request_type & 0x1F) == 1) return HidClass(setup, out);
  return Stall();
}

ControlResult UsbMouseDevice::Standard(const SetupPacket& s) {
  const uint8_t recipient = s.request_type & 0x1F;
  switch (s.request) {
    case kReqGetDescriptor: {
      const uint8_t kind = static_cast<uint8_t>(s.value >> 8);
      const uint8_t index = static_cast<uint8_t>(s.value & 0xFF);
      const ModelSpec& m = mouse_.Model();
      if (recipient == 0 && kind == kDescDevice) return Answer(DeviceDescriptor(m), s.length);
      if (recipient == 0 && kind == kDescConfiguration && index == 0) {
        return Answer(ConfigurationDescriptor(m), s.length);
      }
      if (recipient == 0 && kind == kDescString) {
        auto d = StringDescriptor(m, index, s.index);
        if (!d) return Stall();
        return Answer(std::move(*d), s.length);
      }
      if (recipient == 1) {
        const UsbInterfaceSpec* i = InterfaceAt(s.index);
        if (i == nullptr) return Stall();
        if (kind == kDescReport) return Answer(i->report_descriptor, s.length);
        if (kind == kDescHid) {
          std::vector<uint8_t> d = {9, kDescHid, 0x11, 0x01, 0, 1, kDescReport};
          Put16(d, static_cast<uint16_t>(i->report_descriptor.size()));
          return Answer(std::move(d), s.length);
        }
      }
      return Stall();
    }
    case kReqGetStatus:
      return Answer({0, 0}, s.length);
    case kReqSetConfiguration:
      if (s.value > 1) return Stall();
      configuration_ = s.value;
      return {};
    case kReqGetConfiguration:
      return Answer({static_cast<uint8_t>(configuration_)}, s.length);
    case kReqSetInterface:
      if (InterfaceAt(s.index) == nullptr || s.value != 0) return Stall();
      return {};
    case kReqGetInterface:
      if (InterfaceAt(s.index) == nullptr) return Stall();
      return Answer({0}, s.length);
    case kReqClearFeature:
    case kReqSetFeature:
      return {};
    default:
      return Stall();
  }
}

ControlResult UsbMouseDevice::HidClass(const SetupPacket& s, std::span<const uint8_t> out) {
  const UsbInterfaceSpec* iface = InterfaceAt(s.index & 0xFF);
  if (iface == nullptr) return Stall();
  const ModelSpec& m = mouse_.Model();
  const uint8_t report_type = static_cast<uint8_t>(s.value >> 8);
  const uint8_t report_id = static_cast<uint8_t>(s.value & 0xFF);
  // Only the configuration interface has feature reports: interface 0 of short-report mice
  // (no report id), interface 1 of long-report mice (report id 1).
  const bool feature_interface = m.long_reports ? iface->number == 1 : iface->number == 0;
  const uint8_t feature_id = m.long_reports ? 1 : 0;
  const size_t feature_bytes = m.long_reports ? 64 : 9;  // as the firmware counts: id byte first
  switch (s.request) {
    case kHidSetIdle:
      idle_rate_ = static_cast<uint8_t>(s.value >> 8);
      return {};
    case kHidGetIdle:
      return Answer({idle_rate_}, s.length);
    case kHidSetProtocol:
      protocol_ = static_cast<uint8_t>(s.value & 1);
      return {};
    case kHidGetProtocol:
      return Answer({protocol_}, s.length);
    case kHidGetReport: {
      if (report_type != kFeatureReportType || !feature_interface || report_id != feature_id) return Stall();
      std::vector<uint8_t> report(feature_bytes, 0);
      report[0] = feature_id;
      if (!mouse_.WireGetFeature(report)) return Stall();
      // Without report ids the id byte is not on the wire.
      if (feature_id == 0) report.erase(report.begin());
      return Answer(std::move(report), s.length);
    }
    case kHidSetReport: {
      if (report_type != kFeatureReportType || !feature_interface || report_id != feature_id) return Stall();
      std::vector<uint8_t> report;
      if (feature_id == 0) report.push_back(0);
      report.insert(report.end(), out.begin(), out.end());
      if (!mouse_.WireSetFeature(report)) return Stall();
      return {};
    }
    default:
      return Stall();
  }
}

int UsbMouseDevice::ReadInterrupt(int endpoint, std::span<uint8_t> buf, int timeout_ms) {
  const std::optional<int> number = InterfaceOfEndpoint(endpoint);
  if (!number) return -1;
  const UsbInterfaceSpec& iface = *InterfaceAt(*number);
  const ModelSpec& m = mouse_.Model();
  const bool input_interface = *number == (m.long_reports ? 2 : 1);
  if (input_interface) return mouse_.WireReadInput(buf, timeout_ms, false);
  if (iface.config_reports) return mouse_.WireReadInput(buf, timeout_ms, true);
  return mouse_.WireWaitIdle(timeout_ms);
}

}  // namespace halvric::sim::usb
