#include "services/osd_state.h"

#include <gtest/gtest.h>

#include "services/report_builder.h"

namespace halvric {
namespace {

using test::StatusFields;
using test::StatusReportBytes;

// Runs passes until the display has hidden again; returns how many passes it took.
int PassesUntilHidden(OsdState& osd, int limit = 1000) {
  for (int i = 1; i <= limit; ++i) {
    if (osd.Pass().hide) return i;
  }
  return -1;
}

TEST(OsdState, FadesInHoldsEightyPassesAndFadesOut) {
  OsdState osd;
  osd.HandleStatus(StatusReportBytes({.level = 1}));
  std::vector<int> alphas;
  OsdPass first = osd.Pass();
  EXPECT_TRUE(first.draw);  // the trigger requested a redraw
  EXPECT_TRUE(first.show);
  EXPECT_EQ(first.sleep_ms, kOsdBusySleepMs);
  int passes = 1;
  int full = 0;
  while (true) {
    const OsdPass p = osd.Pass();
    ++passes;
    if (p.view.alpha == 255) ++full;
    if (p.hide) {
      EXPECT_TRUE(p.redraw_main);
      break;
    }
    alphas.push_back(p.view.alpha);
    ASSERT_LT(passes, 200);
  }
  // 80 passes with the countdown (alpha reaches 255 after 11), 11 fading out, then the hide.
  EXPECT_EQ(passes, 80 + 11 + 1);
  EXPECT_EQ(alphas.front(), 25);
  EXPECT_EQ(full, 80 - 10);
  EXPECT_EQ(osd.View().flags, 0);
  EXPECT_FALSE(osd.View().visible);
  EXPECT_EQ(osd.Pass().sleep_ms, kOsdIdleSleepMs);
}

TEST(OsdState, DpiScrollModeShowsTheDpiBlockWhileSentAndEightyPassesMore) {
  OsdState osd;
  // Only bit 7 of byte 6 differs from what the display holds.
  const auto scroll = StatusReportBytes({.flags = 0x80});
  for (int i = 0; i < 150; ++i) {
    if (i % 50 == 0) osd.HandleStatus(scroll);
    const OsdPass p = osd.Pass();
    ASSERT_FALSE(p.hide) << "pass " << i;
    if (i > 0) {
      EXPECT_TRUE(p.view.ShowsDpi());
      EXPECT_TRUE(p.view.ShowsScrollLine());
      EXPECT_FALSE(p.view.ShowsProfile());
    }
  }
  // The last report came at pass 100: 80 passes from then, the fade-out, the hide.
  EXPECT_EQ(PassesUntilHidden(osd), 80 - 50 + 11 + 1);
}

TEST(OsdState, ChangesDuringOneShowingAreShownTogether) {
  OsdState osd;
  osd.HandleStatus(StatusReportBytes({.level = 2}));
  osd.Pass();
  osd.Pass();
  osd.HandleStatus(StatusReportBytes({.level = 2, .profile = 3}));
  const OsdView v = osd.Pass().view;
  EXPECT_TRUE(v.ShowsDpi());
  EXPECT_TRUE(v.ShowsProfile());
  EXPECT_EQ(v.profile, 3);
  EXPECT_EQ(v.dpi_level, 2);
  // The second trigger restarted the 80 passes without restarting the fade-in.
  EXPECT_EQ(osd.Countdown(), 79);
  EXPECT_EQ(osd.View().alpha, 75);
}

TEST(OsdState, LevelSevenCountsAsFourAndProfileOutsideRangeShowsNoBlock) {
  OsdState osd;
  osd.HandleStatus(StatusReportBytes({.level = 7, .profile = 6}));
  const OsdView v = osd.View();
  EXPECT_EQ(v.dpi_level, 4);
  EXPECT_EQ(v.profile, 6);
  EXPECT_FALSE(v.ShowsProfile());
  EXPECT_TRUE(v.ShowsDpi());
}

TEST(OsdState, TurningItOffLetsTheShowingRunOutAndShowsNothingLater) {
  OsdState osd;
  osd.HandleStatus(StatusReportBytes({.level = 1}));
  for (int i = 0; i < 5; ++i) osd.Pass();
  osd.SetEnabled(false);
  EXPECT_EQ(PassesUntilHidden(osd), 80 - 5 + 11 + 1);
  osd.HandleStatus(StatusReportBytes({.level = 3, .profile = 1, .flags = 1}));
  EXPECT_EQ(osd.View().flags, 0);
  EXPECT_EQ(osd.View().dpi_level, 3);  // the values are still followed
  for (int i = 0; i < 20; ++i) {
    const OsdPass p = osd.Pass();
    EXPECT_FALSE(p.show);
    EXPECT_FALSE(p.draw);
  }
}

TEST(OsdState, AngleSnappingAndLiftRaiseTheirFlags) {
  OsdState osd;
  OsdStatusResult r = osd.HandleStatus(StatusReportBytes({.flags = 1, .lift = 0x0203}));
  EXPECT_TRUE(r.angle_snapping_changed);
  EXPECT_TRUE(r.angle_snapping);
  EXPECT_EQ(osd.View().flags, kOsdAngleSnapping | kOsdLift);
  r = osd.HandleStatus(StatusReportBytes({.flags = 1, .lift = 0x0203}));
  EXPECT_FALSE(r.angle_snapping_changed);
  // A host-action report is not a status report.
  auto host = StatusReportBytes({.level = 3});
  host[1] = 13;
  osd.HandleStatus(host);
  EXPECT_EQ(osd.View().dpi_level, 0);
}

}  // namespace
}  // namespace halvric
