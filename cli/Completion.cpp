#include "cli/Completion.h"

#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "cli/CommandTable.h"

namespace orten::cli {

namespace {

// The shared options (startup/CommonOptions) that take a value, and what it is.
struct Shared {
  const char* name;
  const char* complete;  // a compgen word list, "FILE", "DIR", or "" for free text
};
constexpr Shared kShared[] = {
    {"--simulate", "rpu mro"},
    {"--sim-state", "FILE"},
    {"--sim-line", "FILE"},
    {"--sim-fault",
     "no-device two-devices pipe-open no-access busy write-fail@ unplug@ unplug-read@ "
     "read-timeout@ short-chunk@ corrupt@ bad-sync bad-checksum reject no-answer"},
    {"--usb-id", ""},
    {"--data-dir", "DIR"},
    {"--trace", "FILE"},
};

// "rpu|mro" offers its words; FILE names files (by the suffix, when it has one).
std::string ValueCompletion(const std::string& value) {
  if (value.find('|') != std::string::npos) {
    std::string words = value;
    for (char& c : words) c = c == '|' ? ' ' : c;
    return "COMPREPLY=($(compgen -W '" + words + "' -- \"$cur\"))";
  }
  if (value == "FILE") return "_filedir";
  return "";
}

std::string SuffixOf(const std::string& arguments) {
  const std::size_t dot = arguments.find('.');
  if (dot == std::string::npos) return "";
  return arguments.substr(dot + 1, arguments.find(' ', dot) - dot - 1);
}

}  // namespace

std::string BashCompletion() {
  std::ostringstream out;
  out << "# bash completion for ortenctl (made from its command table)\n"
         "_ortenctl() {\n"
         "  local cur prev words cword\n"
         "  _init_completion -n = || return\n"
         "  case \"$prev\" in\n";
  std::string valued;
  for (const Shared& s : kShared) {
    const std::string what = s.complete;
    out << "    " << s.name << ")\n      ";
    if (what == "FILE") out << "_filedir";
    else if (what == "DIR") out << "_filedir -d";
    else if (!what.empty()) out << "COMPREPLY=($(compgen -W '" << what << "' -- \"$cur\"))";
    out << "\n      return ;;\n";
    valued += std::string(valued.empty() ? "" : "|") + s.name;
  }
  for (const OptionHelp& o : CommandOptionHelp()) {
    if (o.value.empty()) continue;
    const std::string names = o.shortName.empty() ? o.name : o.shortName + "|" + o.name;
    out << "    " << names << ")\n      " << ValueCompletion(o.value) << "\n      return ;;\n";
    valued += "|" + names;
  }
  out << "  esac\n"
         "  # The command's words typed so far: words that are no option nor an option's value.\n"
         "  local command=\"\" i skip=0\n"
         "  for ((i = 1; i < cword; i++)); do\n"
         "    if ((skip)); then skip=0; continue; fi\n"
         "    case \"${words[i]}\" in\n"
         "      "
      << valued
      << ") skip=1 ;;\n"
         "      -*) ;;\n"
         "      *) command=\"${command:+$command }${words[i]}\" ;;\n"
         "    esac\n"
         "  done\n"
         "  local general='--yes --help --version";
  for (const Shared& s : kShared) out << ' ' << s.name;
  out << " --sim-skip-waits'\n"
         "  case \"$command\" in\n";
  // Each group's next words, then each command's options and arguments.
  std::map<std::string, std::set<std::string>> next;
  for (const Command& c : Commands()) {
    std::istringstream words(c.words);
    std::string prefix;
    for (std::string w; words >> w;) {
      next[prefix].insert(w);
      prefix += (prefix.empty() ? "" : " ") + w;
    }
  }
  for (const Command& c : Commands()) {
    std::string options;
    for (const char* name : c.options) options += std::string(" ") + name;
    const std::string suffix = SuffixOf(c.arguments);
    out << "    \"" << c.words << "\"*)\n"
        << "      if [[ $cur == -* ]]; then\n"
        << "        COMPREPLY=($(compgen -W \"$general" << options << "\" -- \"$cur\"))\n";
    if (c.maxArguments > 0) {
      out << "      else\n        _filedir" << (suffix.empty() ? "" : " '" + suffix + "'") << '\n';
    }
    out << "      fi ;;\n";
    next.erase(c.words);
  }
  for (const auto& [prefix, words] : next) {
    std::string list;
    for (const std::string& w : words) list += (list.empty() ? "" : " ") + w;
    out << "    \"" << prefix << "\")\n      COMPREPLY=($(compgen -W \"" << list
        << (prefix.empty() ? " $general" : "") << "\" -- \"$cur\")) ;;\n";
  }
  out << "  esac\n"
         "}\n"
         "complete -F _ortenctl ortenctl\n";
  return out.str();
}

}  // namespace orten::cli
