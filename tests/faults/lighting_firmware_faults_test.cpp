// The lighting window's OK and a firmware write with a fault at their exchanges.
#include <gtest/gtest.h>

#include "config/auto_backup.h"
#include "device/firmware_writer.h"
#include "device/hex_records.h"
#include "faults/fault_matrix.h"
#include "lighting/colour_picker.h"
#include "lighting/lighting_operations.h"

namespace halvric {
namespace {

using test::FaultRig;
using test::MatrixCase;
using test::Outcome;

class LightingFaults : public ::testing::TestWithParam<const char*> {};

TEST_P(LightingFaults, OkStoresEveryZoneWholeOrSaysItFailed) {
  FaultRig rig(GetParam());
  std::vector<lighting::LedZoneRecord> opening;
  ASSERT_TRUE(lighting::ReadLightingBlock(rig.handle(), opening));
  ASSERT_GE(opening.size(), 3u);
  const lighting::LedZoneRecord chosen = lighting::OwnColourRecord({10, 200, 30}, true);
  MatrixCase c;
  c.run = [&](FaultRig& r) {
    lighting::ColourPicker picker(r.handle(), lighting::PickerTarget::All({0, 1, 2}), opening);
    picker.Set(chosen.colour(), chosen.always_on());
    return Outcome{picker.Ok(), {}};
  };
  c.check = [&](FaultRig& r, const Outcome& o, const std::vector<uint8_t>& clean_end) {
    if (o.ok) {
      EXPECT_EQ(r.Memory(), clean_end);
    }
    r.rig.dev->mirror().Clear();
    std::vector<lighting::LedZoneRecord> now;
    ASSERT_TRUE(lighting::ReadLightingBlock(r.handle(), now));
    ASSERT_EQ(now.size(), opening.size());
    // Each zone holds its old record or the new one, never a mixture of both.
    for (size_t z = 0; z < now.size(); ++z) {
      if (z <= 2 && now[z] == chosen) continue;
      EXPECT_EQ(now[z], opening[z]) << "zone " << z;
    }
  };
  test::RunMatrix(rig, std::string("lighting OK ") + GetParam(), c);
}

INSTANTIATE_TEST_SUITE_P(Levels, LightingFaults, ::testing::Values("level5", "level11"));

class FirmwareFaults : public ::testing::TestWithParam<const char*> {};

TEST_P(FirmwareFaults, AFailedWriteStaysInProgrammingModeAndARetrySucceeds) {
  FaultRig rig(GetParam());
  const FirmwareImage image = ParseIntelHex(test::HexFile(0, test::NoiseBytes(700, 700))).value();
  const auto write = [&](FaultRig& r, bool enter_isp, std::string* message) {
    FirmwareWriter writer(*r.rig.dev);
    UpgradeWriteOptions options;
    options.enter_isp = enter_isp;
    options.leave_isp_when_untouched = true;
    options.max_piece_retries = 5;
    options.auto_backup = [&r] { return SaveAutoBackup(r.handle(), r.data.path(), "firmware").ok; };
    options.on_message = [message](const std::string& m) { *message = m; };
    std::string error;
    if (!writer.Start(r.path, image, std::move(options), &error)) {
      *message = error;
      return std::make_pair(false, IspAfterWrite::kNotEntered);
    }
    const bool ok = writer.Wait() == UpgradeOutcome::kCompleted;
    return std::make_pair(ok, writer.IspState());
  };
  IspAfterWrite isp = IspAfterWrite::kNotEntered;
  std::vector<uint8_t> clean_flash;  // what the clean run (the first) wrote
  MatrixCase c;
  c.boundaries = 30;
  c.random_sample = 15;
  c.run = [&](FaultRig& r) {
    std::string message;
    const auto [ok, state] = write(r, true, &message);
    isp = state;
    if (clean_flash.empty() && ok) clean_flash = r.mouse().Flash(0, 700);
    return Outcome{ok, message};
  };
  c.check = [&](FaultRig& r, const Outcome& o, const std::vector<uint8_t>&) {
    if (o.ok) {
      EXPECT_FALSE(r.mouse().IspActive());
      EXPECT_EQ(r.mouse().Flash(0, 700), clean_flash);
      return;
    }
    EXPECT_FALSE(o.message.empty());
    if (r.lasting) {
      // A mouse that stopped answering while it was asked to enter programming mode may or may
      // not have entered it: the write reports that it may stay, never that it left.
      if (isp != IspAfterWrite::kStays) {
        EXPECT_FALSE(r.mouse().IspActive());
      }
    } else {
      EXPECT_EQ(r.mouse().IspActive(), isp == IspAfterWrite::kStays);
    }
    // The retry: the same write again, into programming mode when the mouse left it.
    std::string message;
    const auto [ok, state] = write(r, !r.mouse().IspActive(), &message);
    EXPECT_TRUE(ok) << message;
    EXPECT_EQ(state, IspAfterWrite::kLeft);
    EXPECT_FALSE(r.mouse().IspActive());
    EXPECT_EQ(r.mouse().Flash(0, 700), clean_flash);
  };
  const test::MatrixFigures f = test::RunMatrix(rig, std::string("firmware write ") + GetParam(), c);
  EXPECT_GT(f.exchanges, 30u);
}

INSTANTIATE_TEST_SUITE_P(Levels, FirmwareFaults, ::testing::Values("level11", "level11-ff18"));

}  // namespace
}  // namespace halvric
