#pragma once

#include <iosfwd>
#include <string>

#include "cli/CliOptions.h"

namespace orten {
class DeviceLink;
class LinkEnvironment;
class Pacer;
class UserInterface;
}  // namespace orten

namespace orten::cli {

// What a command works with. Results go to out; messages go through ui.
struct CommandContext {
  const CliOptions& options;
  LinkEnvironment& env;
  DeviceLink& link;
  UserInterface& ui;
  Pacer& pacer;
  std::ostream& out;
  std::string programFolder;
};

// Finds exactly one device, as the window's connect does; prints the
// window's message and returns kExitNoDevice otherwise.
int DiscoverOneDevice(CommandContext& ctx);

int RunInfo(CommandContext& ctx);
int RunFirmware(CommandContext& ctx);
int RunBackup(CommandContext& ctx);
int RunSettings(CommandContext& ctx);

}  // namespace orten::cli
