// Every halvricctl example the README and the man page show runs as written (against the simulated mouse, with
// the files the examples name made beforehand) and succeeds.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

#include "cli/ctl_run.h"
#include "platform/folders.h"
#include "support/sim_fixture.h"

namespace halvric {
namespace {

// The words of a command line as a POSIX shell splits it: blanks separate, double quotes group.
std::vector<std::string> ShellWords(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, any = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if (c == ' ' && !quoted) {
      if (any) words.push_back(word);
      word.clear();
      any = false;
    } else {
      word += c;
      any = true;
    }
  }
  if (any) words.push_back(word);
  return words;
}

// The lines of the README's halvricctl example block, without their comments.
std::vector<std::string> ReadmeExamples() {
  std::ifstream in(std::string(HALVRIC_SOURCE_DIR) + "/README.md");
  std::vector<std::string> lines;
  std::string line;
  bool in_section = false, in_block = false;
  while (std::getline(in, line)) {
    if (line.rfind("## ", 0) == 0) in_section = line == "## Using halvricctl";
    if (!in_section) continue;
    if (line.rfind("```", 0) == 0) {
      in_block = !in_block;
      continue;
    }
    if (!in_block || line.rfind("halvricctl ", 0) != 0) continue;
    if (const size_t hash = line.find("  #"); hash != std::string::npos) line.resize(hash);
    lines.push_back(line);
  }
  return lines;
}

// The lines of the man page's EXAMPLES section, its "\-" read as "-".
std::vector<std::string> ManPageExamples() {
  std::ifstream in(std::string(HALVRIC_SOURCE_DIR) + "/packaging/halvricctl.1");
  std::vector<std::string> lines;
  std::string line;
  bool in_section = false;
  while (std::getline(in, line)) {
    if (line.rfind(".SH ", 0) == 0) in_section = line == ".SH EXAMPLES";
    if (!in_section || line.rfind("halvricctl ", 0) != 0) continue;
    for (size_t at = line.find("\\-"); at != std::string::npos; at = line.find("\\-", at)) line.erase(at, 1);
    lines.push_back(line);
  }
  return lines;
}

// Runs each example in order in a fresh folder, with the files the examples name made first.
void RunEach(const std::vector<std::string>& examples) {
  const std::filesystem::path dir = test::TempPath("examples");
  std::filesystem::create_directories(dir);
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  setenv("HALVRIC_DATA_DIR", (dir / "data").c_str(), 1);
  // The files the examples name: a macro, and a small firmware image (256 bytes from address 0).
  std::filesystem::copy_file(ProgramFolder(FolderEnvironment::FromProcess()) / "library" / "editing" / "copy.mf",
                             dir / "combo.mf");
  {
    std::ofstream hex(dir / "firmware.hex");
    for (int addr = 0; addr < 256; addr += 16) {
      int sum = 16 + (addr >> 8) + (addr & 0xFF);
      char rec[64];
      int n = std::snprintf(rec, sizeof rec, ":10%04X00", addr);
      for (int i = 0; i < 16; ++i) {
        const int b = ((addr + i) * 7 + 3) & 0xFF;
        sum += b;
        n += std::snprintf(rec + n, sizeof rec - static_cast<size_t>(n), "%02X", b);
      }
      std::snprintf(rec + n, sizeof rec - static_cast<size_t>(n), "%02X", (-sum) & 0xFF);
      hex << rec << "\n";
    }
    hex << ":00000001FF\n";
  }

  for (const std::string& example : examples) {
    SCOPED_TRACE(example);
    std::vector<std::string> args = ShellWords(example);
    args.erase(args.begin());  // the program's name
    // Examples without a simulated mouse of their own talk to one that keeps its state.
    bool simulated = false;
    for (const auto& a : args) simulated = simulated || a.rfind("--simulate", 0) == 0;
    if (!simulated) args.insert(args.begin(), {"--simulate=level11", "--sim-state", "mouse-state.json"});
    const test::CtlRun r = test::Ctl(args);
    EXPECT_EQ(r.code, 0) << r.err;
  }

  std::filesystem::current_path(before);
  unsetenv("HALVRIC_DATA_DIR");
  std::filesystem::remove_all(dir);
}

TEST(DocumentedExamples, EveryReadmeExampleRuns) {
  const std::vector<std::string> examples = ReadmeExamples();
  ASSERT_GE(examples.size(), 10u) << "the README's example block was not found";
  RunEach(examples);
}

TEST(DocumentedExamples, EveryManPageExampleRuns) {
  const std::vector<std::string> examples = ManPageExamples();
  ASSERT_GE(examples.size(), 5u) << "the man page's EXAMPLES section was not found";
  RunEach(examples);
}

}  // namespace
}  // namespace halvric
