// halvricctl commands for backup files: backup FILE, restore FILE, backup --list-auto.

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/ctl_app.h"
#include "cli/ctl_context.h"
#include "cli/ctl_help.h"
#include "cli/ctl_text.h"
#include "config/auto_backup.h"
#include "config/backup_failure_text.h"
#include "config/backup_restore.h"
#include "config/working_copy.h"
#include "platform/folders.h"
#include "platform/terminal.h"

namespace halvric {
namespace {

constexpr int kBarWidth = 40;

// A progress bar on standard error, drawn only when that is a terminal.
BusyProgressFn TerminalProgress(CtlContext& ctx, int label) {
  if (ctx.options.quiet || &ctx.err != &std::cerr || !StandardErrorIsTerminal()) return {};
  const std::string what = ctx.Text(label);
  return [&ctx, what](double fraction, bool busy) {
    const int filled = static_cast<int>(fraction * kBarWidth + 0.5);
    ctx.err << "\r" << what << " [" << std::string(static_cast<size_t>(filled), '#')
            << std::string(static_cast<size_t>(kBarWidth - filled), ' ') << "] " << static_cast<int>(fraction * 100 + 0.5)
            << "%" << (busy ? "" : "\n") << std::flush;
  };
}

void ListAuto(CtlContext& ctx) {
  const auto list = ListAutoBackups(DataFolder(FolderEnvironment::FromProcess()));
  if (ctx.options.json) {
    nlohmann::json arr = nlohmann::json::array();
    for (const auto& b : list) arr.push_back({{"file", b.file.string()}, {"when", b.when}, {"reason", b.reason}, {"size", b.size}});
    ctx.out << arr.dump(2) << "\n";
    return;
  }
  if (list.empty()) ctx.out << ctx.Text(ctl_text::kNoAutoBackups) << "\n";
  for (const auto& b : list) ctx.out << b.when << "  " << b.reason << "  " << b.file.string() << "\n";
}

void RunBackup(CtlContext& ctx, const std::string& file) {
  ctx.Connect();
  const BackupResult r = Backup(ctx.Devices(), file, TerminalProgress(ctx, ctl_text::kProgressBackup));
  if (!r.ok()) throw CtlError(BackupFailureText(ctx.Texts(), r, file, false));
  if (ctx.options.json) {
    ctx.out << nlohmann::json{{"file", file}, {"bytes", r.size}}.dump(2) << "\n";
  } else {
    ctx.note() << ctx.Text(ctl_text::kBackupSaved, {static_cast<long long>(r.size), file}) << "\n";
  }
}

void RunRestore(CtlContext& ctx, const std::string& file) {
  ctx.Connect();
  WorkingCopy wc;
  const BackupResult r = Restore(ctx.Devices(), wc, file, ctx.DataFolderMade(), TerminalProgress(ctx, ctl_text::kProgressRestore));
  if (!r.ok()) throw CtlError(BackupFailureText(ctx.Texts(), r, file, true));
  if (ctx.options.json) {
    ctx.out << nlohmann::json{{"file", file}, {"bytes", r.size}, {"auto_backup", r.auto_backup.string()},
                              {"reloaded", r.reread == ReadAllResult::kLoaded}}
                   .dump(2)
            << "\n";
    return;
  }
  ctx.note() << ctx.Text(ctl_text::kRestoreWrote, {static_cast<long long>(r.size), file}) << "\n";
  if (!r.auto_backup.empty()) ctx.note() << ctx.Text(ctl_text::kPreviousSettings, {r.auto_backup.string()}) << "\n";
  if (r.size > 0 && r.reread != ReadAllResult::kLoaded) ctx.out << ctx.Text(ctl_text::kNotReadBack) << "\n";
}

}  // namespace

void RegisterBackupCommands(CLI::App& app, CtlContext& ctx) {
  auto* backup = app.add_subcommand("backup", Help(ctl_text::kHelpBackup));
  auto file = std::make_shared<std::string>();
  auto list_auto = std::make_shared<bool>(false);
  backup->add_option("FILE", *file, Help(ctl_text::kHelpBackupFile));
  backup->add_flag("--list-auto", *list_auto, Help(ctl_text::kHelpListAuto));
  backup->callback([&ctx, file, list_auto] {
    if (*list_auto) {
      if (!file->empty()) throw CLI::ValidationError("FILE", ctx.Text(ctl_text::kNotWithOption, {"--list-auto"}));
      ListAuto(ctx);
      return;
    }
    if (file->empty()) throw CLI::ValidationError("FILE", ctx.Text(ctl_text::kBackupFileRequired));
    RunBackup(ctx, *file);
  });

  auto* restore = app.add_subcommand("restore", Help(ctl_text::kHelpRestore));
  auto in = std::make_shared<std::string>();
  restore->add_option("FILE", *in, Help(ctl_text::kHelpRestoreFile))->required();
  restore->callback([&ctx, in] { RunRestore(ctx, *in); });
}

}  // namespace halvric
