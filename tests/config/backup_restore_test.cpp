#include "config/backup_restore.h"

#include <chrono>
#include <gtest/gtest.h>
#include <random>

#include "config/auto_backup.h"
#include "config/backup_file.h"
#include "config/temp_folder.h"
#include "platform/archive_stream.h"
#include "support/sim_fixture.h"

namespace halvric {
namespace {

using test::SimRig;
using test::WireEvent;

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }
std::string Text(const std::vector<uint8_t>& v) { return {v.begin(), v.end()}; }

// A recognisable memory content that keeps the signature byte of an initialised memory.
void Scribble(sim::SimMouse& mouse, unsigned seed) {
  std::mt19937 gen(seed);
  const size_t size = mouse.Model().memory_size;
  std::vector<uint8_t> mem(size);
  for (auto& b : mem) b = static_cast<uint8_t>(gen());
  mem[0] = 0x12;
  mem[0x11] = 2;  // a valid lighting effect
  mouse.WriteMemory(0, mem);
}

struct Restorer {
  WorkingCopy wc;
  testing::TempFolder data;
};

class BackupRoundTrip : public ::testing::TestWithParam<const char*> {};

TEST_P(BackupRoundTrip, RestoreOntoAFreshMouseOfTheModelGivesIdenticalMemory) {
  const std::string model = GetParam();
  SimRig rig(model + "," + model);
  sim::SimMouse& source = rig.backend.Mouse(0);
  sim::SimMouse& target = rig.backend.Mouse(1);
  const size_t size = source.Model().memory_size;
  Scribble(source, 7);
  const auto target_before = target.ReadMemory(0, size);

  Restorer r;
  const std::string file = (r.data.path() / "mouse.bf").string();
  ASSERT_TRUE(rig.dev->SelectDevice(rig.PathOf(0), false));
  std::vector<std::pair<double, bool>> progress;
  BackupResult b = Backup(*rig.dev, file, [&](double f, bool busy) { progress.emplace_back(f, busy); });
  ASSERT_TRUE(b.ok()) << b.message;
  EXPECT_EQ(b.size, size);
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back(), std::make_pair(1.0, false));
  for (size_t i = 1; i < progress.size(); ++i) EXPECT_GE(progress[i].first, progress[i - 1].first);

  const std::string raw = testing::TempFolder::Read(file);
  ASSERT_EQ(raw.size(), kBackupHeaderSize + size);
  const std::string header("\xFF\xFE\xFF\x07_\0@\0_\0B\0F\0\x36\0_\0", 18);
  EXPECT_EQ(raw.substr(0, 18), header);
  const auto s = static_cast<uint32_t>(static_cast<uint8_t>(raw[18]) | static_cast<uint8_t>(raw[19]) << 8 |
                                       static_cast<uint8_t>(raw[20]) << 16 | static_cast<uint8_t>(raw[21]) << 24);
  EXPECT_EQ(s, size);

  ASSERT_TRUE(rig.dev->SelectDevice(rig.PathOf(1), false));
  progress.clear();
  BackupResult res = Restore(*rig.dev, r.wc, file, r.data.path(),
                             [&](double f, bool busy) { progress.emplace_back(f, busy); });
  ASSERT_TRUE(res.ok()) << res.message;
  EXPECT_EQ(res.reread, ReadAllResult::kLoaded);
  EXPECT_EQ(target.ReadMemory(0, size), source.ReadMemory(0, size));
  EXPECT_EQ(target.ActiveProfile(), 0);
  EXPECT_EQ(progress.back(), std::make_pair(1.0, false));
  if (source.Model().lighting) {
    EXPECT_EQ(target.LedMode(), 2);
  }

  // The memory the restore replaced was saved first, and that save restores like any backup.
  const auto autos = ListAutoBackups(r.data.path());
  ASSERT_EQ(autos.size(), 1u);
  EXPECT_EQ(autos[0].reason, "restore");
  const auto saved = DecodeBackupFile(Bytes(testing::TempFolder::Read(autos[0].file.string())));
  ASSERT_TRUE(saved.ok());
  auto expected = target_before;
  // The size probe of a level-0 or level-5 mouse marks the top of its memory before reading it.
  if (!source.Model().reports_memory_size) expected[size - 2] = expected[size - 1] = 0x12;
  EXPECT_EQ(*saved, expected);
}

INSTANTIATE_TEST_SUITE_P(EachModel, BackupRoundTrip,
                         ::testing::Values("level0", "level5", "level11", "level0-strict", "level5-strict",
                                           "level11-strict"));

TEST(Restore, AnEmptyImageOnlySelectsProfileZeroAndWakes) {
  SimRig rig("level11");
  ASSERT_TRUE(rig.dev->SelectDevice(rig.PathOf(0), false));
  Restorer r;
  const std::string file = r.data.Put("empty.bf", Text(EncodeBackupFile({})));
  rig.backend.ClearTrace();
  const auto before = rig.backend.Mouse(0).ReadMemory(0, 16384);
  BackupResult res = Restore(*rig.dev, r.wc, file, r.data.path());
  ASSERT_TRUE(res.ok()) << res.message;
  const auto sends = rig.SendsSinceClear();
  ASSERT_EQ(sends.size(), 3u);
  EXPECT_EQ(std::vector<uint8_t>(sends[0].bytes.begin() + 1, sends[0].bytes.begin() + 4),
            (std::vector<uint8_t>{0x00, 0x12, 0x12}));
  EXPECT_EQ(std::vector<uint8_t>(sends[1].bytes.begin() + 1, sends[1].bytes.begin() + 3),
            (std::vector<uint8_t>{0x11, 0x00}));
  EXPECT_EQ(sends[2].bytes, sends[0].bytes);
  EXPECT_EQ(rig.backend.Mouse(0).ReadMemory(0, 16384), before);
  EXPECT_TRUE(ListAutoBackups(r.data.path()).empty());
}

TEST(Restore, BadFilesAreRefusedBeforeAnythingIsSent) {
  const std::vector<uint8_t> good = EncodeBackupFile(std::vector<uint8_t>(100, 0xAB));
  std::vector<uint8_t> wrong_tag = good;
  wrong_tag[4 + 2 * 5] = '5';  // "_@_BF5_"
  std::vector<uint8_t> short_image(good.begin(), good.end() - 1);
  std::vector<uint8_t> header_only(good.begin(), good.begin() + 20);
  ArchiveWriter huge;
  huge.WriteString(kBackupTag);
  huge.WriteU32(0x10001);
  huge.WriteBytes(std::vector<uint8_t>(0x10001, 0));
  ArchiveWriter other;
  other.WriteString("_@_MF1_");
  other.WriteU32(0);
  const std::vector<std::pair<const char*, std::vector<uint8_t>>> cases = {
      {"empty", {}},
      {"wrong tag", wrong_tag},
      {"header cut", header_only},
      {"image one byte short", short_image},
      {"larger than any mouse", huge.bytes()},
      {"another archive", other.bytes()},
      {"text", Bytes("_@_BF6_ this is not a backup")},
  };
  SimRig rig("level5");
  ASSERT_TRUE(rig.dev->SelectDevice(rig.PathOf(0), false));
  const auto before = rig.backend.Mouse(0).ReadMemory(0, 8192);
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    Restorer r;
    const std::string file = r.data.Put("bad.bf", Text(bytes));
    rig.backend.ClearTrace();
    BackupResult res = Restore(*rig.dev, r.wc, file, r.data.path());
    EXPECT_EQ(res.status, BackupStatus::kInvalidFormat);
    EXPECT_EQ(res.message, "invalid format !!");
    EXPECT_TRUE(rig.backend.TraceLines().empty());
    EXPECT_TRUE(ListAutoBackups(r.data.path()).empty());
    EXPECT_EQ(testing::TempFolder::Read(file), Text(bytes)) << "a refused file is left as it was";
  }
  EXPECT_EQ(rig.backend.Mouse(0).ReadMemory(0, 8192), before);
}

TEST(Backup, AFileThatCannotBeReplacedGivesTheReasonAndStaysAsItWas) {
  SimRig rig("level5");
  ASSERT_TRUE(rig.dev->SelectDevice(rig.PathOf(0), false));
  Restorer r;
  const std::string folder = (r.data.path() / "taken.bf").string();
  r.data.Put("taken.bf/inside", "kept");
  const BackupResult b = Backup(*rig.dev, folder);
  EXPECT_EQ(b.status, BackupStatus::kFileError);
  EXPECT_EQ(b.message, "Cannot replace " + folder + ": Is a directory");
  EXPECT_EQ(testing::TempFolder::Read(folder + "/inside"), "kept");
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(r.data.path())) names.push_back(e.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"taken.bf"}) << "no temporary file is left";
}

TEST(Restore, AnImageLargerThanTheMouseIsRefusedWithoutWriting) {
  SimRig rig("level11");
  ASSERT_TRUE(rig.dev->SelectDevice(rig.PathOf(0), false));
  Restorer r;
  const std::string file = r.data.Put("big.bf", Text(EncodeBackupFile(std::vector<uint8_t>(16385, 0x12))));
  const auto before = rig.backend.Mouse(0).ReadMemory(0, 16384);
  rig.backend.ClearTrace();
  BackupResult res = Restore(*rig.dev, r.wc, file, r.data.path());
  EXPECT_EQ(res.status, BackupStatus::kTooLarge);
  for (const WireEvent& e : rig.SendsSinceClear()) EXPECT_NE(e.bytes[1], 0x03) << "memory write sent";
  EXPECT_EQ(rig.backend.Mouse(0).ReadMemory(0, 16384), before);
}

TEST(BackupFile, TheTagMayBeStoredAsEightBitText) {
  ArchiveWriter w;
  w.WriteU8(7);
  for (char c : std::string(kBackupTag)) w.WriteU8(static_cast<uint8_t>(c));
  w.WriteU32(3);
  w.WriteBytes(std::vector<uint8_t>{1, 2, 3});
  w.WriteU8(9);  // bytes after the image are not part of it
  EXPECT_EQ(DecodeBackupFile(w.bytes()).value(), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(ProposedBackupName(2018, 8, 20), "mouse_2018-08-20");
}

TEST(AutoBackup, KeepsTheNewestTenAndLeavesOtherFilesAlone) {
  SimRig rig("level5");
  const std::string path = rig.PathOf(0);
  testing::TempFolder data;
  data.Put("auto-backup/notes.txt", "mine");
  const auto base = std::chrono::system_clock::now();
  std::vector<std::string> made;
  for (int i = 0; i < 12; ++i) {
    // Two backups in the same second get consecutive numbers.
    const auto when = base + std::chrono::seconds(i / 2 * 2);
    const AutoBackupResult res = SaveAutoBackup(MouseAt(*rig.dev, path), data.path(), i % 2 ? "reset" : "firmware write", {}, when);
    ASSERT_TRUE(res.ok) << res.error;
    made.push_back(res.file.filename().string());
  }
  const auto list = ListAutoBackups(data.path());
  ASSERT_EQ(list.size(), 10u);
  for (size_t i = 0; i < list.size(); ++i) EXPECT_EQ(list[i].file.filename().string(), made[11 - i]);
  EXPECT_EQ(list[0].reason, "reset");
  EXPECT_EQ(list[1].reason, "firmware-write");
  EXPECT_EQ(list[0].size, kBackupHeaderSize + 8192);
  EXPECT_EQ(list[0].when.size(), 19u);
  EXPECT_TRUE(std::filesystem::exists(data.path() / "auto-backup/notes.txt"));
}

}  // namespace
}  // namespace halvric
