// The writers of every kind of file the programs write, one per run, for the kill test: it
// prints "R" when everything but the write itself is done, then writes and exits. The parent
// kills it at a random moment after the "R".
//
//   file_writer <kind> <folder> old|new
//
// "old" writes the state the test starts from, "new" the state it changes to.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "config/auto_backup.h"
#include "config/backup_file.h"
#include "config/program_settings.h"
#include "config/text_tables.h"
#include "macro/instruction_set.h"
#include "macro/macro_file.h"
#include "macro/macro_library.h"
#include "platform/folders.h"
#include "platform/profile_file.h"
#include "services/app_links.h"
#include "sim/sim_hid_backend.h"

namespace fs = std::filesystem;

namespace halvric {
namespace {

void Ready() {
  std::fputs("R", stdout);
  std::fflush(stdout);
}

int Done(bool ok, const std::string& what) {
  if (ok) return 0;
  std::fprintf(stderr, "file_writer: %s failed\n", what.c_str());
  return 1;
}

Macro BigMacro(const std::string& name, uint8_t key, size_t count) {
  std::vector<uint8_t> code;
  for (size_t i = 0; i < count; ++i) {
    code.push_back(0x83);
    code.push_back(key);
  }
  Macro m;
  m.name = name;
  m.items = ParseInstructions(code);
  return m;
}

// A settings file large enough that its write takes a while: comments the writer must keep.
void PadSettings(const fs::path& file) {
  std::string comments;
  for (int i = 0; i < 2000; ++i) comments += "; kept comment line " + std::to_string(i) + "\n";
  std::FILE* f = std::fopen(file.string().c_str(), "w");
  std::fputs(("[ARG]\nosd=1\nlanguage=1033\n" + comments).c_str(), f);
  std::fclose(f);
}

int Settings(const fs::path& folder, bool is_new) {
  const fs::path file = folder / kSettingsFileName;
  if (!is_new) PadSettings(file);
  ProfileFile ini(file.string());
  ProgramSettings s;
  s.osd = is_new ? 0 : 1;
  s.disable_acc = is_new ? 0 : 1;
  for (int i = 0; i < kAppLinkCount; ++i) {
    s.links[static_cast<size_t>(i)] = {"/usr/bin/program" + std::to_string(i) + (is_new ? "-new" : ""),
                                       "Program " + std::to_string(i)};
  }
  Ready();
  return Done(s.SaveOptions(ini), "settings");
}

int Language(const fs::path& folder, bool is_new) {
  const fs::path file = folder / kSettingsFileName;
  if (!is_new) PadSettings(file);
  ProfileFile ini(file.string());
  Ready();
  return Done(WriteLanguageOption(ini, is_new ? "1031" : "1033"), "language");
}

int Links(const fs::path& folder, bool is_new) {
  if (!is_new) PadSettings(folder / kSettingsFileName);
  ProgramSettings s = LoadLinkSettings(folder, {});
  if (is_new) {
    RemoveLink(s, 0);
    SetLink(s, 3, "/usr/bin/other", std::string("Other"), {});
  } else {
    SetLink(s, 0, "/usr/bin/first", std::string("First"), {});
  }
  Ready();
  return Done(SaveLinkSettings(s, folder), "links");
}

int MacroSave(const fs::path& folder, bool is_new) {
  fs::create_directories(folder / kFavoriteFolderName);
  const Macro m = is_new ? BigMacro("New", 0x05, 20000) : BigMacro("Old", 0x04, 15000);
  Ready();
  return Done(SaveMacroFile(folder / kFavoriteFolderName / "1.mf", m, is_new ? 2000 : 1000) == MacroFileStatus::kOk,
              "macro");
}

int LibraryRename(const fs::path& folder, bool is_new) {
  if (!is_new) return MacroSave(folder, false);
  const TextTables texts;
  MacroLibraryHooks hooks;
  hooks.now = [] { return int64_t{1700000000}; };
  MacroLibrary library(folder, texts, hooks);
  library.ScanLibrary();
  if (library.macros().size() != 1) return Done(false, "library scan");
  const _MACRO_LIST_ITEM_ entry = library.macros().front();
  Ready();
  return Done(library.RenameEntry(entry, "Renamed").has_value(), "rename");
}

// The mouse's memory as the backups read it (reading it from a simulated mouse takes a fifth of
// a second of protocol waits, which would only stretch the test).
std::vector<uint8_t> Image(bool is_new) {
  std::vector<uint8_t> image(is_new ? 16384 : 8192);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(is_new ? i * 7 : i * 3);
  return image;
}

int BackupFile(const fs::path& folder, bool is_new) {
  const std::vector<uint8_t> image = Image(is_new);
  Ready();
  return Done(WriteBackupFile((folder / "mouse.bf").string(), image), "backup");
}

int AutoBackupFile(const fs::path& folder, bool is_new) {
  const std::vector<uint8_t> image = Image(is_new);
  const auto when = std::chrono::system_clock::time_point(std::chrono::seconds(is_new ? 1700000100 : 1700000000));
  Ready();
  return Done(WriteAutoBackup(image, folder, is_new ? "reset" : "restore", when).ok, "automatic backup");
}

int SimState(const fs::path& folder, bool is_new) {
  sim::SimHidBackend backend("level11");
  backend.SetStateFile((folder / "state.json").string());
  std::vector<uint8_t> bytes(4096, is_new ? 0x5A : 0xA5);
  backend.Mouse(0).WriteMemory(0, bytes);
  Ready();
  backend.SaveState();
  return Done(backend.LastStateError().empty(), "simulated state");
}

}  // namespace
}  // namespace halvric

int main(int argc, char** argv) {
  using namespace halvric;
  if (argc != 4) {
    std::fprintf(stderr, "usage: file_writer <kind> <folder> old|new\n");
    return 2;
  }
  const std::string kind = argv[1];
  const fs::path folder = argv[2];
  const bool is_new = std::strcmp(argv[3], "new") == 0;
  try {
    if (kind == "settings") return Settings(folder, is_new);
    if (kind == "language") return Language(folder, is_new);
    if (kind == "links") return Links(folder, is_new);
    if (kind == "macro") return MacroSave(folder, is_new);
    if (kind == "rename") return LibraryRename(folder, is_new);
    if (kind == "backup") return BackupFile(folder, is_new);
    if (kind == "auto-backup") return AutoBackupFile(folder, is_new);
    if (kind == "sim-state") return SimState(folder, is_new);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "file_writer: %s\n", e.what());
    return 1;
  }
  std::fprintf(stderr, "file_writer: unknown kind %s\n", kind.c_str());
  return 2;
}
