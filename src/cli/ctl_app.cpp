#include "cli/ctl_app.h"

#include <CLI/CLI.hpp>
#include <functional>
#include <string_view>

#include "cli/ctl_context.h"
#include "cli/ctl_help.h"
#include "cli/ctl_text.h"
#include "cli/parse_error_text.h"
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
  CLI::App app{Help(ctl_text::kHelpProgram), "halvricctl"};
  app.formatter(MakeHelpFormatter());
  app.require_subcommand(1);
  // Set before the commands are made: each command copies the program's help flag.
  app.set_help_flag("-h,--help", Help(ctl_text::kHelpHelp));
  app.set_version_flag("--version", std::string("halvricctl ") + HALVRIC_VERSION, Help(ctl_text::kHelpVersion));
  // The options above the commands may also follow the command ("halvricctl show --json"):
  // subcommands made after this pass options they do not know on to the program.
  app.fallthrough();
  app.add_option("--simulate", ctx.options.simulate, Help(ctl_text::kHelpSimulate));
  app.add_option("--sim-state", ctx.options.sim_state, Help(ctl_text::kHelpSimState));
  app.add_option("--trace", ctx.options.trace, Help(ctl_text::kHelpTrace));
  app.add_option("--sim-latency", ctx.options.sim_latency_ms, Help(ctl_text::kHelpSimLatency))
      ->check(CLI::Range(0, 1000));
  // Tests drive the command's failure paths with it; it is not part of the documented interface.
  app.add_option("--sim-fault", ctx.options.sim_fault, "Fault of the simulated mice at one exchange")->group("");
  app.add_option("--device", ctx.options.device, Help(ctl_text::kHelpDevice));
  app.add_flag("--json", ctx.options.json, Help(ctl_text::kHelpJson));
  app.add_flag("-q,--quiet", ctx.options.quiet, Help(ctl_text::kHelpQuiet));
  app.add_option("--keyboard-layout", ctx.options.keyboard_layout, Help(ctl_text::kHelpKeyboardLayout));

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
  app.parse_complete_callback([&ctx] { ctx.UseLocaleForSystemMessages(); });

  const std::vector<std::string> args = NormaliseSimulate(raw_args, app);
  std::vector<std::string> reversed(args.rbegin(), args.rend());

  try {
    app.parse(reversed);
    ctx.SaveSimulatedState();
  } catch (const CLI::CallForHelp& e) {
    TranslateHelp(app, ctx.Texts());
    out << app.help();
    return kExitOk;
  } catch (const CLI::CallForVersion& e) {
    out << e.what() << "\n";
    return kExitOk;
  } catch (const CLI::RequiredError& e) {
    // A word that is no command (or no option) leaves the command missing: name the word, not
    // the lack.
    const std::vector<std::string> rest = app.remaining();
    if (app.get_subcommands().empty() && !rest.empty()) {
      err << "halvricctl: "
          << (rest.front().starts_with("-") ? ctx.Text(ctl_text::kParseUnexpected, {rest.front()})
                                            : ctx.Text(ctl_text::kUnknownCommand, {rest.front(), "halvricctl --help"}))
          << "\n";
    } else {
      err << "halvricctl: " << ParseErrorText(e, app, ctx.Texts()) << "\n";
    }
    return kExitUsage;
  } catch (const CLI::ParseError& e) {
    err << "halvricctl: " << ParseErrorText(e, app, ctx.Texts()) << "\n";
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
