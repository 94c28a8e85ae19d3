#include "cli/ctl_app.h"

#include <CLI/CLI.hpp>
#include <functional>

#include "cli/ctl_context.h"

namespace halvric {

int RunHalvricCtl(const std::vector<std::string>& raw_args, std::ostream& out, std::ostream& err) {
  CtlContext ctx(out, err);
  CLI::App app{"halvricctl: configure Halvric mice from the command line"};
  app.require_subcommand(1);
  app.add_option("--simulate", ctx.options.simulate,
                 "Talk to simulated mice instead of hardware (models: level0, level5, level11, level11-blank, "
                 "level11-ff18, level0-strict, level5-strict, level11-strict; "
                 "--simulate alone means level11)");
  app.add_option("--sim-state", ctx.options.sim_state, "State file of the simulated mouse (loaded, saved at exit)");
  app.add_option("--trace", ctx.options.trace, "Append the wire trace of the simulated mouse to this file");
  app.add_option("--device", ctx.options.device, "Path of the mouse to use (see: list)");
  app.add_flag("--json", ctx.options.json, "Machine-readable output");

  RegisterDeviceCommands(app, ctx);
  RegisterConfigCommands(app, ctx);
  RegisterUpgradeCommands(app, ctx);
  RegisterBackupCommands(app, ctx);
  RegisterLightingCommands(app, ctx);
  RegisterServicesCommands(app, ctx);
  RegisterMacroCommands(app, ctx);

  // A bare --simulate stands for the default model; CLI11 would otherwise take the next word.
  std::vector<std::string> args;
  for (const auto& a : raw_args) args.push_back(a == "--simulate" ? "--simulate=level11" : a);
  std::vector<std::string> reversed(args.rbegin(), args.rend());

  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp& e) {
    out << app.help();
    return kExitOk;
  } catch (const CLI::ParseError& e) {
    err << "halvricctl: " << e.what() << "\n";
    return kExitUsage;
  } catch (const CtlError& e) {
    err << e.what() << "\n";
    return kExitFailure;
  } catch (const std::exception& e) {
    err << "halvricctl: " << e.what() << "\n";
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace halvric
