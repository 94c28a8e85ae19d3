#include "cli/parse_error_text.h"

#include <CLI/CLI.hpp>
#include <regex>

#include "cli/ctl_text.h"
#include "config/ctl_texts.h"

namespace halvric {

namespace {

// "halvricctl macro --help": the help of the deepest command the line chose.
std::string HelpCommand(const CLI::App& app) {
  std::string command = app.get_name();
  for (const CLI::App* at = &app; !at->get_subcommands().empty();) {
    at = at->get_subcommands().front();
    command += " " + at->get_name();
  }
  return command + " --help";
}

// The exception's type decides, not its get_name(): errors a command raises carry the command's
// name there.
template <typename T>
bool Is(const CLI::ParseError& e) {
  return dynamic_cast<const T*>(&e) != nullptr;
}

// "{on,off}" as "on, off".
std::string Choices(const std::string& set) {
  std::string out;
  for (char c : set) {
    if (c == ',') {
      out += ", ";
    } else if (c != '{' && c != '}') {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string ParseErrorText(const CLI::ParseError& e, const CLI::App& app, const TextTables& texts) {
  auto text = [&texts](int slot, const std::vector<FormatArg>& args) {
    return CtlText(texts, TextFamily::ctl_str, slot, args);
  };
  const std::string message = e.what();
  std::smatch m;
  if (Is<CLI::ExtrasError>(e) &&
      std::regex_match(message, m, std::regex("The following arguments? (?:was|were) not expected: (.*)"))) {
    return text(ctl_text::kParseUnexpected, {m[1].str()});
  }
  if (Is<CLI::RequiredError>(e)) {
    if (message == "A subcommand is required") return text(ctl_text::kParseCommandRequired, {HelpCommand(app)});
    if (std::regex_match(message, m, std::regex("(.+) is required"))) {
      return text(ctl_text::kParseRequired, {m[1].str()});
    }
  }
  if (Is<CLI::ConversionError>(e) && std::regex_match(message, m, std::regex("Could not convert: (.+) = (.*)"))) {
    return text(ctl_text::kParseBadValue, {m[1].str(), m[2].str()});
  }
  if (Is<CLI::ValidationError>(e)) {
    if (std::regex_match(message, m, std::regex("(.+): Value (.*) not in range (.+) to (.+)"))) {
      return text(ctl_text::kParseOutOfRange, {m[1].str(), m[2].str(), m[3].str(), m[4].str()});
    }
    if (std::regex_match(message, m, std::regex("(.+): (.*) not in (\\{.*\\})"))) {
      return text(ctl_text::kParseNotOneOf, {m[1].str(), m[2].str(), Choices(m[3].str())});
    }
    // Any other refused value is the commands' own refusal, already in the user's language.
    return message;
  }
  if (Is<CLI::ArgumentMismatch>(e)) {
    auto count = [&](const std::string& name, const std::string& wanted, const std::string& given) {
      return text(ctl_text::kParseValueCount, {name, std::stoll(wanted), std::stoll(given)});
    };
    if (std::regex_match(message, m, std::regex("(.+): At (?:least|Most) ([0-9]+) required but received ([0-9]+)"))) {
      return count(m[1].str(), m[2].str(), m[3].str());
    }
    if (std::regex_match(message, m,
                         std::regex("Expected (?:exactly|at least) ([0-9]+) arguments to (.+), got ([0-9]+)"))) {
      return count(m[2].str(), m[1].str(), m[3].str());
    }
    if (std::regex_match(message, m, std::regex("(.+): [0-9]+ required .* missing"))) {
      return text(ctl_text::kParseNeedsValue, {m[1].str()});
    }
  }
  if (Is<CLI::ExcludesError>(e) && std::regex_match(message, m, std::regex("(.+) excludes (.+)"))) {
    return text(ctl_text::kParseExcludes, {m[1].str(), m[2].str()});
  }
  return text(ctl_text::kParseOther, {message});
}

}  // namespace halvric
