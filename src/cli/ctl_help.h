#pragma once
// halvricctl's --help in the user's language. Commands register the English text of a help slot
// as their description (Help); when help is printed, the descriptions, the group headings and
// CLI11's own labels of the whole command tree are replaced by their translations. A run that
// prints no help (or completion script, whose descriptions are the help's) thus reads no
// language file for it.

#include <memory>
#include <string>
#include <vector>

namespace CLI {
class App;
class Formatter;
class Option;
class Validator;
}

namespace halvric {

class TextTables;

// The English text of help slot `slot` (ctl_text::kHelp...): a command's or option's description.
std::string Help(int slot);

// The formatter of the help: CLI11's, but with the left column padded by the columns a terminal
// gives its text rather than by bytes, so that translated value names ("ТЕКСТ", "テキスト") keep
// the descriptions in their column. Set on the program before its commands are made.
std::shared_ptr<CLI::Formatter> MakeHelpFormatter();

// The checks on an option's values, in the order they were added (CLI11 lists them only by index).
std::vector<CLI::Validator*> Validators(CLI::Option& opt);

// Puts the help of `app` and of all its commands into the language of `texts`: each description
// that is a help slot's English text, the headings "Options", "Subcommands" and "Positionals",
// and the words of the usage line ("Usage", "OPTIONS", "SUBCOMMAND", "REQUIRED", "Excludes").
// The kinds of value ("TEXT", "INT") and the ranges of numbers are translated; option and
// command names, and the names of positionals ("SLOT"), stay as they are: users type them.
void TranslateHelp(CLI::App& app, const TextTables& texts);

}  // namespace halvric
