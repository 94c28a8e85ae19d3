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

}  // namespace halvric
