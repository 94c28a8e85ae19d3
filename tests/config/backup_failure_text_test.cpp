// Why a backup or a restore failed, as the window and halvricctl say it: the failures of real
// runs on a simulated mouse, in English and in German, with the numbers, the file and the
// system's reason kept.

#include "config/backup_failure_text.h"

#include <gtest/gtest.h>

#include "config/backup_file.h"
#include "config/temp_folder.h"
#include "platform/folders.h"
#include "support/sim_fixture.h"

namespace halvric {
namespace {

TEST(BackupFailureText, RealFailuresInEnglishAndGerman) {
  TextTables de;
  ASSERT_EQ(de.LoadLanguage((ProgramFolder(FolderEnvironment::FromProcess()) / "language.ini").string(), 1031), 1031);
  const TextTables en;
  test::SimRig rig("level5");
  ASSERT_TRUE(rig.dev->SelectDevice(rig.PathOf(0), false));
  const testing::TempFolder data;
  WorkingCopy wc;

  const std::string missing = (data.path() / "missing.bf").string();
  BackupResult r = Restore(*rig.dev, wc, missing, data.path());
  EXPECT_EQ(BackupFailureText(en, r, missing, true), missing + ": cannot be read (No such file or directory)");
  EXPECT_EQ(BackupFailureText(de, r, missing, true), missing + ": kann nicht gelesen werden (No such file or directory)");

  const std::string text = data.Put("notes.bf", "not a backup");
  r = Restore(*rig.dev, wc, text, data.path());
  EXPECT_EQ(BackupFailureText(de, r, text, true), "Ung\u00fcltiges Format !!");

  const std::string big = data.Put("big.bf", "");
  WriteBackupFile(big, std::vector<uint8_t>(16384, 0x12));
  r = Restore(*rig.dev, wc, big, data.path());
  EXPECT_EQ(BackupFailureText(en, r, big, true), r.message);
  EXPECT_EQ(BackupFailureText(de, r, big, true),
            "Die Sicherung enth\u00e4lt 16384 Bytes, der Speicher der Maus fasst aber nur 8192");

  const std::string nowhere = (data.path() / "no-folder" / "mouse.bf").string();
  r = Backup(*rig.dev, nowhere);
  EXPECT_EQ(BackupFailureText(de, r, nowhere, false),
            nowhere + ": kann nicht geschrieben werden (No such file or directory)");

  // The mouse gone before the backup reads it.
  rig.backend.Mouse(0).ScheduleFault(*sim::ParseFault("unplug@1"));
  r = Backup(*rig.dev, (data.path() / "gone.bf").string());
  EXPECT_EQ(BackupFailureText(en, r, "gone.bf", false), r.message);
  EXPECT_EQ(BackupFailureText(de, r, "gone.bf", false),
            "Die Maus antwortet nicht mehr; es wurde keine Sicherung geschrieben");
}

}  // namespace
}  // namespace halvric
