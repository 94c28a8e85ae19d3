#include "device/feature_transfer.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace halvric {
namespace {

// A handle that records what crosses it and answers from a script.
class ScriptedHandle : public HidHandle {
 public:
  explicit ScriptedHandle(int length) { info_.feature_report_length = length; }
  const HidInterfaceInfo& Info() const override { return info_; }
  bool GetFeature(std::span<uint8_t> buf) override {
    ++gets;
    if (busy_gets > 0) {
      --busy_gets;
      buf[1] = 0x80;
      return true;
    }
    if (stuck) {
      buf[1] = 0x80;
      return true;
    }
    for (size_t i = 1; i < buf.size() && i < answer.size(); ++i) buf[i] = answer[i];
    return true;
  }
  bool SetFeature(std::span<const uint8_t> buf) override {
    sent.emplace_back(buf.begin(), buf.end());
    gets_before_set.push_back(gets);
    return set_ok;
  }
  int ReadInput(std::span<uint8_t>, int) override { return 0; }
  bool IndexedString(int, std::span<uint8_t>) override { return false; }

  HidInterfaceInfo info_;
  std::vector<std::vector<uint8_t>> sent;
  std::vector<int> gets_before_set;
  std::vector<uint8_t> answer = std::vector<uint8_t>(64, 0);
  int gets = 0;
  int busy_gets = 0;
  bool stuck = false;
  bool set_ok = true;
};

class FeatureTransferTest : public ::testing::Test {
 protected:
  std::string lock_file = (std::filesystem::temp_directory_path() /
                           ("halvric-ft-" + std::to_string(::getpid()) + ".lock")).string();
  TransferLock lock{lock_file};
  void TearDown() override { std::filesystem::remove(lock_file); }
};

TEST_F(FeatureTransferTest, ShortReportsCarryTheXorOfBytesOneToSevenExceptCommandNine) {
  ScriptedHandle h(9);
  std::vector<uint8_t> req = {0x55, 0x05, 0x00, 0x10, 0x20, 0x00, 0x00, 0x12, 0xEE};
  std::vector<uint8_t> ans(9);
  ASSERT_TRUE(FeatureTransfer(h, req, ans, 0, lock));
  ASSERT_EQ(h.sent.size(), 1u);
  EXPECT_EQ(h.sent[0][0], 0);
  EXPECT_EQ(h.sent[0][8], 0x05 ^ 0x10 ^ 0x20 ^ 0x12);

  std::vector<uint8_t> piece = {0, 0x09, 0x00, 1, 2, 3, 4, 5, 0xAB};
  ASSERT_TRUE(FeatureTransfer(h, piece, ans, -1, lock));
  EXPECT_EQ(h.sent[1][8], 0xAB) << "the last data byte of a command-9 piece is not a checksum";
}

TEST_F(FeatureTransferTest, LongReportsAlwaysCarryReportIdOneAndTheXorOfBytesOneTo62) {
  ScriptedHandle h(64);
  std::vector<uint8_t> req(64, 0);
  req[0] = 7;
  req[1] = 0x03;
  req[2] = 0x00;
  req[3] = 0x01;
  req[4] = 2;
  req[5] = 0xAA;
  req[6] = 0x55;
  req[63] = 0x99;
  std::vector<uint8_t> ans(64);
  ASSERT_TRUE(FeatureTransfer(h, req, ans, -1, lock));
  EXPECT_EQ(h.sent[0][0], 1);
  EXPECT_EQ(h.sent[0][63], 0x03 ^ 0x01 ^ 2 ^ 0xAA ^ 0x55);
}

TEST_F(FeatureTransferTest, NegativeDelayReadsNoAnswerAndZeroDelayReadsOne) {
  ScriptedHandle h(64);
  std::vector<uint8_t> req(64, 0), ans(64, 0);
  req[1] = 0x14;
  ASSERT_TRUE(FeatureTransfer(h, req, ans, -1, lock));
  EXPECT_EQ(h.gets, 1) << "only the ready check precedes a fire-and-forget request";
  ASSERT_TRUE(FeatureTransfer(h, req, ans, 0, lock));
  EXPECT_EQ(h.gets, 3);
}

TEST_F(FeatureTransferTest, AnswerStatusBitsAreCleared) {
  ScriptedHandle h(9);
  h.answer[1] = 0x45;  // bit 7 set would mean busy; bit 6 is the status bit left to clear
  h.answer[2] = 0x42;
  std::vector<uint8_t> req = {0, 0x05, 0, 0, 0, 0, 0, 0x12, 0}, ans(9, 0);
  ASSERT_TRUE(FeatureTransfer(h, req, ans, 0, lock));
  EXPECT_EQ(ans[1], 0x05);
  EXPECT_EQ(ans[2], 0x42);
}

TEST_F(FeatureTransferTest, BusyAnswersArePolledUntilIdle) {
  ScriptedHandle h(64);
  std::vector<uint8_t> req(64, 0), ans(64, 0);
  h.busy_gets = 3;  // three busy ready checks, then the mouse is idle
  h.answer[2] = 0x77;
  ASSERT_TRUE(FeatureTransfer(h, req, ans, 0, lock));
  EXPECT_EQ(h.gets_before_set[0], 4);
  EXPECT_EQ(ans[2], 0x77);
}

TEST_F(FeatureTransferTest, NeverReadyMouseFailsAtThe421stCheckAndFreesTheLock) {
  ScriptedHandle h(64);
  h.stuck = true;
  std::vector<uint8_t> req(64, 0), ans(64, 0);
  EXPECT_FALSE(FeatureTransfer(h, req, ans, 0, lock));
  EXPECT_EQ(h.gets, kReadyCheckLimit);
  EXPECT_TRUE(h.sent.empty());
  // The lock is free again: another thread gets through at once.
  ScriptedHandle ok(64);
  std::thread t([&] { EXPECT_TRUE(FeatureTransfer(ok, req, ans, 0, lock)); });
  t.join();
}

TEST_F(FeatureTransferTest, AnswerThatNeverComesFailsAfter301Polls) {
  std::vector<uint8_t> req(64, 0), ans(64, 0);
  // Ready at first, then busy for ever once the request is sent.
  struct AfterSend : ScriptedHandle {
    using ScriptedHandle::ScriptedHandle;
    bool SetFeature(std::span<const uint8_t> b) override {
      stuck = true;
      return ScriptedHandle::SetFeature(b);
    }
  } s(64);
  EXPECT_FALSE(FeatureTransfer(s, req, ans, 0, lock));
  EXPECT_EQ(s.gets, 1 + kAnswerPollLimit);
}

TEST_F(FeatureTransferTest, UndeliveredRequestIsAFailure) {
  ScriptedHandle h(64);
  h.set_ok = false;
  std::vector<uint8_t> req(64, 0), ans(64, 0);
  EXPECT_FALSE(FeatureTransfer(h, req, ans, -1, lock));
}

}  // namespace
}  // namespace halvric
