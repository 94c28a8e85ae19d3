#include <gtest/gtest.h>

#include "platform/linux/libinput_pointer_accel.h"
#include "support/xvfb_server.h"

namespace halvric::linux_hid {
namespace {

TEST(LibinputPointerAccel, ProfileValueSelectsAdaptiveOrFlat) {
  const uint8_t two[] = {1, 0};
  EXPECT_EQ(AccelProfileValue(two, false), (std::vector<uint8_t>{0, 1}));
  EXPECT_EQ(AccelProfileValue(two, true), (std::vector<uint8_t>{1, 0}));
  const uint8_t three[] = {0, 0, 1};  // custom profile in use
  EXPECT_EQ(AccelProfileValue(three, false), (std::vector<uint8_t>{0, 1, 0}));
  const uint8_t one[] = {1};
  EXPECT_TRUE(AccelProfileValue(one, true).empty()) << "not the profile property";
}

// A server without libinput pointers (Xvfb) gets the core pointer control, which works both ways.
TEST(LibinputPointerAccel, ServerWithoutLibinputFallsBackToPointerControl) {
  test::Xvfb server;
  if (server.display.empty()) GTEST_SKIP() << "Xvfb cannot start here";
  EXPECT_EQ(LibinputPointerAccel::Connect(server.display), nullptr);
  auto settings = ConnectPointerSettings(server.display);
  ASSERT_NE(settings, nullptr);
  ASSERT_TRUE(settings->Write(kAccelOff));
  EXPECT_FALSE(settings->Read()->On());
  ASSERT_TRUE(settings->Write(kAccelOn));
  EXPECT_TRUE(settings->Read()->On());
  EXPECT_EQ(ConnectPointerSettings(":999"), nullptr) << "no display there";
}

}  // namespace
}  // namespace halvric::linux_hid
