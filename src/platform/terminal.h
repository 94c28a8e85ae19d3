#pragma once
// What the command-line tool needs to know of its terminal.

namespace halvric {

// True when the process's standard error goes to a terminal (progress lines are then drawn).
bool StandardErrorIsTerminal();

}  // namespace halvric
