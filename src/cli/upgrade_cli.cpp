// halvricctl flash: writes a firmware HEX file into a mouse, or shows what would be written.

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "cli/ctl_app.h"
#include "cli/ctl_context.h"
#include "cli/ctl_help.h"
#include "cli/ctl_text.h"
#include "config/hex_refusal_text.h"
#include "config/ui_texts.h"
#include "device/device_commands.h"
#include "device/firmware_writer.h"
#include "device/intel_hex.h"
#include "device/upgrade_pieces.h"
#include "platform/stop_signals.h"
#include "platform/terminal.h"
#include "platform/text.h"

namespace halvric {
namespace {

// Resends of one piece before halvricctl gives up (the window resends until the user aborts).
constexpr int kCtlPieceRetries = 50;

std::string Hex8(uint32_t v) { return FormatHexNumber(v, 8, HexCase::kUpper); }

FirmwareImage Load(CtlContext& ctx, const std::string& file) {
  auto loaded = LoadIntelHexFile(file);
  if (!loaded) throw CtlError(HexRefusalText(ctx.Texts(), loaded.fault(), file));
  return std::move(loaded).value();
}

// Bytes of the file that are not written into the mouse because they lie beyond the last piece.
uint32_t BytesNotSent(const FirmwareImage& image, const std::vector<UpgradePiece>& pieces) {
  const uint32_t sent_end = pieces.empty() ? kUpgradeFirstAddress : pieces.back().End();
  return image.end > sent_end ? image.end - sent_end : 0;
}

void DryRun(CtlContext& ctx, const std::string& file) {
  const FirmwareImage image = Load(ctx, file);
  const uint16_t checksum = FirmwareChecksum(image);
  const auto pieces = PlanUpgradePieces(image.end);
  if (ctx.options.json) {
    nlohmann::json arr = nlohmann::json::array();
    for (const auto& p : pieces) arr.push_back({{"address", p.address}, {"length", p.length}});
    ctx.out << nlohmann::json{{"checksum", Hex8(checksum)},
                              {"image_end", image.end},
                              {"bytes_outside_image", image.bytes_outside},
                              {"bytes_beyond_last_piece", BytesNotSent(image, pieces)},
                              {"pieces", arr}}
                   .dump(2)
            << "\n";
    return;
  }
  ctx.out << ctx.Text(ctl_text::kChecksum, {Hex8(checksum)}) << "\n";
  ctx.out << ctx.Text(ctl_text::kImageEnd, {image.end, static_cast<long long>(pieces.size())}) << "\n";
  for (const auto& p : pieces) {
    char line[48];
    std::snprintf(line, sizeof line, "%04X-%04X %2u\n", static_cast<unsigned>(p.address),
                  static_cast<unsigned>(p.End() - 1), static_cast<unsigned>(p.length));
    ctx.out << line;
  }
  if (image.bytes_outside > 0) ctx.out << ctx.Text(ctl_text::kBytesOutside, {image.bytes_outside}) << "\n";
  if (const uint32_t beyond = BytesNotSent(image, pieces); beyond > 0) {
    ctx.out << ctx.Text(ctl_text::kNotWritten, {image.end - beyond, image.end}) << "\n";
  }
}

// The connected mouse, if it takes a firmware upgrade at all.
Mouse UpgradableMouse(CtlContext& ctx) {
  const std::string& path = ctx.Connect();
  DeviceLayer& dev = ctx.Devices();
  const auto info = dev.Info(path);
  if (!info) throw CtlError(ctx.Text(TextFamily::msg_str, kMsgNoDevice));
  if (!TakesFirmwareUpgrade(*info)) throw CtlError(ctx.Text(ctl_text::kNoUpgrade, {info->protocol_level}));
  return MouseAt(dev, path);
}

// What the user needs to know after a write that did not complete: where the mouse is and what
// to do next.
std::string StateAfterFailure(CtlContext& ctx, IspAfterWrite isp, const std::string& file) {
  const std::string retry = "halvricctl flash " + file;
  switch (isp) {
    case IspAfterWrite::kNotEntered:
      return ctx.Text(ctl_text::kNothingSent) + " " + ctx.Text(ctl_text::kToRetry, {retry});
    case IspAfterWrite::kLeft:
      return ctx.Text(ctl_text::kNothingWritten) + " " + ctx.Text(ctl_text::kToRetry, {retry});
    case IspAfterWrite::kStays:
      break;
  }
  return ctx.Text(ctl_text::kPartlyWritten) + "\n" + ctx.Text(ctl_text::kRetrySame, {retry}) + "\n" +
         ctx.Text(ctl_text::kLeaveIsp, {"halvricctl flash --exit-isp"});
}

// The write's own failure messages in the user's language; others (the device's) as they come.
std::string WriterMessage(CtlContext& ctx, const std::string& message) {
  if (message.empty() || message == kUpgradeWriteError) return ctx.WriteError();
  if (message == kUpgradeBackupError) return ctx.Text(TextFamily::ui_str, ui_text::kUpgradeBackupError);
  if (message == kUpgradeAbortMessage) return ctx.Text(TextFamily::ui_str, ui_text::kUpgradeAborted);
  return message;
}

void Flash(CtlContext& ctx, const std::string& file) {
  const FirmwareImage image = Load(ctx, file);
  if (PlanUpgradePieces(image.end).empty()) throw CtlError(ctx.Text(ctl_text::kNoFirmware, {file}));
  const Mouse mouse = UpgradableMouse(ctx);

  const bool show_progress = !ctx.options.quiet && &ctx.err == &std::cerr && StandardErrorIsTerminal();
  std::string message;
  UpgradeWriteOptions options;
  options.enter_isp = true;
  options.leave_isp_when_untouched = true;
  options.max_piece_retries = kCtlPieceRetries;
  options.auto_backup = ctx.AutoBackupBefore("firmware");
  options.on_message = [&message](const std::string& m) { message = m; };
  if (show_progress) {
    options.on_progress = [&ctx](const UpgradeProgress& p) {
      char pct[16];
      std::snprintf(pct, sizeof pct, "%3.0f%%  ", 100.0 * p.Fraction());
      ctx.err << "\r" << pct << FormatProgressLine(p) << "   " << std::flush;
    };
  }
  // Ctrl-C and a termination request stop the write after the current piece, never in the middle
  // of one. Taken before the write thread starts, so that the thread does not receive them.
  StopSignals stop_signals;
  FirmwareWriter writer(ctx.Devices());
  std::string error;
  if (!writer.Start(mouse.path, image, std::move(options), &error)) {
    throw CtlError(error + "\n" + StateAfterFailure(ctx, IspAfterWrite::kNotEntered, file));
  }
  bool interrupted = false;
  while (writer.Writing()) {
    if (stop_signals.Wait(std::chrono::milliseconds(20)) != 0 && !interrupted) {
      interrupted = true;
      writer.Abort();
    }
  }
  const UpgradeOutcome outcome = writer.Wait();
  if (show_progress) ctx.err << "\n";
  if (outcome != UpgradeOutcome::kCompleted) {
    std::string what = WriterMessage(ctx, message);
    if (interrupted) what += " (" + ctx.Text(ctl_text::kInterrupted) + ")";
    if (message == kUpgradeBackupError && !ctx.auto_backup_error().empty()) what += " (" + ctx.auto_backup_error() + ")";
    throw CtlError(what + "\n" + StateAfterFailure(ctx, writer.IspState(), file));
  }
  if (ctx.options.json) {
    ctx.out << nlohmann::json{{"checksum", Hex8(FirmwareChecksum(image))},
                              {"message", message},
                              {"programming_mode", false}}
                   .dump(2)
            << "\n";
  } else {
    ctx.note() << message << "\n";
    ctx.note() << ctx.Text(ctl_text::kFirmwareStarted) << "\n";
  }
}

// The explicit way out of programming mode, as the window's "exit isp" button.
void ExitProgrammingMode(CtlContext& ctx) {
  const Mouse mouse = UpgradableMouse(ctx);
  if (!ExitIsp(mouse)) throw CtlError(ctx.WriteError() + " (" + ctx.Text(ctl_text::kExitIspRefused) + ")");
  if (ctx.options.json) {
    ctx.out << nlohmann::json{{"programming_mode", false}}.dump(2) << "\n";
  } else {
    ctx.note() << ctx.Text(ctl_text::kExitIspSent) << "\n";
  }
}

}  // namespace

void RegisterUpgradeCommands(CLI::App& app, CtlContext& ctx) {
  auto* flash = app.add_subcommand("flash", Help(ctl_text::kHelpFlash));
  auto file = std::make_shared<std::string>();
  auto dry_run = std::make_shared<bool>(false);
  auto exit_isp = std::make_shared<bool>(false);
  auto* file_option = flash->add_option("FILE", *file, Help(ctl_text::kHelpHexFile));
  auto* dry_option = flash->add_flag("--dry-run", *dry_run, Help(ctl_text::kHelpFlashDryRun));
  flash->add_flag("--exit-isp", *exit_isp, Help(ctl_text::kHelpExitIsp))->excludes(file_option)->excludes(dry_option);
  flash->callback([&ctx, file, dry_run, exit_isp] {
    if (*exit_isp) {
      ExitProgrammingMode(ctx);
      return;
    }
    if (file->empty()) throw CLI::RequiredError("FILE");
    if (*dry_run) {
      DryRun(ctx, *file);
    } else {
      Flash(ctx, *file);
    }
  });
}

}  // namespace halvric
