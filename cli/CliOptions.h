#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/Outcome.h"
#include "startup/CommonOptions.h"
#include "startup/ExitCodes.h"

namespace orten::cli {

// What each means: startup/ExitCodes, where help and the manual page take it from.
enum ExitCode : int {
  kExitOk = kToolDone,
  kExitDevice = kToolDevice,  // the device failed or refused
  kExitUsage = kToolUsage,
  kExitFile = kToolFile,
  kExitNoDevice = kToolNoDevice,  // no device, or more than one; or a wait ran out of time
};

// The exit code for what became of a command: the one place that decides it.
int ExitCodeOf(OutcomeKind kind);

// What the command line says, once read.
struct CliOptions {
  CommonOptions common;
  bool help = false;
  bool version = false;
  bool yes = false;
  bool changeFamily = false;       // firmware write: allow the other family's firmware
  bool verify = false;             // read back what was written
  bool json = false;               // results as one JSON object on stdout
  std::string family;              // firmware list: "rpu" or "mro"
  std::string output;              // -o: the file a command saves to
  std::string systemMode;          // backup read: "rpu" or "rtr", for the default file name
  std::string module;              // backup read: module number, for the default file name
  std::string object;              // backup read: object number, for the default file name
  bool all = false;                // usb: every device, not just the possible receivers
  bool forget = false;             // usb: drop the remembered IDs
  bool udevRule = false;           // usb: print the udev rule for the configured IDs
  std::string remember;            // usb: IDs to remember for both programs
  std::string installRule;         // usb: "vvvv:pppp" whose udev rule to install
  bool gone = false;               // wait: for the device to go
  std::optional<double> timeout;   // wait: seconds; none waits as long as it takes
  std::optional<long> count;       // batch: end after this many devices
  std::optional<double> timeLimit; // batch: end after this many seconds
  bool stopOnFailure = false;      // batch: end at the first device set aside
  std::string since;               // journal: the first day shown, YYYY-MM-DD (computer's clock)
  std::string excel;               // journal: the Excel workbook to write
  std::vector<std::string> words;  // the command's words and its arguments, in order
  std::vector<std::string> given;  // the command's own options given, by their long names
};

}  // namespace orten::cli
