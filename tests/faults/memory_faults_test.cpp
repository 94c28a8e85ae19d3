// Read-all, backup, restore and the reset to defaults with a fault at their exchanges.
#include <gtest/gtest.h>

#include <iostream>
#include <random>

#include "config/auto_backup.h"
#include "config/backup_file.h"
#include "config/backup_restore.h"
#include "config/read_all.h"
#include "config/reset_defaults.h"
#include "faults/fault_matrix.h"

namespace halvric {
namespace {

using test::FaultRig;
using test::MatrixCase;
using test::Outcome;

class MemoryFaults : public ::testing::TestWithParam<const char*> {};

std::vector<uint8_t> FileImage(const std::filesystem::path& file) {
  const std::string raw = testing::TempFolder::Read(file.string());
  if (raw.size() < kBackupHeaderSize) return {};
  return {raw.begin() + kBackupHeaderSize, raw.end()};
}

// Restores an automatic backup with the fault cleared: the mouse must be back byte for byte as
// it was before the operation.
void ExpectAutoBackupRestoresTheMouse(FaultRig& rig, const std::vector<uint8_t>& before) {
  for (const auto& file : rig.AutoBackups()) {
    WorkingCopy wc;
    const BackupResult back = Restore(*rig.rig.dev, wc, file.string(), rig.data.path() / "again");
    ASSERT_TRUE(back.ok()) << back.message;
    EXPECT_EQ(rig.Memory(), before) << "restoring " << file;
    return;
  }
}

TEST_P(MemoryFaults, ReadAllLoadsWhatTheMouseHoldsOrNothing) {
  FaultRig rig(GetParam());
  MatrixCase c;
  WorkingCopy read;
  c.run = [&](FaultRig& r) {
    read = WorkingCopy{};
    return Outcome{ReadAll(*r.rig.dev, read) == ReadAllResult::kLoaded, {}};
  };
  c.check = [&](FaultRig& r, const Outcome& o, const std::vector<uint8_t>&) {
    if (o.ok) {
      test::ExpectSameConfiguration(read, r.FreshRead());
    } else {
      EXPECT_FALSE(read.loaded);
    }
  };
  test::RunMatrix(rig, std::string("read-all ") + GetParam(), c);
}

// A program's first look at the mouse: enumeration with identification, then selection. A mouse
// that stops answering there must not keep the program waiting out every exchange in full. The
// identity answers carry no echo to tell a garbled one by, so only the other faults must leave
// the identity whole.
TEST_P(MemoryFaults, ConnectingIdentifiesTheMouseOrGivesUpInTime) {
  FaultRig rig(GetParam());
  const std::optional<DeviceInfo> known = rig.rig.dev->Info(rig.path);
  ASSERT_TRUE(known.has_value());
  std::optional<DeviceInfo> seen;
  MatrixCase c;
  c.run = [&](FaultRig& r) {
    DeviceLayer fresh(r.rig.backend, r.rig.lock_file);
    fresh.EnumerateMice();
    const bool selected = fresh.SelectDevice(r.path, true);
    seen = fresh.Info(r.path);
    return Outcome{selected && seen.has_value(), {}};
  };
  c.check = [&](FaultRig& r, const Outcome& o, const std::vector<uint8_t>&) {
    if (!o.ok || r.fault.kind == sim::FaultKind::kGarbageAnswer) return;
    EXPECT_EQ(seen->protocol_level, known->protocol_level);
    EXPECT_EQ(seen->product_id, known->product_id);
    EXPECT_EQ(seen->feature_flags, known->feature_flags);
  };
  test::RunMatrix(rig, std::string("connect ") + GetParam(), c);
}

TEST_P(MemoryFaults, BackupWritesTheWholeMemoryOrNoFile) {
  FaultRig rig(GetParam());
  const std::string file = (rig.data.path() / "mouse.bf").string();
  int undetectable = 0;
  MatrixCase c;
  c.run = [&](FaultRig& r) {
    std::filesystem::remove(file);
    const BackupResult b = Backup(*r.rig.dev, file);
    return Outcome{b.ok(), b.message};
  };
  c.check = [&](FaultRig& r, const Outcome& o, const std::vector<uint8_t>&) {
    if (o.ok) {
      const std::vector<uint8_t> memory = r.Memory();
      const std::vector<uint8_t> image = FileImage(file);
      ASSERT_LE(image.size(), memory.size());
      const std::vector<uint8_t> held(memory.begin(), memory.begin() + static_cast<std::ptrdiff_t>(image.size()));
      if (image != held) {
        EXPECT_TRUE(test::UndetectableGarbage(r, image, held)) << "the backup differs from the memory";
        ++undetectable;
      }
    } else {
      EXPECT_FALSE(o.message.empty());
      EXPECT_FALSE(std::filesystem::exists(file));
    }
  };
  test::RunMatrix(rig, std::string("backup ") + GetParam(), c);
  if (undetectable > 0) std::cout << "[ matrix ] backup " << GetParam() << ": " << undetectable << " garbled answers carried the read command\n";
}

TEST_P(MemoryFaults, RestoreLandsOrFailsAndItsAutomaticBackupPutsTheMouseBack) {
  FaultRig rig(GetParam());
  // The file to restore: this mouse's memory with other settings and macros.
  const std::string file = (rig.data.path() / "other.bf").string();
  const std::vector<uint8_t> before = rig.Memory();
  {
    std::vector<uint8_t> other = before;
    std::mt19937 gen(5);
    const uint32_t top = std::min<uint32_t>(rig.wc.memory_top, static_cast<uint32_t>(other.size()));
    for (uint32_t a = 0x40; a < top; a += 7) other[a] = static_cast<uint8_t>(gen());
    other.resize(top);
    ASSERT_TRUE(WriteBackupFile(file, other));
  }
  MatrixCase c;
  c.boundaries = 25;
  c.random_sample = 10;
  c.run = [&](FaultRig& r) {
    const BackupResult res = Restore(*r.rig.dev, r.wc, file, r.data.path());
    return Outcome{res.ok() && res.reread == ReadAllResult::kLoaded, res.message};
  };
  c.check = [&](FaultRig& r, const Outcome& o, const std::vector<uint8_t>& clean_end) {
    if (o.ok) {
      EXPECT_EQ(r.Memory(), clean_end);
    }
    // A working copy the program still holds as loaded must be the mouse's.
    if (o.ok || r.wc.loaded) test::ExpectSameConfiguration(r.wc, r.FreshRead());
    ExpectAutoBackupRestoresTheMouse(r, before);
  };
  test::RunMatrix(rig, std::string("restore ") + GetParam(), c);
}

TEST_P(MemoryFaults, ResetLandsOrFailsAndItsAutomaticBackupPutsTheMouseBack) {
  FaultRig rig(GetParam());
  const std::vector<uint8_t> before = rig.Memory();
  MatrixCase c;
  c.boundaries = 25;
  c.random_sample = 10;
  c.run = [&](FaultRig& r) {
    ResetOptions options;
    options.before_write = [&r] { return SaveAutoBackup(r.handle(), r.data.path(), "reset").ok; };
    return Outcome{ResetToDefaults(*r.rig.dev, r.wc, options) == ResetResult::kDone, {}};
  };
  c.check = [&](FaultRig& r, const Outcome& o, const std::vector<uint8_t>& clean_end) {
    if (o.ok) {
      EXPECT_EQ(r.Memory(), clean_end);
    }
    if (o.ok || r.wc.loaded) test::ExpectSameConfiguration(r.wc, r.FreshRead());
    ExpectAutoBackupRestoresTheMouse(r, before);
  };
  test::RunMatrix(rig, std::string("reset ") + GetParam(), c);
}

INSTANTIATE_TEST_SUITE_P(Levels, MemoryFaults, ::testing::Values("level0", "level5", "level11"));

}  // namespace
}  // namespace halvric
