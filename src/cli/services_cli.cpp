// halvricctl commands of the host-side services: monitor (the mouse's input reports, decoded) and
// link (the profile links to applications in set.ini).

#include <CLI/CLI.hpp>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>

#include "cli/ctl_app.h"
#include "cli/ctl_context.h"
#include "cli/ctl_help.h"
#include "cli/ctl_text.h"
#include "config/ui_texts.h"
#include "platform/atomic_file.h"
#include "platform/folders.h"
#include "platform/profile_file.h"
#include "services/app_links.h"
#include "services/report_service.h"
#include "sim/sim_events.h"
#include "sim/sim_hid_backend.h"

namespace halvric {
namespace {

struct MonitorOptions {
  int count = 0;        // 0: until the time limit
  double seconds = 0;   // 0: no limit (5 s with simulated mice)
  std::string sim_events;
};

// Prints each validated report as the report service decoded it; counts them for --count.
class ReportPrinter : public ReportView {
 public:
  ReportPrinter(CtlContext& ctx, int count, int dpi_step) : ctx_(ctx), count_(count), dpi_step_(dpi_step) {}

  void OnReport(const DispatchedReport& report) override {
    nlohmann::json j;
    std::string line;
    switch (report.kind) {
      case ReportKind::kIgnored:
        return;
      case ReportKind::kStatus: {
        const StatusReport& s = report.status;
        const std::string on = ctx_.Text(ctl_text::kOn), off = ctx_.Text(ctl_text::kOff);
        line = ctx_.Text(ctl_text::kMonitorStatus,
                         {s.profile + 1, s.dpi_level + 1, s.dpi_x * dpi_step_, s.dpi_y * dpi_step_,
                          s.angle_snapping ? on : off, s.dpi_scroll ? on : off, s.lift, s.sensor_reading,
                          int{s.sensor_level}});
        j = {{"type", "status"}, {"profile", s.profile + 1}, {"dpi_level", s.dpi_level + 1},
             {"dpi_x", s.dpi_x * dpi_step_}, {"dpi_y", s.dpi_y * dpi_step_}, {"angle_snapping", s.angle_snapping}, {"dpi_scroll", s.dpi_scroll},
             {"lift", s.lift}, {"sensor_reading", s.sensor_reading}, {"sensor_level", s.sensor_level}};
        break;
      }
      case ReportKind::kHostAction:
        line = ctx_.Text(ctl_text::kMonitorHostAction, {report.host_action});
        j = {{"type", "host-action"}, {"action", report.host_action}};
        break;
      case ReportKind::kMovement: {
        const MovementReport& m = report.movement;
        line = ctx_.Text(ctl_text::kMonitorMovement, {m.touch ? 1 : 0, m.dx, m.dy, int{m.tilt}});
        j = {{"type", "movement"}, {"touch", m.touch}, {"dx", m.dx}, {"dy", m.dy}, {"tilt", m.tilt}};
        break;
      }
    }
    std::lock_guard l(mu_);
    if (count_ > 0 && printed_ >= count_) return;
    if (ctx_.options.json) {
      ctx_.out << j.dump() << "\n";
    } else {
      ctx_.out << line << "\n";
    }
    ctx_.out.flush();
    ++printed_;
    done_.notify_all();
  }

  // Waits for --count reports or the deadline; true when the count was reached.
  bool Wait(std::optional<std::chrono::steady_clock::time_point> deadline) {
    std::unique_lock l(mu_);
    auto enough = [this] { return count_ > 0 && printed_ >= count_; };
    if (deadline) return done_.wait_until(l, *deadline, enough);
    done_.wait(l, enough);
    return true;
  }

  int Printed() {
    std::lock_guard l(mu_);
    return printed_;
  }

 private:
  CtlContext& ctx_;
  const int count_;
  const int dpi_step_;
  std::mutex mu_;
  std::condition_variable done_;
  int printed_ = 0;
};

void Monitor(CtlContext& ctx, const MonitorOptions& opt) {
  if (opt.count < 0) throw CLI::ValidationError("--count", ctx.Text(ctl_text::kNotNegative));
  if (opt.seconds < 0) throw CLI::ValidationError("--seconds", ctx.Text(ctl_text::kNotNegative));
  std::vector<sim::SimEvent> events;
  try {
    events = sim::ParseSimEvents(opt.sim_events);
  } catch (const std::invalid_argument& e) {
    throw CLI::ValidationError("--sim-events", e.what());
  }
  if (!events.empty() && ctx.Simulator() == nullptr) {
    throw CLI::ValidationError("--sim-events", ctx.Text(ctl_text::kNeedsOption, {"--simulate"}));
  }
  // Selecting the mouse makes it tag its reports with the tag the program accepts.
  ctx.Connect();
  sim::SimHidBackend* sim = ctx.Simulator();
  DeviceLayer& dev = ctx.Devices();
  // Both vendor pages carry reports: the input interface and the configuration interface.
  const auto interfaces = VendorInputInterfaces(dev.backend().Enumerate());
  if (interfaces.empty()) throw CtlError(ctx.Text(TextFamily::msg_str, kMsgNoDevice));

  // The texts are loaded here, before the reading threads print with them.
  ctx.Texts();
  ProgramContext context;
  const auto info = dev.Info(ctx.path());
  ReportPrinter printer(ctx, opt.count, info ? DpiStep(*info) : 50);
  ReportService service(dev.backend(), context, printer);
  for (const HidInterfaceInfo& info : interfaces) {
    std::string why;
    if (!service.Read(info.path, &why)) ctx.Warn(ctx.Text(ctl_text::kCannotReadInterface, {info.path, why}));
  }
  if (service.Paths().empty()) throw CtlError(ctx.Text(TextFamily::msg_str, kMsgNoDevice));

  if (sim != nullptr && !events.empty()) {
    // The events go to the mouse that was selected.
    const std::string& path = ctx.path();
    size_t index = 0;
    while (index < sim->MouseCount() && path.rfind("sim/" + std::to_string(index) + "/", 0) != 0) ++index;
    if (index == sim->MouseCount()) index = 0;
    std::string error;
    if (!sim->AcquireState(&error)) throw CtlError("simulated mouse state: " + error);
    for (const sim::SimEvent& e : events) sim::ApplySimEvent(sim->Mouse(index), e);
    sim->ReleaseState();
  }

  std::optional<std::chrono::steady_clock::time_point> deadline;
  const double seconds = opt.seconds > 0 ? opt.seconds : (sim != nullptr ? 5.0 : 0.0);
  if (seconds > 0) {
    deadline = std::chrono::steady_clock::now() +
               std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(seconds));
  }
  const bool reached = printer.Wait(deadline);
  service.Stop();
  if (opt.count > 0 && !reached) {
    throw CtlError(ctx.Text(ctl_text::kReportsMissing, {printer.Printed(), opt.count}));
  }
}

// Profiles are numbered 1-5 on the command line, slots 0-4 inside.
int Slot(CtlContext& ctx, const std::string& text) {
  if (text.size() != 1 || text[0] < '1' || text[0] > '5') {
    throw CLI::ValidationError("PROFILE", ctx.Text(ctl_text::kProfileRange, {1, kAppLinkCount}));
  }
  return text[0] - '1';
}

void LinkList(CtlContext& ctx) {
  // A settings file that is there but cannot be read would list as five empty links.
  const std::filesystem::path folder = CtlContext::DataFolderPath();
  std::string error;
  const ProgramSettings s = LoadLinkSettings(folder, DesktopDescription(), &error);
  if (!error.empty()) {
    throw CtlError(ctx.Text(TextFamily::ui_str, ui_text::kUpgradeUnreadable, {(folder / kSettingsFileName).string()}) +
                   " (" + ErrorReason(error) + ")");
  }
  nlohmann::json arr = nlohmann::json::array();
  for (int i = 0; i < kAppLinkCount; ++i) {
    const AppLink& link = s.links[static_cast<size_t>(i)];
    if (ctx.options.json) {
      arr.push_back({{"profile", i + 1}, {"path", link.path}, {"name", link.name}});
    } else if (link.path.empty()) {
      ctx.out << i + 1 << ": -\n";
    } else {
      ctx.out << i + 1 << ": " << link.path << "  (" << link.name << ")\n";
    }
  }
  if (ctx.options.json) ctx.out << arr.dump(2) << "\n";
}

void SaveOrThrow(CtlContext& ctx, const ProgramSettings& s) {
  const std::filesystem::path folder = CtlContext::DataFolderPath();
  std::string error;
  if (!EnsureDataFolder(folder, &error) || !SaveLinkSettings(s, folder, &error)) {
    throw CtlError(ctx.WriteError() + " " + error);
  }
}

void LinkSet(CtlContext& ctx, const std::string& slot_text, const std::string& path, const std::optional<std::string>& name) {
  const int slot = Slot(ctx, slot_text);
  if (path.empty()) throw CLI::ValidationError("PATH", ctx.Text(ctl_text::kNotEmpty));
  if (path.find_first_of("\r\n") != std::string::npos ||
      (name && name->find_first_of("\r\n") != std::string::npos)) {
    throw CLI::ValidationError("PATH", ctx.Text(ctl_text::kNoLineBreaks));
  }
  ProgramSettings s = LoadLinkSettings(CtlContext::DataFolderPath(), DesktopDescription());
  SetLink(s, slot, path, name, DesktopDescription());
  SaveOrThrow(ctx, s);
  const AppLink& link = s.links[static_cast<size_t>(slot)];
  if (ctx.options.json) {
    ctx.out << nlohmann::json{{"profile", slot + 1}, {"path", link.path}, {"name", link.name}}.dump(2) << "\n";
  } else {
    ctx.note() << slot + 1 << ": " << link.path << "  (" << link.name << ")\n";
  }
}

void LinkRemove(CtlContext& ctx, const std::string& slot_text) {
  const int slot = Slot(ctx, slot_text);
  ProgramSettings s = LoadLinkSettings(CtlContext::DataFolderPath(), DesktopDescription());
  RemoveLink(s, slot);
  SaveOrThrow(ctx, s);
  ctx.Confirm(std::to_string(slot + 1) + ": -", {{"profile", slot + 1}, {"path", nullptr}, {"name", nullptr}});
}

}  // namespace

void RegisterServicesCommands(CLI::App& app, CtlContext& ctx) {
  auto mon_opt = std::make_shared<MonitorOptions>();
  auto* mon = app.add_subcommand("monitor", Help(ctl_text::kHelpMonitor));
  mon->add_option("--count", mon_opt->count, Help(ctl_text::kHelpCount));
  mon->add_option("--seconds", mon_opt->seconds, Help(ctl_text::kHelpSeconds));
  mon->add_option("--sim-events", mon_opt->sim_events, Help(ctl_text::kHelpSimEvents));
  mon->callback([&ctx, mon_opt] { Monitor(ctx, *mon_opt); });

  auto* link = app.add_subcommand("link", Help(ctl_text::kHelpLink));
  link->require_subcommand(1);
  link->add_subcommand("list", Help(ctl_text::kHelpLinkList))->callback([&ctx] { LinkList(ctx); });

  auto* set = link->add_subcommand("set", Help(ctl_text::kHelpLinkSet));
  auto slot_s = std::make_shared<std::string>();
  auto path_s = std::make_shared<std::string>();
  auto name_s = std::make_shared<std::string>();
  auto* name_opt = set->add_option("--name", *name_s, Help(ctl_text::kHelpLinkName));
  set->add_option("PROFILE", *slot_s, Help(ctl_text::kHelpProfileNumber))->required();
  set->add_option("PATH", *path_s, Help(ctl_text::kHelpApplication))->required();
  set->callback([&ctx, slot_s, path_s, name_s, name_opt] {
    LinkSet(ctx, *slot_s, *path_s, name_opt->count() > 0 ? std::optional<std::string>(*name_s) : std::nullopt);
  });

  auto* rm = link->add_subcommand("remove", Help(ctl_text::kHelpLinkRemove));
  auto slot_r = std::make_shared<std::string>();
  rm->add_option("PROFILE", *slot_r, Help(ctl_text::kHelpProfileNumber))->required();
  rm->callback([&ctx, slot_r] { LinkRemove(ctx, *slot_r); });
}

}  // namespace halvric
