// ortenctl: the configuration tool's command-line side, for scripts and
// batch work. Same core, same messages as the window.
#include <iostream>
#include <map>
#include <memory>

#include "cli/CliOptions.h"
#include "cli/CliUi.h"
#include "cli/Commands.h"
#include "base/DataFolders.h"
#include "startup/LinkEnvironment.h"
#include "base/Utf8Console.h"
#include "protocol/DeviceLink.h"
#include "base/SleepPacer.h"

using namespace orten;
using namespace orten::cli;

namespace {

using Command = int (*)(CommandContext&);

const std::map<std::string, Command>& Commands() {
  static const std::map<std::string, Command> commands = {{"info", RunInfo},
                                                          {"firmware", RunFirmware},
                                                          {"backup", RunBackup},
                                                          {"settings", RunSettings},
                                                          {"wait", RunWait}};
  return commands;
}

int Usage(const std::string& error) {
  std::cerr << "ortenctl: " << error << "\n\n" << UsageText();
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  UseUtf8Console();
  const std::vector<std::string> args = Utf8Arguments(argc, argv);
  CliOptions options;
  std::string error;
  if (!ParseCliOptions(std::vector<std::string>(args.begin() + (args.empty() ? 0 : 1), args.end()),
                       options, error)) {
    return Usage(error);
  }
  if (options.help) {
    std::cout << UsageText();
    return kExitOk;
  }
  if (options.version) {
    std::cout << "ortenctl " << ORTEN_VERSION << '\n';
    return kExitOk;
  }
  if (options.words.empty()) return Usage("не указана команда");
  if (options.words.front() == "usb") return RunUsb(options, std::cout, std::cerr);
  const auto command = Commands().find(options.words.front());
  if (command == Commands().end()) return Usage("неизвестная команда " + options.words.front());

  LinkEnvironment::Failure failure = LinkEnvironment::Failure::None;
  std::unique_ptr<LinkEnvironment> env = LinkEnvironment::Create(options.common, error, &failure);
  if (!env) {
    std::cerr << "ortenctl: " << error << '\n';
    return failure == LinkEnvironment::Failure::File ? kExitFile : kExitUsage;
  }
  const std::string programFolder = ResolveProgramFolder(
      ExecutableFolder(args.empty() ? "" : args.front()), options.common.dataDir);
  EnsureDataFolders(programFolder);

  CliUi ui(std::cerr, std::cin, options.yes, StderrIsTerminal());
  SleepPacer pacer;
  DeviceLink link(env->transport(), pacer, ui, env->trace());
  CommandContext ctx{options, *env, link, ui, pacer, std::cout, programFolder};
  const int rc = command->second(ctx);
  if (!env->SaveSimState(error)) {
    std::cerr << "ortenctl: " << error << '\n';
    return rc == kExitOk ? kExitFile : rc;
  }
  return rc;
}
