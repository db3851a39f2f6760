#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "base/Wording.h"
#include "cli/CliOptions.h"
#include "protocol/DeviceCommands.h"
#include "protocol/Outcome.h"

namespace orten {
class LinkEnvironment;
class Pacer;
class Session;
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
  Pacer* pacer = nullptr;
};

// Runs work on a device of family found and connected as the window's work
// pages connect (see Session::OnWorkPage); a device of the other family is
// refused in the tool's words.
Outcome OnWorkPage(CommandContext& ctx, DeviceMode family, const std::function<Outcome()>& work);

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

}  // namespace orten::cli
