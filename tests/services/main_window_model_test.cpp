#include "services/main_window_model.h"

#include <deque>
#include <gtest/gtest.h>

#include "config/read_all.h"
#include "config/saved_dpi_state.h"
#include "config/temp_folder.h"
#include "platform/profile_file.h"
#include "support/sim_fixture.h"

namespace halvric {
namespace {

using test::SimRig;

// Jobs queue up as on the session's worker and run on demand against a simulated mouse.
class QueuedJobs : public DeviceJobs {
 public:
  explicit QueuedJobs(DeviceLayer& dev) : dev_(dev) {}
  void Post(Job job, std::function<void()> done) override { jobs_.push_back({std::move(job), std::move(done)}); }
  DeviceLayer& Device() override { return dev_; }
  void PauseReaders() override {}
  void ResumeReaders() override {}
  size_t Queued() const { return jobs_.size(); }
  void RunOne(WorkingCopy& worker_wc) {
    auto [job, done] = std::move(jobs_.front());
    jobs_.pop_front();
    job(dev_, worker_wc);
    if (done) done();
  }
  void RunAll(WorkingCopy& worker_wc) {
    while (!jobs_.empty()) RunOne(worker_wc);
  }

 private:
  DeviceLayer& dev_;
  std::deque<std::pair<Job, std::function<void()>>> jobs_;
};

struct Window {
  explicit Window(const std::string& model) : rig(model), jobs(*rig.dev), window(jobs) {
    EXPECT_TRUE(rig.dev->SelectDevice(rig.PathOf(0), true));
    EXPECT_EQ(ReadAll(*rig.dev, worker_wc), ReadAllResult::kLoaded);
    window.SetDevice(rig.PathOf(0), worker_wc);
    rig.backend.ClearTrace();
  }
  // The settings as the mouse holds them now.
  WorkingCopy ReadBack() {
    WorkingCopy wc;
    EXPECT_EQ(ReadAll(*rig.dev, wc), ReadAllResult::kLoaded);
    return wc;
  }
  SimRig rig;
  WorkingCopy worker_wc;
  QueuedJobs jobs;
  MainWindowModel window;
};

TEST(MainWindowModel, ABurstOfChangesIsOneSendOfTheLastValue) {
  Window w("level5");
  for (int code : {1, 2, 3}) w.window.SetRate(code);
  for (uint8_t x : {10, 20, 30}) w.window.SetDpi(1, x, x);
  for (bool on : {true, false, true}) w.window.SetAngleSnapping(on);
  for (uint16_t lift : {100, 200, 300}) w.window.SetLift(lift);
  EXPECT_EQ(w.jobs.Queued(), 0u) << "nothing goes out before the flush";
  EXPECT_EQ(w.window.wc().rate_code, 3) << "the window sees the change at once";

  w.window.FlushRate();
  w.window.FlushDpi();
  w.window.FlushAngleSnapping();
  w.window.FlushLift();
  EXPECT_EQ(w.jobs.Queued(), 4u);
  // A second flush without a new change sends nothing.
  w.window.FlushRate();
  w.window.FlushDpi();
  w.window.FlushAngleSnapping();
  w.window.FlushLift();
  EXPECT_EQ(w.jobs.Queued(), 4u);

  w.jobs.RunAll(w.worker_wc);
  const WorkingCopy after = w.ReadBack();
  EXPECT_EQ(after.rate_code, 3);
  EXPECT_EQ(after.dpi[1], (std::array<uint8_t, 2>{30, 30}));
  EXPECT_EQ(after.angle_snapping, 1);
}

TEST(MainWindowModel, FlushSendsEveryChangedLevelInLevelOrder) {
  Window w("level5");
  w.window.SetDpi(3, 40, 41);
  w.window.SetDpi(0, 10, 11);
  w.window.FlushDpi();
  ASSERT_EQ(w.jobs.Queued(), 2u);
  const auto level3_before = w.worker_wc.dpi[3];
  w.jobs.RunOne(w.worker_wc);
  const WorkingCopy first = w.ReadBack();
  EXPECT_EQ(first.dpi[0], (std::array<uint8_t, 2>{10, 11})) << "level 0 goes first";
  EXPECT_EQ(first.dpi[3], level3_before);
  w.jobs.RunAll(w.worker_wc);
  const WorkingCopy after = w.ReadBack();
  EXPECT_EQ(after.dpi[0], (std::array<uint8_t, 2>{10, 11}));
  EXPECT_EQ(after.dpi[3], (std::array<uint8_t, 2>{40, 41}));
  EXPECT_EQ(after.dpi[1], w.worker_wc.dpi[1]);
}

TEST(MainWindowModel, WithoutAMouseNothingIsSentAndThePendingChangeIsDropped) {
  Window w("level5");
  w.window.SetRate(2);
  w.window.SetDpi(0, 9, 9);
  w.window.SetLift(50);
  w.window.SetAngleSnapping(true);
  w.window.DropDevice();
  EXPECT_FALSE(w.window.HasDevice());
  w.window.FlushRate();
  w.window.FlushDpi();
  w.window.FlushLift();
  w.window.FlushAngleSnapping();
  EXPECT_EQ(w.jobs.Queued(), 0u);
  // A mouse connecting afterwards does not receive the old changes.
  w.window.SetDevice(w.rig.PathOf(0), w.worker_wc);
  w.window.FlushRate();
  w.window.FlushDpi();
  w.window.FlushLift();
  w.window.FlushAngleSnapping();
  EXPECT_EQ(w.jobs.Queued(), 0u);
}

TEST(MainWindowModel, DiscardedChangesAreNotSentButTheLiftStays) {
  Window w("level5");
  w.window.SetRate(2);
  w.window.SetDpi(2, 9, 9);
  w.window.SetAngleSnapping(true);
  w.window.SetLift(70);
  w.window.DiscardPending();
  w.window.FlushRate();
  w.window.FlushDpi();
  w.window.FlushAngleSnapping();
  EXPECT_EQ(w.jobs.Queued(), 0u);
  w.window.FlushLift();
  EXPECT_EQ(w.jobs.Queued(), 1u);
}

TEST(MainWindowModel, ImmediateChangesAreSentInTheOrderMade) {
  Window w("level11");
  const uint8_t bits = w.window.wc().profile_bits;
  w.window.ToggleProfileEnable(2);
  EXPECT_EQ(w.window.wc().profile_bits, bits ^ 0x04);
  w.window.ToggleDpiLevel(4);
  w.window.SelectDpiLevel(1);
  EXPECT_EQ(w.window.wc().dpi_level, 1);
  w.window.RenameProfile(0, "Snipe");
  EXPECT_EQ(w.window.wc().profiles[0].name, "Snipe");
  EXPECT_EQ(w.jobs.Queued(), 4u);
  w.jobs.RunAll(w.worker_wc);
  const WorkingCopy after = w.ReadBack();
  EXPECT_EQ(after.profile_bits, bits ^ 0x04);
  EXPECT_EQ(after.dpi_mask, w.window.wc().dpi_mask);
  EXPECT_EQ(after.dpi_level, 1);
  EXPECT_EQ(after.profiles[0].name, "Snipe");
}

// The worker's working copy follows profile switches made in the window and reported by the mouse,
// so that its macro writes know which profile the mouse plays.
TEST(MainWindowModel, TheActiveProfileFollowsSwitchesAndStatusReports) {
  Window w("level5");
  const int first = w.worker_wc.active_profile;
  const int next = (first + 3) % kProfileCount;
  w.window.SelectProfile(next);
  EXPECT_EQ(w.window.wc().active_profile, next);
  w.jobs.RunAll(w.worker_wc);
  EXPECT_EQ(w.worker_wc.active_profile, next);
  EXPECT_EQ(w.rig.backend.Mouse(0).ActiveProfile(), next);

  w.rig.backend.ClearTrace();
  w.rig.backend.Mouse(0).PressProfileButton(first);
  w.window.NoteMouseProfile(first);
  EXPECT_EQ(w.window.wc().active_profile, first);
  w.jobs.RunAll(w.worker_wc);
  EXPECT_EQ(w.worker_wc.active_profile, first);
  EXPECT_TRUE(w.rig.SendsSinceClear().empty()) << "nothing is sent: the mouse switched by itself";
}

// Below level 11 the DPI state lives in the program: the mouse's own level changes and the saved
// state reach the worker's copy too (it decides whether a DPI edit applies the pair at once).
TEST(MainWindowModel, TheDpiStateFollowsTheMouseAndTheSavedState) {
  Window w("level5");
  w.window.NoteMouseDpiLevel(3);
  w.jobs.RunAll(w.worker_wc);
  EXPECT_EQ(w.worker_wc.dpi_level, 3);
  EXPECT_TRUE(w.rig.SendsSinceClear().empty());

  testing::TempFolder dir;
  const std::string ini = (dir.path() / "set.ini").string();
  WorkingCopy saved = w.window.wc();
  saved.dpi_level = 2;
  saved.dpi_mask = 0x06;
  ProfileFile file(ini);
  ASSERT_TRUE(SaveDpiState(saved, file));
  w.window.TakeSavedDpiState(ProfileFile(ini));
  w.jobs.RunAll(w.worker_wc);
  for (const WorkingCopy* wc : {static_cast<const WorkingCopy*>(&w.window.wc()), static_cast<const WorkingCopy*>(&w.worker_wc)}) {
    EXPECT_EQ(wc->dpi_level, 2);
    EXPECT_EQ(wc->dpi_mask, 0x06);
  }
  w.window.ToggleDpiLevel(0);
  w.jobs.RunAll(w.worker_wc);
  EXPECT_EQ(w.worker_wc.dpi_mask, 0x07);
  EXPECT_TRUE(w.rig.SendsSinceClear().empty()) << "the mask has no place in the mouse";
}

TEST(MainWindowModel, TwoBitColoursKeepTheCodeAndTheScaledLevels) {
  Window w("level0");
  ASSERT_TRUE(w.window.wc().map.two_bit_colours);
  w.window.SetProfileColour(1, {3, 1, 2});
  const auto& prof = w.window.wc().profiles[1];
  EXPECT_EQ(prof.colour_code, 3 | (1 << 2) | (2 << 4));
  EXPECT_EQ(prof.colour, (std::array<uint8_t, 3>{255, 85, 170}));
  EXPECT_EQ(w.jobs.Queued(), 1u);
  // The mouse stores the same code the window shows.
  w.jobs.RunAll(w.worker_wc);
  const WorkingCopy after = w.ReadBack();
  EXPECT_EQ(after.profiles[1].colour_code, 3 | (1 << 2) | (2 << 4));
  EXPECT_EQ(after.profiles[1].colour, (std::array<uint8_t, 3>{255, 85, 170}));
}

}  // namespace
}  // namespace halvric
