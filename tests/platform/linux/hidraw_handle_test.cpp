#include "platform/linux/hidraw_handle.h"

#include <array>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/linux/hidraw_backend.h"
#include "platform/linux/usb_string_descriptor.h"

namespace halvric::linux_hid {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(HidrawFraming, FeatureAnswerKeepsReportIdAndZeroesWhatWasNotSent) {
  // The kernel wrote the device's report id (1) and 4 bytes; the rest of the buffer held junk.
  Bytes buf = {0x01, 0xAA, 0xBB, 0xCC, 0x77, 0x77, 0x77};
  EXPECT_TRUE(FinishFeatureAnswer(buf, 1, 4));
  EXPECT_EQ(buf, (Bytes{0x01, 0xAA, 0xBB, 0xCC, 0, 0, 0}));
  // No report ids: byte 0 must read 0 whatever the transport left there.
  buf = {0x55, 0x81, 0x02, 0x03};
  EXPECT_TRUE(FinishFeatureAnswer(buf, 0, 4));
  EXPECT_EQ(buf, (Bytes{0x00, 0x81, 0x02, 0x03}));
  EXPECT_FALSE(FinishFeatureAnswer(buf, 0, 0));
}

TEST(HidrawFraming, InputReportsCarryAReportIdByte) {
  std::array<uint8_t, 4> out{};
  EXPECT_EQ(FrameInputReport(Bytes{0x10, 0x20}, false, out), 3);
  EXPECT_EQ(out, (std::array<uint8_t, 4>{0x00, 0x10, 0x20, 0x00}));
  EXPECT_EQ(FrameInputReport(Bytes{0x05, 0x10, 0x20}, true, out), 3);
  EXPECT_EQ(out[0], 0x05);
  EXPECT_EQ(FrameInputReport(Bytes{1, 2, 3, 4, 5, 6}, false, out), 4);  // cut to the buffer
  EXPECT_EQ(out, (std::array<uint8_t, 4>{0, 1, 2, 3}));
}

TEST(UsbStringDescriptor, PayloadIsBoundedByLengthFieldAndReceivedBytes) {
  std::array<uint8_t, 8> out;
  out.fill(0xEE);
  EXPECT_EQ(CopyStringDescriptorPayload(Bytes{0x08, 0x03, 'A', 0, 'R', 0, 'G', 0, 0x99}, out), 6);
  EXPECT_EQ(out, (std::array<uint8_t, 8>{'A', 0, 'R', 0, 'G', 0, 0, 0}));
  EXPECT_EQ(CopyStringDescriptorPayload(Bytes{0xFF, 0x03, 1, 2, 3}, out), 3);  // short transfer
  EXPECT_EQ(out, (std::array<uint8_t, 8>{1, 2, 3, 0, 0, 0, 0, 0}));
  std::array<uint8_t, 2> small{};
  EXPECT_EQ(CopyStringDescriptorPayload(Bytes{0x06, 0x03, 1, 2, 3, 4}, small), 2);
  EXPECT_EQ(CopyStringDescriptorPayload(Bytes{0x06, 0x02, 1, 2, 3, 4}, out), -1);  // not a string
  EXPECT_EQ(CopyStringDescriptorPayload(Bytes{0x06}, out), -1);
  EXPECT_EQ(out, (std::array<uint8_t, 8>{}));
}

// Input reports through a handle over a pipe, which polls and reads like a hidraw node.
class PipeHandle : public ::testing::Test {
 protected:
  void SetUp() override {
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC | O_NONBLOCK), 0);
    write_end_ = fds[1];
    HidInterfaceInfo info;
    info.path = "/dev/hidraw7";
    handle_ = std::make_unique<HidrawHandle>(fds[0], info, false, std::nullopt);
  }
  void TearDown() override {
    handle_.reset();
    if (write_end_ >= 0) ::close(write_end_);
  }
  int write_end_ = -1;
  std::unique_ptr<HidrawHandle> handle_;
};

TEST_F(PipeHandle, ReadInputTimesOutDeliversAndReportsTheEnd) {
  std::array<uint8_t, 16> buf{};
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(handle_->ReadInput(buf, 30), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(25));

  const uint8_t report[] = {0x04, 0x02, 0x01};
  ASSERT_EQ(::write(write_end_, report, sizeof report), 3);
  EXPECT_EQ(handle_->ReadInput(buf, 1000), 4);
  EXPECT_EQ(buf[0], 0);
  EXPECT_EQ(buf[1], 0x04);
  EXPECT_EQ(buf[3], 0x01);

  // Without a device behind it, neither feature nor string requests succeed.
  EXPECT_FALSE(handle_->GetFeature(buf));
  EXPECT_FALSE(handle_->IndexedString(199, buf));
  EXPECT_EQ(buf, (std::array<uint8_t, 16>{}));

  ::close(write_end_);
  write_end_ = -1;
  EXPECT_EQ(handle_->ReadInput(buf, 1000), -1);
}

TEST_F(PipeHandle, CancelIoEndsAWaitingReadOnly) {
  handle_->CancelIo();  // nothing pending: the next read still waits for its time-out
  std::array<uint8_t, 8> buf{};
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(handle_->ReadInput(buf, 30), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(25));

  std::jthread canceller([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    handle_->CancelIo();
  });
  const auto t1 = std::chrono::steady_clock::now();
  EXPECT_EQ(handle_->ReadInput(buf, -1), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - t1, std::chrono::seconds(5));
}

TEST(LinuxHidBackend, EnumerateListsTheNodesOfThisMachine) {
  size_t nodes = 0;
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator("/sys/class/hidraw", ec);
       !ec && it != std::filesystem::directory_iterator(); ++it) {
    ++nodes;
  }
  LinuxHidBackend backend;
  const auto list = backend.Enumerate();
  EXPECT_LE(list.size(), nodes);
  if (nodes == 0) {
    EXPECT_TRUE(list.empty());
  }
  for (const auto& info : list) EXPECT_EQ(info.path.rfind("/dev/hidraw", 0), 0u) << info.path;
}

TEST(LinuxHidBackend, OpenRefusesWhatIsNotAHidrawNode) {
  LinuxHidBackend backend;
  std::string error;
  EXPECT_EQ(backend.Open("/dev/hidraw-halvric-none", &error), nullptr);
  EXPECT_EQ(error, "no such device");
  EXPECT_EQ(backend.Open("/dev/null", &error), nullptr);
  EXPECT_EQ(error, "not a hidraw device");
  EXPECT_EQ(backend.Open("/dev/null"), nullptr);  // no error sink
}

}  // namespace
}  // namespace halvric::linux_hid
