// ortenctl: the configuration tool's command-line side, for scripts and
// batch work. Same core, same messages as the window.
#include <csignal>
#include <iostream>
#include <memory>

#include "base/DataFolders.h"
#include "base/SleepPacer.h"
#include "base/Utf8Console.h"
#include "cli/CliUi.h"
#include "cli/CommandTable.h"
#include "cli/Commands.h"
#include "ops/Journal.h"
#include "ops/Session.h"
#include "startup/LinkEnvironment.h"

using namespace orten;
using namespace orten::cli;

namespace {

int Usage(const UsageError& usage) {
  std::cerr << "ortenctl: " << usage.error << '\n' << usage.usage << usage.helpHint << '\n';
  return kExitUsage;
}

std::string Topic(const CommandLine& line) {
  if (line.command) return line.command->words;
  return line.options.words.empty() ? std::string() : line.options.words.front();
}

}  // namespace

int main(int argc, char** argv) {
#ifndef _WIN32
  // Past the file-size limit (ulimit -f) a save must fail as a write does,
  // with its message and exit code, not end the program mid-save.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  UseUtf8Console();
  const std::vector<std::string> args = Utf8Arguments(argc, argv);
  CommandLine line;
  if (const std::optional<UsageError> bad = ParseCommandLine(
          std::vector<std::string>(args.begin() + (args.empty() ? 0 : 1), args.end()), line)) {
    return Usage(*bad);
  }
  const CliOptions& options = line.options;
  if (options.help) {
    std::cout << HelpText(Topic(line));
    if (Topic(line).empty()) {
      std::cout << DataFolderHelp(ResolveProgramFolder(
          ExecutableFolder(args.empty() ? "" : args.front()), options.common.dataDir));
    }
    return kExitOk;
  }
  if (options.version) {
    std::cout << "ortenctl " << ORTEN_VERSION << '\n';
    return kExitOk;
  }
  const std::string programFolder = ResolveProgramFolder(
      ExecutableFolder(args.empty() ? "" : args.front()), options.common.dataDir);
  CliUi ui(std::cerr, std::cin, options.yes, StderrIsTerminal());
  CommandContext ctx{options, line.arguments, ui, std::cout, std::cerr, programFolder};
  // usb is about the USB line only; every other command works in the data folders.
  if (line.command->run != RunUsb) EnsureDataFolders(programFolder);
  if (!line.command->needsDevice) {
    return ExitCodeOf(line.command->run(ctx).kind);
  }

  std::string error;
  LinkEnvironment::Failure failure = LinkEnvironment::Failure::None;
  std::unique_ptr<LinkEnvironment> env = LinkEnvironment::Create(options.common, error, &failure);
  if (!env) {
    std::cerr << "ortenctl: " << error << '\n';
    return failure == LinkEnvironment::Failure::File ? kExitFile : kExitUsage;
  }
  SleepPacer pacer;
  // A journal that cannot be written is told once, at once, and the work goes on.
  Journal journal(JournalPath(programFolder), "ortenctl");
  journal.OnFailure([&ui](const std::string& text) {
    ui.ShowMessage("ortenctl: " + text, kAppTitle, BoxIcon::None);
  });
  Session session(env->transport(), pacer, ui, env->trace(), &journal);
  session.SetEmptyLineAdvice(env->emptyLineAdvice());
  ctx.env = env.get();
  ctx.session = &session;
  ctx.journal = &journal;
  ctx.pacer = &pacer;
  ctx.now = env->clock();
  int rc = ExitCodeOf(line.command->run(ctx).kind);
  // A trace that stopped is told at the end: the work itself went on.
  if (const TraceLog* trace = env->trace(); trace && !trace->failure().empty()) {
    std::cerr << "ortenctl: " << trace->failure() << '\n';
    if (rc == kExitOk) rc = kExitFile;
  }
  return rc;
}
