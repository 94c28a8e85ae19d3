// Shell completions made from the commands themselves: the command tree of the parser is walked
// and written out as a bash, zsh or fish script, so that a new command or option completes
// without anyone editing a script. The descriptions zsh and fish show are the help's, in the
// user's language; the installed zsh and fish scripts ask the program for them when loaded.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "cli/ctl_app.h"
#include "cli/ctl_context.h"
#include "cli/ctl_help.h"
#include "config/ctl_texts.h"

namespace halvric {

namespace {

struct CommandNode {
  std::string path;                      // "macro write"; empty for the program itself
  std::string description;
  std::vector<std::string> options;      // "--json", "-h"
  std::vector<std::pair<std::string, std::string>> commands;  // name, description
  std::vector<std::pair<std::string, std::string>> option_help;  // option, description
  std::vector<std::pair<std::string, std::string>> values;  // the words a positional takes, its description
};

// The words a positional accepts when its check names them ("{bash,zsh,fish}").
std::vector<std::string> NamedWords(const CLI::Option& opt) {
  std::vector<std::string> words;
  for (const CLI::Validator* v : Validators(const_cast<CLI::Option&>(opt))) {
    const std::string d = v->get_description();
    if (d.size() < 2 || d.front() != '{' || d.back() != '}') continue;
    std::string word;
    for (const char c : d.substr(1, d.size() - 2) + ",") {
      if (c != ',') {
        word += c;
      } else if (!word.empty()) {
        words.push_back(word);
        word.clear();
      }
    }
  }
  return words;
}

void Walk(const CLI::App& app, const std::string& path, std::vector<CommandNode>& out) {
  CommandNode node;
  node.path = path;
  node.description = app.get_description();
  for (const CLI::Option* opt : app.get_options()) {
    // A positional completes only to the words its check names; options in no group are hidden
    // from the help and here.
    if (opt->get_positional()) {
      for (const std::string& word : NamedWords(*opt)) node.values.emplace_back(word, opt->get_description());
      continue;
    }
    if (opt->get_group().empty()) continue;
    for (const std::string& l : opt->get_lnames()) {
      node.options.push_back("--" + l);
      node.option_help.emplace_back("--" + l, opt->get_description());
    }
    for (const std::string& s : opt->get_snames()) node.options.push_back("-" + s);
  }
  std::vector<const CLI::App*> subs;
  for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) subs.push_back(sub);
  for (const CLI::App* sub : subs) node.commands.emplace_back(sub->get_name(), sub->get_description());
  out.push_back(node);
  for (const CLI::App* sub : subs) Walk(*sub, path.empty() ? sub->get_name() : path + " " + sub->get_name(), out);
}

// The words once each, in their first order.
std::string Join(const std::vector<std::string>& words) {
  std::string s;
  std::vector<std::string> seen;
  for (const std::string& w : words) {
    if (std::find(seen.begin(), seen.end(), w) != seen.end()) continue;
    seen.push_back(w);
    s += (s.empty() ? "" : " ") + w;
  }
  return s;
}

// Text inside single quotes of every shell: a quote becomes '\'' (fish: \').
std::string ShellQuoted(const std::string& text, bool fish = false) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') {
      out += fish ? "\\'" : "'\\''";
    } else if (c == '\n') {
      out += ' ';
    } else {
      out += c;
    }
  }
  return out + "'";
}

std::vector<std::string> Names(const CommandNode& node) {
  std::vector<std::string> names;
  for (const auto& [name, description] : node.commands) names.push_back(name);
  return names;
}

// The case arms (bash and zsh alike) that follow the typed commands down the tree: the word after
// a command path names its subcommand, and `variable` becomes the longer path.
std::string PathCases(const std::vector<CommandNode>& tree, const std::string& variable) {
  std::string arms;
  for (const CommandNode& node : tree) {
    for (const auto& [name, description] : node.commands) {
      const std::string next = node.path.empty() ? name : node.path + " " + name;
      arms += "      " + ShellQuoted(node.path + "|" + name) + ") " + variable + "=" + ShellQuoted(next) + " ;;\n";
    }
  }
  return arms;
}

// bash: the command path typed so far (words that are commands, options skipped) selects the
// words offered; the program's options are offered at every level, as they may follow a command.
std::string Bash(const std::vector<CommandNode>& tree) {
  std::ostringstream s;
  s << "# bash completion of halvricctl (made by: halvricctl completion bash)\n"
    << "_halvricctl() {\n"
    << "  local cur=${COMP_WORDS[COMP_CWORD]} path= word i\n"
    << "  for ((i = 1; i < COMP_CWORD; i++)); do\n"
    << "    word=${COMP_WORDS[i]}\n"
    << "    [[ $word == -* ]] && continue\n"
    << "    case \"$path|$word\" in\n";
  s << PathCases(tree, "path");
  s << "    esac\n"
    << "  done\n"
    << "  local words\n"
    << "  case \"$path\" in\n";
  for (const CommandNode& node : tree) {
    std::vector<std::string> words = Names(node);
    for (const auto& [value, description] : node.values) words.push_back(value);
    words.insert(words.end(), node.options.begin(), node.options.end());
    if (!node.path.empty()) words.insert(words.end(), tree.front().options.begin(), tree.front().options.end());
    s << "    " << ShellQuoted(node.path) << ") words=" << ShellQuoted(Join(words)) << " ;;\n";
  }
  s << "  esac\n"
    << "  COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n"
    << "  [[ ${#COMPREPLY[@]} -eq 0 && $cur != -* ]] && COMPREPLY=($(compgen -f -- \"$cur\"))\n"
    << "  return 0\n"
    << "}\n"
    << "complete -F _halvricctl halvricctl\n";
  return s.str();
}

// zsh: the same walk, offering commands with their descriptions.
std::string Zsh(const std::vector<CommandNode>& tree) {
  std::ostringstream s;
  s << "#compdef halvricctl\n"
    << "# zsh completion of halvricctl (made by: halvricctl completion zsh)\n"
    << "_halvricctl() {\n"
    << "  local path_= word i\n"
    << "  for ((i = 2; i < CURRENT; i++)); do\n"
    << "    word=${words[i]}\n"
    << "    [[ $word == -* ]] && continue\n"
    << "    case \"$path_|$word\" in\n";
  s << PathCases(tree, "path_");
  s << "    esac\n"
    << "  done\n"
    << "  local -a commands options\n"
    << "  case \"$path_\" in\n";
  const std::vector<std::string>& global = tree.front().options;
  for (const CommandNode& node : tree) {
    s << "    " << ShellQuoted(node.path) << ")\n      commands=(";
    for (const auto& [name, description] : node.commands) s << " " << ShellQuoted(name + ":" + description);
    for (const auto& [value, description] : node.values) s << " " << ShellQuoted(value + ":" + description);
    std::vector<std::string> options = node.options;
    if (!node.path.empty()) options.insert(options.end(), global.begin(), global.end());
    s << " )\n      options=(" << Join(options) << ") ;;\n";
  }
  s << "  esac\n"
    << "  if [[ ${words[CURRENT]} == -* ]]; then\n"
    << "    compadd -a options\n"
    << "  elif (( ${#commands} )); then\n"
    << "    _describe command commands\n"
    << "  else\n"
    << "    _files\n"
    << "  fi\n"
    << "}\n"
    << "compdef _halvricctl halvricctl\n";
  return s.str();
}

// fish: one "complete" line per command and per option, conditioned on the commands typed.
std::string Fish(const std::vector<CommandNode>& tree) {
  std::ostringstream s;
  s << "# fish completion of halvricctl (made by: halvricctl completion fish)\n"
    << "function __halvricctl_path\n"
    << "    set -l path\n"
    << "    for word in (commandline -opc)[2..-1]\n"
    << "        string match -q -- '-*' $word; and continue\n"
    << "        set -a path $word\n"
    << "    end\n"
    << "    echo (string join ' ' $path)\n"
    << "end\n";
  for (const CommandNode& node : tree) {
    const std::string cond = "-n " + ShellQuoted("test \"$(__halvricctl_path)\" = " + ShellQuoted(node.path, true), true);
    for (const auto& [name, description] : node.commands) {
      s << "complete -c halvricctl -f " << cond << " -a " << ShellQuoted(name, true) << " -d " << ShellQuoted(description, true)
        << "\n";
    }
    for (const auto& [value, description] : node.values) {
      s << "complete -c halvricctl -f " << cond << " -a " << ShellQuoted(value, true) << " -d " << ShellQuoted(description, true)
        << "\n";
    }
    for (const auto& [option, description] : node.option_help) {
      s << "complete -c halvricctl " << cond << " -l " << ShellQuoted(option.substr(2), true) << " -d "
        << ShellQuoted(description, true) << "\n";
    }
  }
  // The program's options may follow any command.
  for (const auto& [option, description] : tree.front().option_help) {
    s << "complete -c halvricctl -l " << ShellQuoted(option.substr(2), true) << " -d " << ShellQuoted(description, true) << "\n";
  }
  return s.str();
}

}  // namespace

std::string CompletionScript(const CLI::App& app, const std::string& shell) {
  std::vector<CommandNode> tree;
  Walk(app, "", tree);
  if (shell == "bash") return Bash(tree);
  if (shell == "zsh") return Zsh(tree);
  if (shell == "fish") return Fish(tree);
  return {};
}

void RegisterCompletionCommand(CLI::App& app, CtlContext& ctx) {
  auto* completion = app.add_subcommand("completion", Help(ctl_text::kHelpCompletion));
  auto shell = std::make_shared<std::string>();
  completion->add_option("SHELL", *shell, Help(ctl_text::kHelpShell))
      ->required()
      ->check(CLI::IsMember({"bash", "zsh", "fish"}));
  completion->callback([&app, &ctx, shell] {
    TranslateHelp(app, ctx.Texts());
    ctx.out << CompletionScript(app, *shell);
  });
}

}  // namespace halvric
