#pragma once

#include <ctime>
#include <functional>
#include <iosfwd>
#include <string>

#include "cli/CliOptions.h"
#include "protocol/DeviceCommands.h"

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

// Connects as the window does on a work page (code 0xAA), runs the exchange
// and always ends with the disconnect command. A device of the other family
// is refused before any parameter request: its memory is laid out otherwise.
int OnWorkPageDevice(CommandContext& ctx, DeviceMode family, const std::function<int()>& exchange);


int RunInfo(CommandContext& ctx);
int RunFirmware(CommandContext& ctx);
int RunBackup(CommandContext& ctx);
int RunSettings(CommandContext& ctx);
int RunWait(CommandContext& ctx);
// Needs no link to the device (and must work when the remembered IDs are
// broken, to replace or forget them), so it runs before one is built.
int RunUsb(const CliOptions& options, std::ostream& out, std::ostream& err);

}  // namespace orten::cli
