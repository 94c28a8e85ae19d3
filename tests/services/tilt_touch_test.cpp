#include <chrono>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

#include "services/movement_intake.h"
#include "services/recording_injector.h"
#include "services/tilt_scroll.h"
#include "services/touch_emulation.h"

namespace halvric {
namespace {

using test::RecordingInjector;
using test::WaitFor;

TEST(TiltScroll, StepsBecomeWheelInputOfOneHundredTwentyEach) {
  RecordingInjector injector;
  TiltScroll tilt(injector);
  tilt.AddSteps(3);
  EXPECT_EQ(tilt.RunRound(), 3);
  tilt.AddSteps(-2);
  EXPECT_EQ(tilt.RunRound(), -2);
  EXPECT_EQ(tilt.RunRound(), 0);  // nothing pending: nothing sent
  // Steps that pile up before a round are carried out together.
  tilt.AddSteps(1);
  tilt.AddSteps(1);
  EXPECT_EQ(tilt.RunRound(), 2);
  EXPECT_EQ(injector.Wheel(), (std::vector<int>{360, -240, 240}));
}

TEST(TiltScroll, TheThreadCarriesOutEveryStepOnce) {
  RecordingInjector injector;
  TiltScroll tilt(injector);
  tilt.Start();
  for (int i = 0; i < 50; ++i) tilt.AddSteps(i % 2 == 0 ? 3 : -1);
  ASSERT_TRUE(WaitFor([&] { return tilt.PendingSteps() == 0; }));
  tilt.Stop();
  int total = 0;
  for (int units : injector.Wheel()) total += units;
  EXPECT_EQ(total, 25 * 2 * kWheelStep);
}

TEST(MovementIntake, MovesOnlyForNonZeroDeltasAndFeedsTiltAndTouch) {
  RecordingInjector injector;
  TiltScroll tilt(injector);
  TouchEmulation touch(injector);
  MovementIntake intake(injector, tilt, &touch);
  intake.Apply({.touch = false, .dx = 0, .dy = 0, .tilt = 0});
  EXPECT_EQ(injector.Moves(), 0);
  intake.Apply({.touch = true, .dx = 0, .dy = -4, .tilt = -2});
  EXPECT_EQ(injector.Moves(), 1);
  EXPECT_EQ(injector.PointerPosition(), (ScreenPoint{100, 96}));
  EXPECT_EQ(tilt.PendingSteps(), -2);
  EXPECT_TRUE(touch.TouchState());
}

TEST(TouchEmulation, TheContactFollowsThePointerUntilTheStateEnds) {
  RecordingInjector injector;
  TouchEmulation touch(injector, std::chrono::milliseconds(1));
  TiltScroll tilt(injector);
  MovementIntake intake(injector, tilt, &touch);
  touch.Start();
  intake.Apply({.touch = true, .dx = 0, .dy = 0, .tilt = 0});
  ASSERT_TRUE(WaitFor([&] { return injector.HasTouch(TouchPhase::kMove); }));
  intake.Apply({.touch = true, .dx = 20, .dy = 10, .tilt = 0});
  ASSERT_TRUE(WaitFor([&] {
    const auto t = injector.Touches();
    return t.back().second == ScreenPoint{120, 110};
  }));
  intake.Apply({.touch = false, .dx = 0, .dy = 0, .tilt = 0});
  ASSERT_TRUE(WaitFor([&] { return injector.HasTouch(TouchPhase::kLeave); }));
  touch.Stop();

  const auto t = injector.Touches();
  ASSERT_GE(t.size(), 5u);
  EXPECT_EQ(t[0].first, TouchPhase::kHover);
  EXPECT_EQ(t[0].second, (ScreenPoint{100, 100}));
  EXPECT_EQ(t[1].first, TouchPhase::kDown);
  for (size_t i = 2; i + 2 < t.size(); ++i) EXPECT_EQ(t[i].first, TouchPhase::kMove);
  EXPECT_EQ(t[t.size() - 2].first, TouchPhase::kUp);
  EXPECT_EQ(t[t.size() - 2].second, (ScreenPoint{120, 110}));
  EXPECT_EQ(t.back().first, TouchPhase::kLeave);
}

TEST(TouchEmulation, NoSequenceWhileTheStateIsOffAndStopLiftsAHeldContact) {
  RecordingInjector injector;
  TouchEmulation touch(injector, std::chrono::milliseconds(1));
  EXPECT_FALSE(touch.RunSequence());
  EXPECT_TRUE(injector.Touches().empty());
  touch.Start();
  touch.SetTouchState(true);
  ASSERT_TRUE(WaitFor([&] { return injector.HasTouch(TouchPhase::kDown); }));
  touch.Stop();  // the state is still on
  EXPECT_TRUE(injector.HasTouch(TouchPhase::kUp));
}

}  // namespace
}  // namespace halvric
