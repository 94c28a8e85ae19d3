// The simulated mouse as a USB device: its descriptors read by the host's own report-descriptor
// parser must give what the host expects of each interface, its control requests must reach the
// firmware, and the USB/IP server must answer the kernel's messages over a socket.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <thread>

#include "platform/report_descriptor.h"
#include "sim/device_identity.h"
#include "sim/sim_hid_backend.h"
#include "sim/usb/usb_mouse_device.h"
#include "sim/usb/usbip_protocol.h"
#include "sim/usb/usbip_server.h"

namespace halvric::sim::usb {
namespace {

SetupPacket Req(uint8_t type, uint8_t request, uint16_t value, uint16_t index, uint16_t length) {
  return SetupPacket{type, request, value, index, length};
}

// Each model's interfaces, as the host's parser reads their report descriptors, are what the
// in-process simulated backend (and so the host's identification) expects.
TEST(UsbMouseDevice, ReportDescriptorsGiveTheInterfacesTheHostExpects) {
  for (const std::string& name : ModelNames()) {
    SCOPED_TRACE(name);
    const ModelSpec& model = *FindModel(name);
    SimHidBackend backend(name);
    const std::vector<HidInterfaceInfo> expected = backend.InterfacesOf(0);
    const std::vector<UsbInterfaceSpec> interfaces = InterfacesFor(model);
    ASSERT_EQ(interfaces.size(), expected.size());
    for (size_t i = 0; i < interfaces.size(); ++i) {
      const ReportDescriptorSummary summary = ParseReportDescriptor(interfaces[i].report_descriptor);
      ASSERT_TRUE(summary.ok()) << summary.error;
      const TopLevelCollection* primary = PrimaryCollection(summary);
      ASSERT_NE(primary, nullptr);
      EXPECT_EQ(interfaces[i].number, expected[i].interface_number);
      EXPECT_EQ(primary->usage_page, expected[i].usage_page);
      EXPECT_EQ(primary->usage, expected[i].usage);
      EXPECT_EQ(FeatureReportLength(*primary), expected[i].feature_report_length);
      // The mouse collection goes without report ids (hidraw then puts a 0 in front), the vendor
      // collections use them.
      EXPECT_EQ(summary.uses_report_ids, i != 0);
      if (primary->usage_page == 0xFF23) {
        ASSERT_EQ(primary->reports.size(), 1u);
        EXPECT_EQ(primary->reports[0].report_id, model.input_report_id);
        EXPECT_EQ(primary->reports[0].input_bytes + 1, static_cast<int>(model.input_report_length));
      }
      if (primary->usage_page == 0xFF18) {
        EXPECT_EQ(primary->MaxInputBytes(), 63);
      }
    }
  }
}

// The configuration descriptor, walked as the kernel walks it.
TEST(UsbMouseDevice, ConfigurationDescriptorHoldsEachInterfaceWithItsHidDescriptorAndEndpoint) {
  for (const char* name : {"level0", "level11"}) {
    SCOPED_TRACE(name);
    const ModelSpec& model = *FindModel(name);
    const std::vector<uint8_t> d = ConfigurationDescriptor(model);
    ASSERT_GE(d.size(), 9u);
    EXPECT_EQ(d[2] | (d[3] << 8), static_cast<int>(d.size()));
    const auto interfaces = InterfacesFor(model);
    EXPECT_EQ(d[4], interfaces.size());
    size_t at = d[0];
    int seen = 0;
    while (at < d.size()) {
      ASSERT_GE(d[at], 2);
      ASSERT_LE(at + d[at], d.size());
      if (d[at + 1] == 4) {
        const int n = d[at + 2];
        EXPECT_EQ(d[at + 5], 3);  // HID class
        const std::vector<uint8_t>& rd = interfaces[static_cast<size_t>(n)].report_descriptor;
        const size_t hid = at + d[at];
        ASSERT_EQ(d[hid + 1], 0x21);
        EXPECT_EQ(d[hid + 7] | (d[hid + 8] << 8), static_cast<int>(rd.size()));
        const size_t ep = hid + d[hid];
        ASSERT_EQ(d[ep + 1], 5);
        EXPECT_EQ(d[ep + 2], 0x81 + n);
        EXPECT_EQ(d[ep + 3], 3);  // interrupt
        ++seen;
      }
      at += d[at];
    }
    EXPECT_EQ(seen, static_cast<int>(interfaces.size()));
    const std::vector<uint8_t> dev = DeviceDescriptor(model);
    ASSERT_EQ(dev.size(), 18u);
    EXPECT_EQ(dev[8] | (dev[9] << 8), 0x0C45);
    EXPECT_EQ(dev[10] | (dev[11] << 8), model.product_id);
  }
}

TEST(UsbMouseDevice, StringDescriptorsCarryTheIdentificationPayloadAsRawBytes) {
  for (const char* name : {"level0", "level5", "level11"}) {
    SCOPED_TRACE(name);
    const ModelSpec& model = *FindModel(name);
    for (int index : {198, 199}) {
      const auto d = StringDescriptor(model, index, 0x0409);
      ASSERT_TRUE(d.has_value());
      const std::vector<uint8_t> payload = IndexedStringPayload(model, index);
      ASSERT_EQ(d->size(), payload.size() + 2);
      EXPECT_EQ((*d)[0], d->size());
      EXPECT_EQ((*d)[1], 3);
      EXPECT_TRUE(std::equal(payload.begin(), payload.end(), d->begin() + 2));
    }
    EXPECT_EQ(*StringDescriptor(model, 0, 0), (std::vector<uint8_t>{4, 3, 0x09, 0x04}));
    EXPECT_FALSE(StringDescriptor(model, 150, 0x0409).has_value());
  }
}

// GET_REPORT / SET_REPORT of feature reports reach the firmware as hidraw would frame them:
// without the id byte on a short mouse, with report id 1 on a long one.
TEST(UsbMouseDevice, FeatureReportsReachTheFirmwareAndWrongOnesStall) {
  {
    SimMouse mouse(*FindModel("level0"));
    UsbMouseDevice dev(mouse);
    // Status request 00 00 .. 12 (bytes 1-8 on the wire, checksum in the last).
    std::vector<uint8_t> req = {0x00, 0x00, 0, 0, 0, 0, 0, 0x12};
    req[7] = 0;
    uint8_t x = 0;
    for (int i = 0; i < 7; ++i) x ^= req[static_cast<size_t>(i)];
    req[7] = x;
    const int before = mouse.RequestCount();
    EXPECT_FALSE(dev.Control(Req(0x21, 9, 0x0300, 0, 8), req).stalled);
    EXPECT_EQ(mouse.RequestCount(), before + 1);
    ControlResult r = dev.Control(Req(0xA1, 1, 0x0300, 0, 8), {});
    ASSERT_FALSE(r.stalled);
    EXPECT_EQ(r.data.size(), 8u);
    // Feature requests on the input interface, of an input report, or of another id stall.
    EXPECT_TRUE(dev.Control(Req(0xA1, 1, 0x0300, 1, 8), {}).stalled);
    EXPECT_TRUE(dev.Control(Req(0xA1, 1, 0x0100, 0, 8), {}).stalled);
    EXPECT_TRUE(dev.Control(Req(0xA1, 1, 0x0301, 0, 8), {}).stalled);
    // A request of the wrong length is refused by the firmware: the transfer stalls.
    EXPECT_TRUE(dev.Control(Req(0x21, 9, 0x0300, 0, 7), std::vector<uint8_t>(7, 0)).stalled);
    mouse.SetUnplugged(true);
    EXPECT_TRUE(dev.Control(Req(0x80, 6, 0x0100, 0, 18), {}).stalled);
  }
  {
    SimMouse mouse(*FindModel("level11"));
    UsbMouseDevice dev(mouse);
    ControlResult r = dev.Control(Req(0xA1, 1, 0x0301, 1, 64), {});
    ASSERT_FALSE(r.stalled);
    ASSERT_EQ(r.data.size(), 64u);
    EXPECT_EQ(r.data[0], 1);
    EXPECT_TRUE(dev.Control(Req(0xA1, 1, 0x0301, 0, 64), {}).stalled);  // mouse collection
    EXPECT_TRUE(dev.Control(Req(0xA1, 1, 0x0301, 2, 64), {}).stalled);  // input interface
    // Standard requests: the short reads of enumeration, configuration, the report descriptor.
    EXPECT_EQ(dev.Control(Req(0x80, 6, 0x0100, 0, 8), {}).data.size(), 8u);
    EXPECT_FALSE(dev.Control(Req(0x00, 9, 1, 0, 0), {}).stalled);
    EXPECT_EQ(dev.Configuration(), 1);
    EXPECT_EQ(dev.Control(Req(0x81, 6, 0x2200, 1, 512), {}).data, dev.Interfaces()[1].report_descriptor);
    EXPECT_FALSE(dev.Control(Req(0x21, 10, 0, 1, 0), {}).stalled);  // SET_IDLE
    EXPECT_TRUE(dev.Control(Req(0x40, 1, 0, 0, 0), {}).stalled);     // vendor request
  }
}

TEST(UsbMouseDevice, InterruptEndpointsDeliverTheInputReportsOfTheirInterface) {
  SimMouse mouse(*FindModel("level0"));
  UsbMouseDevice dev(mouse);
  std::array<uint8_t, 64> buf{};
  EXPECT_EQ(dev.ReadInterrupt(2, buf, 0), 0);
  mouse.PressDpiButton(3);
  const int n = dev.ReadInterrupt(2, buf, 1000);
  ASSERT_EQ(n, 16);
  EXPECT_EQ(buf[0], 11);  // report id first, as on the wire
  EXPECT_EQ(buf[1], 12);  // status report
  EXPECT_FALSE(dev.InterfaceOfEndpoint(3).has_value());
  EXPECT_EQ(dev.ReadInterrupt(3, buf, 0), -1);
}

TEST(UsbipProtocol, HeadersAreBigEndianFieldsAtTheirOffsets) {
  UsbipHeader h;
  h.command = UsbipCommand::kCmdSubmit;
  h.seqnum = 0x01020304;
  h.devid = 0x00010002;
  h.direction = kUsbipDirIn;
  h.endpoint = 0;
  h.transfer_buffer_length = 64;
  h.setup = {0xA1, 0x01, 0x01, 0x03, 0x01, 0x00, 0x40, 0x00};
  const auto b = EncodeUsbipHeader(h);
  EXPECT_EQ(b[3], 1);
  EXPECT_EQ(b[4], 0x01);
  EXPECT_EQ(b[7], 0x04);
  EXPECT_EQ(b[15], 1);
  EXPECT_EQ(b[27], 64);
  EXPECT_EQ(b[40], 0xA1);
  EXPECT_EQ(b[47], 0x00);
  UsbipHeader back;
  ASSERT_TRUE(DecodeUsbipHeader(b, back));
  EXPECT_EQ(back.seqnum, h.seqnum);
  EXPECT_EQ(back.setup, h.setup);
  EXPECT_EQ(back.transfer_buffer_length, 64);

  const UsbipHeader ret = RetSubmitFor(back, kStatusStalled, 0);
  const auto rb = EncodeUsbipHeader(ret);
  EXPECT_EQ(rb[3], 3);
  EXPECT_EQ(rb[8] | rb[9] | rb[10] | rb[11], 0);  // device id, direction, endpoint are zero
  UsbipHeader rback;
  ASSERT_TRUE(DecodeUsbipHeader(rb, rback));
  EXPECT_EQ(rback.status, -32);

  std::array<uint8_t, kUsbipHeaderBytes> junk{};
  junk[3] = 9;
  EXPECT_FALSE(DecodeUsbipHeader(junk, back));
}

TEST(VhciStatus, TheFirstFreePortOfTheHighSpeedHubIsChosen) {
  const std::string status =
      "hub port sta spd dev      sockfd local_busid\n"
      "hs  0000 006 002 00010002 000003 1-1\n"
      "hs  0001 004 000 00000000 000000 0-0\n"
      "ss  0008 004 000 00000000 000000 0-0\n";
  EXPECT_EQ(FreeHighSpeedHubPort(status), 1);
  EXPECT_EQ(FreeHighSpeedHubPort("hub port sta spd dev      sockfd local_busid\n"
                                 "ss  0008 004 000 00000000 000000 0-0\n"),
            -1);
}

// The server side of USB/IP against a stand-in for the kernel on the other end of a socket pair.
class UsbipConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds_), 0);
    connection_ = std::make_unique<UsbipConnection>(mouse_, fds_[0]);
    connection_->Start();
    timeval tv{5, 0};
    setsockopt(fds_[1], SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  }
  void TearDown() override {
    connection_.reset();
    close(fds_[1]);
  }
  void Submit(uint32_t seq, uint32_t ep, uint32_t dir, int32_t len, std::array<uint8_t, 8> setup,
              const std::vector<uint8_t>& data = {}) {
    UsbipHeader h;
    h.seqnum = seq;
    h.endpoint = ep;
    h.direction = dir;
    h.transfer_buffer_length = len;
    h.setup = setup;
    const auto b = EncodeUsbipHeader(h);
    ASSERT_EQ(write(fds_[1], b.data(), b.size()), static_cast<ssize_t>(b.size()));
    if (!data.empty()) {
      ASSERT_EQ(write(fds_[1], data.data(), data.size()), static_cast<ssize_t>(data.size()));
    }
  }
  void Unlink(uint32_t seq, uint32_t victim) {
    UsbipHeader h;
    h.command = UsbipCommand::kCmdUnlink;
    h.seqnum = seq;
    h.unlink_seqnum = victim;
    const auto b = EncodeUsbipHeader(h);
    ASSERT_EQ(write(fds_[1], b.data(), b.size()), static_cast<ssize_t>(b.size()));
  }
  // Data follows a RET_SUBMIT only for an IN transfer (`data` given).
  UsbipHeader Receive(std::vector<uint8_t>* data = nullptr) {
    std::array<uint8_t, kUsbipHeaderBytes> b{};
    size_t got = 0;
    while (got < b.size()) {
      const ssize_t r = read(fds_[1], b.data() + got, b.size() - got);
      if (r <= 0) return UsbipHeader{};
      got += static_cast<size_t>(r);
    }
    UsbipHeader h;
    EXPECT_TRUE(DecodeUsbipHeader(b, h));
    if (data != nullptr && h.command == UsbipCommand::kRetSubmit && h.actual_length > 0) {
      std::vector<uint8_t> d(static_cast<size_t>(h.actual_length));
      size_t n = 0;
      while (n < d.size()) {
        const ssize_t r = read(fds_[1], d.data() + n, d.size() - n);
        if (r <= 0) break;
        n += static_cast<size_t>(r);
      }
      *data = d;
    }
    return h;
  }

  SimMouse mouse_{*FindModel("level11")};
  int fds_[2] = {-1, -1};
  std::unique_ptr<UsbipConnection> connection_;
};

TEST_F(UsbipConnectionTest, ControlTransfersAreAnsweredInOrderWithTheirData) {
  Submit(1, 0, kUsbipDirIn, 18, {0x80, 6, 0, 1, 0, 0, 18, 0});
  std::vector<uint8_t> data;
  UsbipHeader r = Receive(&data);
  EXPECT_EQ(r.command, UsbipCommand::kRetSubmit);
  EXPECT_EQ(r.seqnum, 1u);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(data, DeviceDescriptor(mouse_.Model()));
  // A SET_REPORT whose data follows the header; the answer carries no data.
  std::vector<uint8_t> report(64, 0);
  report[0] = 1;
  report[1] = 0x7E;  // unknown command: the firmware answers with its error answer, not a stall
  for (int i = 1; i < 63; ++i) report[63] ^= report[static_cast<size_t>(i)];
  Submit(2, 0, kUsbipDirOut, 64, {0x21, 9, 1, 3, 1, 0, 64, 0}, report);
  r = Receive();
  EXPECT_EQ(r.seqnum, 2u);
  EXPECT_EQ(r.actual_length, 64);
  Submit(3, 0, kUsbipDirIn, 64, {0xA1, 1, 1, 3, 2, 0, 64, 0});  // feature of the input interface
  r = Receive(&data);
  EXPECT_EQ(r.seqnum, 3u);
  EXPECT_EQ(r.status, kStatusStalled);
}

TEST_F(UsbipConnectionTest, InterruptTransfersWaitForReportsAndUnlinkCancelsThem) {
  Submit(10, 3, kUsbipDirIn, 64, {});
  Unlink(11, 10);
  UsbipHeader r = Receive();
  EXPECT_EQ(r.command, UsbipCommand::kRetUnlink);
  EXPECT_EQ(r.seqnum, 11u);
  EXPECT_EQ(r.status, kStatusUnlinked);
  Unlink(12, 10);  // no longer pending
  r = Receive();
  EXPECT_EQ(r.command, UsbipCommand::kRetUnlink);
  EXPECT_EQ(r.status, 0);

  Submit(13, 3, kUsbipDirIn, 64, {});
  mouse_.PressDpiButton(2);
  std::vector<uint8_t> data;
  r = Receive(&data);
  EXPECT_EQ(r.command, UsbipCommand::kRetSubmit);
  EXPECT_EQ(r.seqnum, 13u);
  ASSERT_EQ(data.size(), 64u);
  EXPECT_EQ(data[0], 1);
  EXPECT_EQ(data[1], 12);
}

}  // namespace
}  // namespace halvric::sim::usb
