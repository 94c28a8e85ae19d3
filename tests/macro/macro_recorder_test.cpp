#include "macro/macro_recorder.h"

#include <gtest/gtest.h>

#include "config/usage_to_scan_table.h"
#include "platform/folders.h"

namespace halvric {
namespace {

using ReportBytes = std::vector<uint8_t>;

int TestUsage(int scan) {
  switch (scan) {
    case 0x1E: return 0x04;    // A
    case 0xE037: return 0x46;  // Print Screen
    case 0x72: return 0x90;
    default: return 0;
  }
}

class RecorderTest : public ::testing::Test {
 protected:
  RecorderTest() : recorder_(TestUsage) {
    out_.append = [this](const _MACRO_ITEM_& item) { recorded_.push_back(item); };
    out_.insert = [this](const std::vector<_MACRO_ITEM_>& items) { inserted_.insert(inserted_.end(), items.begin(), items.end()); };
  }
  ReportBytes Recorded() const { return SerializeInstructions(recorded_); }
  ReportBytes Inserted() const { return SerializeInstructions(inserted_); }
  void Key(int scan, bool down, int64_t t) { recorder_.OnKey({scan, down, t}, out_); }
  void Mouse(uint8_t down, uint8_t up, int wheel, int x, int y, int64_t t) {
    recorder_.OnMouse({down, up, wheel, x, y, t, false}, out_);
  }

  MacroRecorder recorder_;
  RecordOutput out_;
  MacroItemList recorded_;
  MacroItemList inserted_;
};

TEST_F(RecorderTest, KeysWithIntervalsAndAutoRepeat) {
  recorder_.StartRecording();
  Key(0x1E, true, 1000);
  Key(0x1E, true, 1100);  // auto-repeat
  Key(0x1E, true, 1200);
  Key(0x1E, false, 1300);
  Key(0x5B, true, 1400);  // no usage: dropped
  EXPECT_EQ(Recorded(), (ReportBytes{0x83, 0x04, 0x89, 0x2C, 0x01, 0x84, 0x04}));

  recorded_.clear();
  recorder_.options().record_intervals = false;
  recorder_.StartRecording();
  Key(0x1E, true, 5000);
  Key(0x1E, false, 9000);
  Key(0x72, false, 9500);
  EXPECT_EQ(Recorded(), (ReportBytes{0x83, 0x04, 0x84, 0x04, 0x83, 0x90, 0x84, 0x90}));

  // A first event at clock value 0 still counts as the first event.
  recorded_.clear();
  recorder_.options().record_intervals = true;
  recorder_.StartRecording();
  Key(0x1E, true, 0);
  Key(0x1E, false, 20);
  EXPECT_EQ(Recorded(), (ReportBytes{0x83, 0x04, 0x88, 20, 0x84, 0x04}));
  recorder_.StopRecording();
  Key(0x1E, true, 40);
  EXPECT_EQ(recorded_.size(), 3u);
}

TEST_F(RecorderTest, ClickPositionsButtonsAndWheel) {
  recorder_.options().record_click_positions = true;
  recorder_.StartRecording();
  Mouse(0x03, 0, 0, -10, 20, 100);  // left and right in one record, left of the primary monitor
  Mouse(0, 0x03, 0, -10, 20, 150);  // no movement: no 80
  Mouse(0x01, 0, 0, 5, 10, 450);
  EXPECT_EQ(Recorded(), (ReportBytes{0xC0, 0xF6, 0xFF, 0x14, 0x00, 0x23,
                               0x88, 50, 0x43,
                               0x89, 0x2C, 0x01, 0x80, 0x0F, 0x00, 0xF6, 0xFF, 0x21}));

  recorded_.clear();
  recorder_.options().record_click_positions = false;
  recorder_.options().record_intervals = false;
  recorder_.StartRecording();
  Mouse(0, 0, 30, 0, 0, 10);
  Mouse(0, 0, -240, 0, 0, 20);
  Mouse(0, 0, 120 * 40, 0, 0, 30);  // more notches than one instruction holds
  Mouse(0, 0, 0, 50, 50, 40);       // plain movement: nothing
  recorder_.SetMouseIgnored(true);
  Mouse(0x01, 0, 0, 0, 0, 50);
  recorder_.SetMouseIgnored(false);
  recorder_.OnMouse({0x01, 0, 0, 0, 0, 60, true}, out_);  // left click on the record controls
  EXPECT_EQ(Recorded(), (ReportBytes{0x61, 0x7E, 0x6F}));
}

TEST_F(RecorderTest, CursorTrackEveryInterval) {
  recorder_.options().record_cursor_track = true;
  recorder_.options().track_interval_ms = 50;
  recorder_.StartRecording();
  Mouse(0x01, 0, 0, 100, 100, 1000);  // first event: no position yet without click positions
  for (int t = 1010; t <= 1120; t += 10) Mouse(0, 0, 0, (t - 1000) / 10 + 100, 100, t);
  EXPECT_EQ(Recorded(), (ReportBytes{0x21,
                               0x88, 60, 0xC0, 106, 0, 100, 0,
                               0x88, 60, 0x80, 6, 0, 0, 0}));
}

TEST_F(RecorderTest, CaptureInsertsOnePairThenStops) {
  recorder_.StartCapture();
  Mouse(0, 0x01, 0, 0, 0, 10);  // a release alone does not end the capture
  EXPECT_TRUE(recorder_.capturing());
  Key(*ScanCodeFromRawKeyboard(0x37, true, 0x2C), true, 20);
  EXPECT_EQ(Inserted(), (ReportBytes{0x83, 0x46, 0x84, 0x46}));
  EXPECT_EQ(recorder_.capture_state(), MacroRecorder::kIdle);
  Key(0x1E, true, 30);
  EXPECT_EQ(inserted_.size(), 2u);

  inserted_.clear();
  recorder_.StartCapture();
  Mouse(0x18, 0, 0, 0, 0, 40);
  recorder_.StartCapture();
  Mouse(0, 0, -1, 0, 0, 50);
  EXPECT_EQ(Inserted(), (ReportBytes{0x38, 0x58, 0x7F}));
  EXPECT_TRUE(recorded_.empty());
}

// With the program's own table, Print Screen captured inserts the usage the table gives 0xE037.
TEST(RecorderWithTable, PrintScreenCapture) {
  UsageToScanTable table;
  ASSERT_TRUE(table.Load((ProgramFolder(FolderEnvironment::FromProcess()) / UsageToScanTable::kFileName).string()));
  MacroRecorder recorder(table);
  MacroItemList inserted;
  RecordOutput out;
  out.insert = [&](const std::vector<_MACRO_ITEM_>& items) { inserted = items; };
  recorder.StartCapture();
  recorder.OnKey({0xE037, true, 5}, out);
  EXPECT_EQ(SerializeInstructions(inserted), (ReportBytes{0x83, 0x46, 0x84, 0x46}));
}

TEST(RawKeyboard, ScanCodeCorrections) {
  EXPECT_EQ(ScanCodeFromRawKeyboard(0x1E, false, 0x41), 0x1E);
  EXPECT_EQ(ScanCodeFromRawKeyboard(0x1D, true, 0x11), 0xE01D);
  EXPECT_EQ(ScanCodeFromRawKeyboard(0x45, false, 0x13), 0xE045);  // Pause
  EXPECT_EQ(ScanCodeFromRawKeyboard(0x46, true, 0x03), 0x45);     // Ctrl+Break
  EXPECT_EQ(ScanCodeFromRawKeyboard(0x45, false, 0x90), 0xE045);  // Num Lock
  EXPECT_EQ(ScanCodeFromRawKeyboard(0x45, false, 0xFF), std::nullopt);
}

}  // namespace
}  // namespace halvric
