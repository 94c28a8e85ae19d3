#include "platform/linux/process_image.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace halvric::linux_hid {
namespace {

TEST(ProcessImage, NativeProgramsByExecutableWindowsProgramsByTheirExe) {
  EXPECT_EQ(ProgramNameFrom("/usr/bin/gedit", {"gedit", "notes.exe"}), "gedit");
  EXPECT_EQ(ProgramNameFrom("/opt/game/bin/game.x86_64 (deleted)", {}), "game.x86_64");
  // The loader shows the Windows program as its first argument.
  EXPECT_EQ(ProgramNameFrom("/usr/bin/wine64-preloader", {"C:\\Games\\Shooter\\mygame.exe", "-windowed"}),
            "mygame.exe");
  // A plain launch: the .exe follows the loader's own arguments; letter case is kept.
  EXPECT_EQ(ProgramNameFrom("/usr/lib/wine/wine64", {"wine64", "--debug", "/home/u/Game.EXE"}), "Game.EXE");
  EXPECT_EQ(ProgramNameFrom("/usr/lib/wine/wine64", {"wine64"}), "wine64");
  EXPECT_EQ(ProgramNameFrom("", {}), "");
}

TEST(ProcessImage, ReadsProc) {
  EXPECT_EQ(ProcessProgramName(getpid()), "test_platform_linux");
  EXPECT_FALSE(ProcessProgramName(0));

  const std::filesystem::path root = std::filesystem::temp_directory_path() / ("halvric_proc_" + std::to_string(getpid()));
  std::filesystem::create_directories(root / "42");
  std::filesystem::create_symlink("/usr/bin/wine-preloader", root / "42" / "exe");
  std::ofstream(root / "42" / "cmdline", std::ios::binary) << std::string("Z:\\apps\\tool.exe\0/x\0", 20);
  EXPECT_EQ(ProcessProgramName(42, root.string()), "tool.exe");
  EXPECT_FALSE(ProcessProgramName(43, root.string()));
  std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace halvric::linux_hid
