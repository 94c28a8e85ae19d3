#include "platform/linux/hidraw_attributes.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace halvric::linux_hid {
namespace {

namespace fs = std::filesystem;

TEST(HidrawAttributes, AttributeStrings) {
  const auto id = ParseHidId("0003:00000C45:00007040\n");
  ASSERT_TRUE(id.has_value());
  EXPECT_EQ(id->bus, 3);
  EXPECT_EQ(id->vendor_id, 0x0C45);
  EXPECT_EQ(id->product_id, 0x7040);
  EXPECT_FALSE(ParseHidId("0003:00000C45").has_value());
  EXPECT_FALSE(ParseHidId("0003:0000ZC45:00007040").has_value());
  EXPECT_FALSE(ParseHidId("0003:00010C45:00007040").has_value());  // does not fit 16 bits
  EXPECT_FALSE(ParseHidId("0003::00007040").has_value());

  const std::string uevent = "DRIVER=hid-generic\nHID_ID=0003:00000C45:00007040\nHID_NAME=Mouse\n"
                             "HID_PHYS=usb-0000:00:14.0-1/input1\nHID_PHYS_EXTRA=x\n";
  EXPECT_EQ(UeventValue(uevent, "HID_ID"), "0003:00000C45:00007040");
  EXPECT_EQ(UeventValue(uevent, "HID_PHYS"), "usb-0000:00:14.0-1/input1");  // not HID_PHYS_EXTRA
  EXPECT_FALSE(UeventValue(uevent, "HID").has_value());

  EXPECT_EQ(InterfaceNumberFromPhys("usb-0000:00:14.0-1/input1"), 1);
  EXPECT_EQ(InterfaceNumberFromPhys("usb-0000:00:14.0-1.4/input12\n"), 12);
  EXPECT_EQ(InterfaceNumberFromPhys("usb-0000:00:14.0-1"), -1);
  EXPECT_EQ(InterfaceNumberFromPhys("usb-0000:00:14.0-1/input"), -1);
  EXPECT_EQ(InterfaceNumberFromPhys("usb-0000:00:14.0-1/inputx"), -1);

  EXPECT_EQ(ParseInterfaceNumberAttribute("01\n"), 1);
  EXPECT_EQ(ParseInterfaceNumberAttribute("0a\n"), 10);  // sysfs prints it in hexadecimal
  EXPECT_EQ(ParseInterfaceNumberAttribute(""), -1);
}

// A tree laid out like sysfs: a USB device with one interface, a hid device below it and its
// hidraw node, reachable through class/hidraw/hidrawN as on a real system.
class SysfsFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("halvric_sysfs_" + std::to_string(::getpid()) + "_" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    usb_device_ = root_ / "devices/pci0000:00/0000:00:14.0/usb1/1-1";
    interface_ = usb_device_ / "1-1:1.1";
    hid_ = interface_ / "0003:0C45:7040.0002";
    const fs::path node = hid_ / "hidraw/hidraw3";
    fs::create_directories(node);
    fs::create_directory_symlink("../..", node / "device");
    fs::create_directories(root_ / "class/hidraw");
    fs::create_directory_symlink(node, ClassDir());
    Write(usb_device_ / "busnum", "1\n");
    Write(usb_device_ / "devnum", "7\n");
    Write(interface_ / "bInterfaceNumber", "01\n");
    Write(hid_ / "uevent", "DRIVER=hid-generic\nHID_ID=0003:00000C45:00007040\nHID_NAME=Mouse\n"
                           "HID_PHYS=usb-0000:00:14.0-1/input2\n");
    // Vendor collection 0xFF18 / 1, report id 1, 63-byte feature report.
    Write(hid_ / "report_descriptor",
          std::string("\x06\x18\xFF\x09\x01\xA1\x01\x85\x01\x09\x01\x15\x00\x26\xFF\x00\x75\x08\x95\x3F\xB1\x02\xC0",
                      23));
  }
  void TearDown() override { fs::remove_all(root_); }

  static void Write(const fs::path& file, const std::string& content) {
    std::ofstream(file, std::ios::binary) << content;
  }
  fs::path ClassDir() const { return root_ / "class/hidraw/hidraw3"; }

  fs::path root_, usb_device_, interface_, hid_;
};

TEST_F(SysfsFixture, ReadsTheInterfaceRecordThroughTheDeviceLink) {
  const auto info = ReadHidrawInfo("/dev/hidraw3", ClassDir());
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(info->path, "/dev/hidraw3");
  EXPECT_EQ(info->vendor_id, 0x0C45);
  EXPECT_EQ(info->product_id, 0x7040);
  EXPECT_EQ(info->interface_number, 1);  // bInterfaceNumber wins over HID_PHYS
  EXPECT_EQ(info->usage_page, 0xFF18);
  EXPECT_EQ(info->usage, 1);
  EXPECT_EQ(info->feature_report_length, 64);

  const auto usb = ReadUsbLocation(usb_device_);
  ASSERT_TRUE(usb.has_value());
  EXPECT_EQ(usb->bus, 1);
  EXPECT_EQ(usb->address, 7);
}

TEST_F(SysfsFixture, FallsBackToThePhysTailWithoutAUsbInterface) {
  fs::remove(interface_ / "bInterfaceNumber");
  const auto info = ReadHidrawInfo("/dev/HIDRAW3", ClassDir());
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(info->path, "/dev/hidraw3");
  EXPECT_EQ(info->interface_number, 2);
}

TEST_F(SysfsFixture, DamagedAttributes) {
  // Garbage descriptor: the node is still listed, but with nothing the device layer accepts.
  Write(hid_ / "report_descriptor", std::string("\xA1\x01\x06\x18", 4));
  auto info = ReadHidrawInfo("/dev/hidraw3", ClassDir());
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(info->feature_report_length, 0);

  fs::remove(hid_ / "report_descriptor");
  info = ReadHidrawInfo("/dev/hidraw3", HidrawSysfsDirs{hid_, interface_});
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(info->usage_page, 0);
  EXPECT_EQ(info->interface_number, 1);

  Write(hid_ / "uevent", "DRIVER=hid-generic\nHID_NAME=Mouse\n");
  EXPECT_FALSE(ReadHidrawInfo("/dev/hidraw3", ClassDir()).has_value());
  EXPECT_FALSE(ReadHidrawInfo("/dev/hidraw3", root_ / "class/hidraw/hidraw9").has_value());

  Write(usb_device_ / "devnum", "seven\n");
  EXPECT_FALSE(ReadUsbLocation(usb_device_).has_value());
}

}  // namespace
}  // namespace halvric::linux_hid
