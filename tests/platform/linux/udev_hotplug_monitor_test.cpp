#include "platform/linux/udev_hotplug_monitor.h"

#include <chrono>
#include <gtest/gtest.h>

namespace halvric::linux_hid {
namespace {

TEST(UdevHotplugMonitor, ClassifiesActions) {
  EXPECT_EQ(ClassifyUdevAction("add"), HotplugAction::kAdded);
  EXPECT_EQ(ClassifyUdevAction("remove"), HotplugAction::kRemoved);
  EXPECT_EQ(ClassifyUdevAction("change"), HotplugAction::kOther);
  EXPECT_EQ(ClassifyUdevAction(nullptr), HotplugAction::kOther);
}

TEST(UdevHotplugMonitor, StartsAndStopsPromptlyAndRepeatedly) {
  UdevHotplugMonitor monitor;
  monitor.Stop();  // never started: harmless
  EXPECT_FALSE(monitor.Running());
  std::string error;
  if (!monitor.Start({}, &error)) GTEST_SKIP() << "udev monitor unavailable here: " << error;
  EXPECT_TRUE(monitor.Running());
  EXPECT_FALSE(monitor.Start({}, &error));
  EXPECT_EQ(error, "already running");

  const auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < 20; ++i) {
    monitor.Stop();
    EXPECT_FALSE(monitor.Running());
    ASSERT_TRUE(monitor.Start({[](const std::string&) {}, [](const std::string&) {}}, &error)) << error;
  }
  monitor.Stop();
  monitor.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));

  // Destroying a running monitor stops and joins its thread.
  auto running = std::make_unique<UdevHotplugMonitor>();
  ASSERT_TRUE(running->Start({}, &error)) << error;
  running.reset();
}

}  // namespace
}  // namespace halvric::linux_hid
