#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "base/Outcome.h"

namespace orten::cli {

struct CommandContext;

// One command of ortenctl: everything parsing, checking, dispatch and help
// need to know about it.
struct Command {
  const char* words = "";      // "settings write"
  const char* arguments = "";  // "FILE.cfg", as usage lines show them
  std::size_t minArguments = 0;
  std::size_t maxArguments = 0;
  std::vector<const char*> options;   // the long names of the options it takes
  std::vector<const char*> required;  // those of them it cannot do without
  bool needsDevice = false;           // works on the device (or may): the link is built for it
  bool linuxOnly = false;             // USB IDs and udev: on Windows the device's driver finds it
  bool needsDataFolder = true;        // works in the data folders (usb: the USB line only)
  const char* help = "";              // one or more lines, without indentation
  const char* json = nullptr;         // with --json: the keys of the object it prints
  const char* exitCodes = nullptr;    // what its exit code says, where the common list does not
  Outcome (*run)(CommandContext&) = nullptr;
};

const std::vector<Command>& Commands();

// The command line as read: the command (null for --help or --version
// alone) and its arguments.
struct CommandLine {
  CliOptions options;
  const Command* command = nullptr;
  std::vector<std::string> arguments;
};

// A usage error: what is wrong, and the usage lines of the command (or the
// group of commands) it concerns, for a one-line reminder.
struct UsageError {
  std::string error;
  std::string usage;
  std::string helpHint;  // "ortenctl settings --help"
};

// Reads args (without the program's name). On a usage error returns it.
std::optional<UsageError> ParseCommandLine(const std::vector<std::string>& args, CommandLine& line);

// Every command (topic empty), or the commands whose words start with topic.
std::string HelpText(const std::string& topic = {});
// The notes of the commands (of topic) whose exit code says more than the
// common list, each once: batch's three commands share one.
std::vector<const char*> OwnExitCodes(const std::string& topic = {});
// Where the data folders are: folder, the one this run uses, and the rule
// that chose it, for the general help.
std::string DataFolderHelp(const std::string& folder);
// "ortenctl [параметры] settings write FILE.cfg [--verify]"
std::string UsageLine(const Command& command);
// "settings write FILE.cfg [--verify]"
std::string Synopsis(const Command& command);

// The options commands take, as help and the manual page list them.
struct OptionHelp {
  std::string heading;  // "-o, --output FILE"
  std::string help;
  std::string name;       // "--output"
  std::string shortName;  // "-o", or empty
  std::string value;      // "FILE", or empty for a switch
};
std::vector<OptionHelp> CommandOptionHelp();
// The options every command takes (--yes, --help, --version).
std::vector<OptionHelp> GeneralOptionHelp();

}  // namespace orten::cli
