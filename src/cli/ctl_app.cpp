#include "cli/ctl_app.h"

#include <CLI/CLI.hpp>
#include <functional>
#include <string_view>

#include "cli/ctl_context.h"
#include "cli/ctl_text.h"
#include "sim/sim_models.h"

namespace halvric {

namespace {

// True when `word` names simulated models ("level0", "level0,level11").
bool IsModelList(std::string_view word) {
  while (true) {
    const size_t comma = word.find(',');
    if (sim::FindModel(word.substr(0, comma)) == nullptr) return false;
    if (comma == std::string_view::npos) return true;
    word.remove_prefix(comma + 1);
  }
}

// A bare --simulate stands for the default model, and "--simulate level0" (with a blank) names
// the models as "--simulate=level0" does; CLI11 would otherwise take any next word as the value.
// A next word that is neither an option nor a command is taken as the model list too, so that a
// misspelt model is named as such rather than as an unexpected argument.
std::vector<std::string> NormaliseSimulate(const std::vector<std::string>& raw_args, const CLI::App& app) {
  auto is_command = [&app](const std::string& word) {
    for (const CLI::App* sub : app.get_subcommands({})) {
      if (sub->check_name(word)) return true;
    }
    return false;
  };
  std::vector<std::string> args;
  for (size_t i = 0; i < raw_args.size(); ++i) {
    if (raw_args[i] != "--simulate") {
      args.push_back(raw_args[i]);
    } else if (i + 1 < raw_args.size() && (IsModelList(raw_args[i + 1]) ||
                                          (!raw_args[i + 1].starts_with("-") && !is_command(raw_args[i + 1])))) {
      args.push_back("--simulate=" + raw_args[++i]);
    } else {
      args.push_back("--simulate=level11");
    }
  }
  return args;
}

}  // namespace

int RunHalvricCtl(const std::vector<std::string>& raw_args, std::ostream& out, std::ostream& err) {
  CtlContext ctx(out, err);
  CLI::App app{"halvricctl: configure Halvric mice from the command line", "halvricctl"};
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("halvricctl ") + HALVRIC_VERSION);
  // The options above the commands may also follow the command ("halvricctl show --json"):
  // subcommands made after this pass options they do not know on to the program.
  app.fallthrough();
  app.add_option("--simulate", ctx.options.simulate,
                 "Talk to simulated mice instead of hardware (models: level0, level0-gamepad, level5, level11, "
                 "level11-blank, level11-ff18, level0-strict, level5-strict, level11-strict; "
                 "--simulate alone means level11)");
  app.add_option("--sim-state", ctx.options.sim_state, "State file of the simulated mouse (loaded, saved at exit)");
  app.add_option("--trace", ctx.options.trace, "Append the wire trace of the simulated mouse to this file");
  app.add_option("--sim-latency", ctx.options.sim_latency_ms,
                 "Wire latency of the simulated mouse per transfer, in milliseconds (as a real mouse's USB polling adds)")
      ->check(CLI::Range(0, 1000));
  // Tests drive the command's failure paths with it; it is not part of the documented interface.
  app.add_option("--sim-fault", ctx.options.sim_fault, "Fault of the simulated mice at one exchange")->group("");
  app.add_option("--device", ctx.options.device, "Path of the mouse to use (see: list)");
  app.add_flag("--json", ctx.options.json, "Machine-readable output");
  app.add_flag("-q,--quiet", ctx.options.quiet, "No confirmations or progress; only what a command shows, and errors");
  app.add_option("--keyboard-layout", ctx.options.keyboard_layout,
                 "XKB keyboard layout (e.g. fr, de, us:dvorak) whose key names are shown and accepted; "
                 "default: the layout of this session");

  RegisterDeviceCommands(app, ctx);
  RegisterConfigCommands(app, ctx);
  RegisterUpgradeCommands(app, ctx);
  RegisterBackupCommands(app, ctx);
  RegisterLightingCommands(app, ctx);
  RegisterServicesCommands(app, ctx);
  RegisterMacroCommands(app, ctx);
  RegisterLibraryCommands(app, ctx);
  RegisterConfigFileCommands(app, ctx);
  RegisterCompletionCommand(app, ctx);

  const std::vector<std::string> args = NormaliseSimulate(raw_args, app);
  std::vector<std::string> reversed(args.rbegin(), args.rend());

  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp& e) {
    out << app.help();
    return kExitOk;
  } catch (const CLI::CallForVersion& e) {
    out << e.what() << "\n";
    return kExitOk;
  } catch (const CLI::RequiredError& e) {
    // A word that is no command leaves the command missing: name the word, not the lack.
    const std::vector<std::string> rest = app.remaining();
    if (app.get_subcommands().empty() && !rest.empty()) {
      err << "halvricctl: " << ctx.Text(ctl_text::kUnknownCommand, {rest.front(), "halvricctl --help"}) << "\n";
    } else {
      err << "halvricctl: " << e.what() << "\n";
    }
    return kExitUsage;
  } catch (const CLI::ParseError& e) {
    err << "halvricctl: " << e.what() << "\n";
    return kExitUsage;
  } catch (const CtlError& e) {
    // The program's own texts ("No device !!") follow the prefix verbatim.
    err << "halvricctl: " << e.what() << "\n";
    return kExitFailure;
  } catch (const std::exception& e) {
    err << "halvricctl: " << e.what() << "\n";
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace halvric
