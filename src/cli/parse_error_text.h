#pragma once
// Why CLI11 refused a command line, in the user's language. The common refusals (an unknown option
// or extra word, a missing argument or command, a value of the wrong kind, out of range or not
// among the choices, too few values, options that exclude each other) are recognised by their
// exception type and CLI11's English message, and said again with what the user typed (the word,
// the option's name, the value) kept as it was. A value that a command refuses itself (a
// ValidationError it throws, worded in the user's language) passes as it is; any other refusal
// is wrapped whole.

#include <string>

namespace CLI {
class App;
class ParseError;
}  // namespace CLI

namespace halvric {

class TextTables;

// The message for `e`, thrown while `app` parsed; `app` names the command that lacks a subcommand.
std::string ParseErrorText(const CLI::ParseError& e, const CLI::App& app, const TextTables& texts);

}  // namespace halvric
