// ortenctl: the configuration tool's command-line side, for scripts and
// batch work. Same core, same messages as the window.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>

#include "base/DataFolders.h"
#include "base/FileKind.h"
#include "base/SleepPacer.h"
#include "base/Utf8Console.h"
#include "base/Wording.h"
#include "cli/CliUi.h"
#include "cli/CommandTable.h"
#include "cli/Commands.h"
#include "ops/Journal.h"
#include "ops/Session.h"
#include "startup/LinkEnvironment.h"

using namespace orten;
using namespace orten::cli;

namespace {

// A usage error quotes what was typed: escaped and cut, as every message
// quotes text it did not write.
constexpr std::size_t kShownUsageChars = 400;

int Usage(const UsageError& usage) {
  std::cerr << "ortenctl: " << EscapedExcerpt(usage.error, kShownUsageChars) << '\n'
            << usage.usage << usage.helpHint << '\n';
  return kExitUsage;
}

std::string Topic(const CommandLine& line) {
  if (line.command) return line.command->words;
  return line.options.words.empty() ? std::string() : line.options.words.front();
}

int Run(const std::vector<std::string>& args) {
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
  if (programFolder.empty() && line.command->needsDataFolder) {
    std::cerr << "ortenctl: " << kNoDataFolder << '\n';
    return kExitFile;
  }
  CliUi ui(std::cerr, std::cin, options.yes, StderrIsTerminal());
  CommandContext ctx{options, line.arguments, ui, std::cout, std::cerr, programFolder};
  if (line.command->needsDataFolder) EnsureDataFolders(programFolder);
  if (!line.command->needsDevice) {
    return ExitCodeOf(line.command->run(ctx).kind);
  }

  Result<std::unique_ptr<LinkEnvironment>> made = LinkEnvironment::Create(options.common);
  if (!made) {
    std::cerr << "ortenctl: " << made.outcome().detail << '\n';
    return ExitCodeOf(made.kind());
  }
  std::unique_ptr<LinkEnvironment> env = std::move(*made);
  SleepPacer pacer;
  // A journal that cannot be written is told once, at once, and the work goes on.
  Journal journal(JournalPath(programFolder), "ortenctl");
  journal.OnFailure([&ui](const std::string& text) {
    ui.ShowMessage("ortenctl: " + text, kAppTitle, BoxIcon::None);
  });
  Session session(env->transport(), pacer, ui, env->trace(), &journal);
  session.SetEmptyLineAdvice(env->emptyLineAdvice());
  // What the command says once an operation has ended it hands to the
  // session (SayOutcome, SayFailure): the journal records those words.
  CommandContext work{options, line.arguments, ui, std::cout, std::cerr, programFolder};
  work.env = env.get();
  work.session = &session;
  work.journal = &journal;
  work.pacer = &pacer;
  work.now = env->clock();
  int rc = ExitCodeOf(line.command->run(work).kind);
  session.FinishRecord();
  // A trace that stopped is told at the end: the work itself went on.
  if (const TraceLog* trace = env->trace(); trace && !trace->failure().empty()) {
    std::cerr << "ortenctl: " << trace->failure() << '\n';
    if (rc == kExitOk) rc = kExitFile;
  }
  return rc;
}

// What went to stdout is the command's result: output that could not be
// written all (a full disk, a closed pipe) is a failure, however the
// command itself ended, and a script must not take a cut JSON for one.
int CheckStdout(int rc) {
  errno = 0;
  std::cout.flush();
  const bool flushed = std::fflush(stdout) == 0;
  const int code = errno;
  if (flushed && std::cout.good() && !std::ferror(stdout)) return rc;
  // The reason is known when the last piece failed; an earlier failure's is gone.
  std::cerr << "ortenctl: не удается вывести результат"
            << (code != 0 ? ": " + FileErrorText({code, std::generic_category()}, FileAccess::Write)
                          : std::string())
            << ".\n";
  return rc == kExitOk ? kExitFile : rc;
}

}  // namespace

int main(int argc, char** argv) {
#ifndef _WIN32
  // Past the file-size limit (ulimit -f) a save must fail as a write does,
  // with its message and exit code, not end the program mid-save.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  UseUtf8Console();
  return CheckStdout(Run(Utf8Arguments(argc, argv)));
}
