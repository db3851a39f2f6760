#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/Outcome.h"
#include "sim/SimDevice.h"
#include "transport/UsbId.h"

namespace orten {

// The options both programs share: where the device is (USB or the
// simulation), where the data folders are, and the opt-in trace.
struct CommonOptions {
  std::optional<std::string> simulate;  // "rpu", "mro:45", ...
  // The paths are absolute, resolved against the folder the program was
  // started in when they were read.
  std::string simState;  // file the simulated device lives in between runs
  std::string simLine;   // script of a simulated line on which devices come and go
  std::vector<UsbId> usbIds;
  std::string dataDir;
  std::string tracePath;
  // What goes wrong on the simulated line (--sim-fault, repeatable).
  SimFaults simFaults;
  bool simNoDevice = false;    // nothing on the line
  bool simTwoDevices = false;  // a second device beside the first
  bool simSkipWaits = false;   // a read's wait for a silent device takes no real time
};

// Takes the shared options ("--name value" or "--name=value") out of args
// and leaves everything else in order; "--" and what follows it stay as
// they are. A Usage error naming a malformed option.
Outcome TakeCommonOptions(std::vector<std::string>& args, CommonOptions& options);

// One "--sim-fault" value ("reject", "unplug@300", ...) into options. A
// Usage error naming the value when it is not one.
Outcome ParseSimFault(const std::string& text, CommonOptions& options);

// One help line per shared option, for --help.
const char* CommonOptionsHelp();

}  // namespace orten
