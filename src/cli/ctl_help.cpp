#include "cli/ctl_help.h"

#include <CLI/CLI.hpp>
#include <map>
#include <regex>
#include <string_view>
#include <vector>

#include "cli/ctl_text.h"
#include "cli/text_format.h"
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
    for (const int slot : {ctl_text::kHelpTypeText, ctl_text::kHelpTypeInt, ctl_text::kHelpTypeFloat}) {
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

// The placeholder of an option's values ("TEXT", "INT") and the ranges its validators print
// ("INT in [1 - 5]"); choices ("{on,off}") are words typed as they are.
void TranslateValueNames(CLI::Option& opt, const TextTables& texts, const HelpTranslation& tr) {
  const std::vector<CLI::Validator*> validators = Validators(opt);
  std::vector<std::string> descriptions;
  for (CLI::Validator* v : validators) {
    descriptions.push_back(v->get_description());
    v->description("");
  }
  // With the validators silent, the type name is the placeholder alone.
  opt.type_name(tr(opt.get_type_name()));
  static const std::regex range(R"(^(\w+) in \[(.*) - (.*)\]$)");
  for (size_t i = 0; i < validators.size(); ++i) {
    std::smatch m;
    if (std::regex_match(descriptions[i], m, range)) {
      descriptions[i] = CtlText(texts, TextFamily::ctl_str, ctl_text::kHelpRange, {tr(m[1]), m[2].str(), m[3].str()});
    }
    validators[i]->description(descriptions[i]);
  }
}

void TranslateCommand(CLI::App& app, const TextTables& texts, const HelpTranslation& tr) {
  app.description(tr(app.get_description()));
  app.group(tr(app.get_group()));
  for (CLI::Option* opt : app.get_options()) {
    opt->description(tr(opt->get_description()));
    TranslateValueNames(*opt, texts, tr);
    // Options in no group are hidden from the help; they stay hidden.
    if (!opt->get_group().empty()) opt->group(tr(opt->get_group()));
  }
  for (CLI::App* sub : app.get_subcommands([](CLI::App*) { return true; })) TranslateCommand(*sub, texts, tr);
}

}  // namespace

std::string Help(int slot) { return std::string(ctl_text::English(slot)); }

namespace {

class HelpFormatter : public CLI::Formatter {
 public:
  // CLI11's option line, with the padding counted in columns.
  std::string make_option(const CLI::Option* opt, bool is_positional) const override {
    std::string line = "  " + make_option_name(opt, is_positional) + make_option_opts(opt);
    const std::string description = make_option_desc(opt);
    const size_t column = get_column_width();
    const size_t width = DisplayWidth(line);
    if (width < column) line.append(column - width, ' ');
    if (!description.empty()) {
      if (width >= column) line += "\n" + std::string(column, ' ');
      for (const char c : description) {
        line += c;
        if (c == '\n') line.append(column, ' ');
      }
    }
    return line + "\n";
  }
};

}  // namespace

std::shared_ptr<CLI::Formatter> MakeHelpFormatter() { return std::make_shared<HelpFormatter>(); }

std::vector<CLI::Validator*> Validators(CLI::Option& opt) {
  std::vector<CLI::Validator*> out;
  for (int i = 0;; ++i) {
    try {
      out.push_back(opt.get_validator(i));
    } catch (const CLI::OptionNotFound&) {
      return out;
    }
  }
}

void TranslateHelp(CLI::App& app, const TextTables& texts) {
  const HelpTranslation tr(texts);
  TranslateCommand(app, texts, tr);
  // The commands share the program's formatter, so its labels serve every command's help.
  const auto formatter = app.get_formatter();
  for (const int slot : {ctl_text::kHelpUsage, ctl_text::kHelpOptionsWord, ctl_text::kHelpCommandWord,
                         ctl_text::kHelpPositionals, ctl_text::kHelpRequired, ctl_text::kHelpExcludes}) {
    const std::string english(ctl_text::English(slot));
    formatter->label(english, tr(english));
  }
}

}  // namespace halvric
