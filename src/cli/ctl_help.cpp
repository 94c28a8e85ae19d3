#include "cli/ctl_help.h"

#include <CLI/CLI.hpp>
#include <map>
#include <string_view>

#include "cli/ctl_text.h"
#include "config/ctl_texts.h"

namespace halvric {

namespace {

// The translation of a help slot's English text; any other text as it is.
class HelpTranslation {
 public:
  explicit HelpTranslation(const TextTables& texts) : texts_(texts) {
    for (int slot = ctl_text::kHelpProgram; slot <= ctl_text::kHelpExcludes; ++slot) {
      slots_.emplace(ctl_text::English(slot), slot);
    }
  }
  std::string operator()(const std::string& english) const {
    const auto it = slots_.find(english);
    return it == slots_.end() ? english : CtlText(texts_, TextFamily::ctl_str, it->second);
  }

 private:
  const TextTables& texts_;
  std::map<std::string_view, int> slots_;
};

void TranslateCommand(CLI::App& app, const HelpTranslation& tr) {
  app.description(tr(app.get_description()));
  app.group(tr(app.get_group()));
  for (CLI::Option* opt : app.get_options()) {
    opt->description(tr(opt->get_description()));
    // Options in no group are hidden from the help; they stay hidden.
    if (!opt->get_group().empty()) opt->group(tr(opt->get_group()));
  }
  for (CLI::App* sub : app.get_subcommands([](CLI::App*) { return true; })) TranslateCommand(*sub, tr);
}

}  // namespace

std::string Help(int slot) { return std::string(ctl_text::English(slot)); }

void TranslateHelp(CLI::App& app, const TextTables& texts) {
  const HelpTranslation tr(texts);
  TranslateCommand(app, tr);
  // The commands share the program's formatter, so its labels serve every command's help.
  const auto formatter = app.get_formatter();
  for (const int slot : {ctl_text::kHelpUsage, ctl_text::kHelpOptionsWord, ctl_text::kHelpCommandWord,
                         ctl_text::kHelpPositionals, ctl_text::kHelpRequired, ctl_text::kHelpExcludes}) {
    const std::string english(ctl_text::English(slot));
    formatter->label(english, tr(english));
  }
}

}  // namespace halvric
