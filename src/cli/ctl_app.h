#pragma once
// halvricctl: everything the window does to a mouse, from a terminal.

#include <ostream>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace halvric {

class CtlContext;

// Runs one command line (without the program name); returns the exit code.
int RunHalvricCtl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Each group of commands registers its subcommands; the action runs after parsing.
void RegisterDeviceCommands(CLI::App& app, CtlContext& ctx);
void RegisterConfigCommands(CLI::App& app, CtlContext& ctx);
void RegisterUpgradeCommands(CLI::App& app, CtlContext& ctx);
void RegisterBackupCommands(CLI::App& app, CtlContext& ctx);
void RegisterLightingCommands(CLI::App& app, CtlContext& ctx);
void RegisterServicesCommands(CLI::App& app, CtlContext& ctx);
void RegisterMacroCommands(CLI::App& app, CtlContext& ctx);
void RegisterLibraryCommands(CLI::App& app, CtlContext& ctx);
void RegisterConfigFileCommands(CLI::App& app, CtlContext& ctx);
// Registered last: it prints the completion script of the whole command tree.
void RegisterCompletionCommand(CLI::App& app, CtlContext& ctx);

// The completion script of `shell` ("bash", "zsh" or "fish") for the commands of `app`.
std::string CompletionScript(const CLI::App& app, const std::string& shell);

}  // namespace halvric
