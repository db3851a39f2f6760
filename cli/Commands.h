#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "base/Wording.h"
#include "cli/CliOptions.h"
#include "protocol/DeviceCommands.h"
#include "base/Outcome.h"

namespace orten {
class Journal;
class LinkEnvironment;
class Pacer;
class Session;
struct Verdict;
class UserInterface;
}  // namespace orten

namespace orten::cli {

// What a command works with. Results go to out; messages go through ui.
// Commands that need no device get no environment and no session.
struct CommandContext {
  const CliOptions& options;
  const std::vector<std::string>& arguments;  // after the command's words
  UserInterface& ui;
  std::ostream& out;
  std::ostream& err;  // for what goes around the user interface (ortenctl usb)
  std::string programFolder;
  LinkEnvironment* env = nullptr;
  Session* session = nullptr;
  Journal* journal = nullptr;  // the one session records into (for work that makes its own)
  Pacer* pacer = nullptr;
  // Milliseconds on the line's clock (the simulation's, where waits can be skipped).
  std::function<std::int64_t()> now = nullptr;
};

// Runs work on a device of family found and connected as the window's work
// pages connect (see Session::OnWorkPage); a device of the other family is
// refused in the tool's words.
Outcome OnWorkPage(CommandContext& ctx, DeviceMode family, const std::function<Outcome()>& work);

// A result line that says how an operation on the device ended (on
// stdout, where a script reads it): the journal records it as the words the
// user read on that operation.
void SayOutcome(CommandContext& ctx, const std::string& line);
// The command's own words on an operation that failed (on stderr), which
// the journal records likewise.
void SayFailure(CommandContext& ctx, const std::string& text);
// A check's verdict in its own words: on stdout when it passed, on stderr
// when not. Its outcome.
Outcome SayVerdict(CommandContext& ctx, const Verdict& verdict);

// A path printed as a result ("Файл: PATH"): whole, as paths go, but
// escaped, so nothing in a name steers the terminal.
inline std::string ShownPath(const std::string& path) {
  return EscapedExcerpt(path, 4096);
}

Outcome RunInfo(CommandContext& ctx);
Outcome RunFirmwareList(CommandContext& ctx);
Outcome RunFirmwareCheck(CommandContext& ctx);
Outcome RunFirmwareWrite(CommandContext& ctx);
Outcome RunBackupRead(CommandContext& ctx);
Outcome RunBackupWrite(CommandContext& ctx);
Outcome RunBackupInfo(CommandContext& ctx);
Outcome RunSettingsRead(CommandContext& ctx);
Outcome RunSettingsWrite(CommandContext& ctx);
Outcome RunSettingsShow(CommandContext& ctx);
Outcome RunSettingsDiff(CommandContext& ctx);
Outcome RunSettingsDefaults(CommandContext& ctx);
Outcome RunUsb(CommandContext& ctx);
Outcome RunWait(CommandContext& ctx);
Outcome RunBatchSettings(CommandContext& ctx);
Outcome RunBatchFirmware(CommandContext& ctx);
Outcome RunBatchRestore(CommandContext& ctx);
Outcome RunJournal(CommandContext& ctx);

// A day given as YYYY-MM-DD or dd.MM.yyyy, as YYYY-MM-DD; nothing when it
// is neither or no such day.
std::optional<std::string> JournalDay(const std::string& text);

}  // namespace orten::cli
