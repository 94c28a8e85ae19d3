// halvricctl library commands: the macro library on disk (the tree the macro list window shows)
// listed, and a macro file imported into it.

#include <CLI/CLI.hpp>
#include <ctime>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>

#include "cli/ctl_app.h"
#include "cli/ctl_context.h"
#include "cli/ctl_help.h"
#include "cli/ctl_text.h"
#include "cli/text_format.h"
#include "config/text_tables.h"
#include "config/ui_texts.h"
#include "macro/macro_file.h"
#include "macro/macro_library.h"
#include "config/safe_format.h"
#include "platform/folders.h"

namespace halvric {
namespace {

namespace fs = std::filesystem;

// "yyyy/mm/dd - hh:mm   file size bytes ", the way the macro list shows a macro file, in local
// time; the size is the file's, which differs from what the macro takes in the mouse.
std::string StampAndSize(CtlContext& ctx, int64_t time, int32_t size) {
  const std::time_t t = static_cast<std::time_t>(time);
  std::tm local{};
  localtime_r(&t, &local);
  return SafeFormat("%d/%02d/%02d - %02d:%02d   ",
                    {static_cast<long long>(local.tm_year + 1900), static_cast<long long>(local.tm_mon + 1),
                     static_cast<long long>(local.tm_mday), static_cast<long long>(local.tm_hour),
                     static_cast<long long>(local.tm_min)}) +
         ctx.Text(ctl_text::kLibraryFileSize, {size}) + " ";
}

// The entries of folder `parent` (0: the top) and, below each folder, its own entries.
nlohmann::json TreeJson(const MacroList& list, int parent) {
  nlohmann::json entries = nlohmann::json::array();
  for (const _MACRO_LIST_ITEM_& e : list) {
    if (e.parent != parent) continue;
    if (e.IsFolder()) {
      entries.push_back({{"type", "folder"}, {"name", e.name}, {"path", e.path}, {"entries", TreeJson(list, e.id)}});
    } else {
      entries.push_back({{"type", "macro"},
                         {"name", e.name},
                         {"path", e.path},
                         {"mode", e.type},
                         {"time", e.time},
                         {"file_size", e.size}});
    }
  }
  return entries;
}

void PrintTree(CtlContext& ctx, const MacroList& list, int parent, int depth) {
  std::ostream& out = ctx.out;
  const std::string indent(static_cast<size_t>(2 * depth), ' ');
  for (const _MACRO_LIST_ITEM_& e : list) {
    if (e.parent != parent) continue;
    if (e.IsFolder()) {
      out << indent << e.name << "/\n";
      PrintTree(ctx, list, e.id, depth + 1);
    } else {
      // Names take at most 15 characters in the library.
      out << indent << PadRight(e.name, 16) << "  " << StampAndSize(ctx, e.time, e.size) << " "
          << fs::path(e.path).filename().string() << "\n";
    }
  }
}

void ListLibrary(CtlContext& ctx) {
  MacroLibrary library(ctx.DataFolderMade(), ctx.Texts());
  library.ScanLibrary();
  if (ctx.options.json) {
    ctx.out << nlohmann::json{{"folder", library.tree().string()}, {"entries", TreeJson(library.macros(), 0)}}.dump(2)
            << "\n";
    return;
  }
  ctx.out << library.tree().string() << "\n";
  if (library.macros().empty()) ctx.out << "  " << ctx.Text(ctl_text::kLibraryEmpty) << "\n";
  PrintTree(ctx, library.macros(), 0, 1);
}

// The folder inside the library that --folder names ("Work" or "Games/Shooter"), created when
// missing. Each part is cleaned as the window cleans a new folder's name; ".." and absolute
// paths are refused so that nothing lands outside the library.
fs::path ImportFolder(CtlContext& ctx, const MacroLibrary& library, const std::string& folder) {
  fs::path target = library.tree();
  if (folder.empty()) return target;
  const fs::path rel(folder);
  if (rel.is_absolute()) throw CLI::ValidationError("--folder", ctx.Text(ctl_text::kLibraryFolder, {folder}));
  for (const auto& part : rel) {
    const std::string name = CleanFileName(part.string());
    if (name.empty() || name == "." || name == ".." || name.size() > kMaxFolderNameChars) {
      throw CLI::ValidationError("--folder", ctx.Text(ctl_text::kLibraryFolder, {folder}));
    }
    target /= name;
  }
  std::error_code ec;
  fs::create_directories(target, ec);
  if (ec) throw CtlError(target.string() + ": " + ec.message());
  return target;
}

void Import(CtlContext& ctx, const std::string& file, const std::string& folder) {
  const TextTables& texts = ctx.Texts();
  if (!HasMacroExtension(file)) throw CtlError(ctx.Text(ctl_text::kNotMacroFile, {file}));
  auto loaded = LoadMacroFile(file);
  if (!loaded) {
    if (loaded.fault() == MacroFileStatus::kUnreadable && !fs::is_regular_file(file)) {
      throw CtlError(ctx.Text(TextFamily::ui_str, ui_text::kUpgradeUnreadable, {file}));
    }
    throw CtlError(ctx.Text(TextFamily::msg_str, kMsgInvalidFormat));
  }
  MacroLibrary library(ctx.DataFolderMade(), texts);
  const fs::path target = library.NewMacroPath(ImportFolder(ctx, library, folder));
  const Macro& macro = loaded.value();
  if (!library.SaveMacro(target, macro)) throw CtlError(ctx.Text(TextFamily::ui_str, ui_text::kCannotWrite, {target.string()}));
  if (ctx.options.json) {
    ctx.out << nlohmann::json{{"name", macro.name}, {"mode", macro.mode}, {"path", target.string()}}.dump(2) << "\n";
  } else {
    ctx.note() << ctx.Text(ctl_text::kImported, {macro.name, target.string()}) << "\n";
  }
}

}  // namespace

void RegisterLibraryCommands(CLI::App& app, CtlContext& ctx) {
  auto* library = app.add_subcommand("library", Help(ctl_text::kHelpLibrary));
  library->require_subcommand(1);
  library->add_subcommand("list", Help(ctl_text::kHelpLibraryList))->callback([&ctx] { ListLibrary(ctx); });
  auto* import = library->add_subcommand("import", Help(ctl_text::kHelpImport));
  auto file = std::make_shared<std::string>();
  auto folder = std::make_shared<std::string>();
  import->add_option("FILE", *file, Help(ctl_text::kHelpMacroFile))->required();
  import->add_option("--folder", *folder, Help(ctl_text::kHelpFolder));
  import->callback([&ctx, file, folder] { Import(ctx, *file, *folder); });
}

}  // namespace halvric
