#pragma once

#include <optional>
#include <string>
#include <vector>

#include "transport/UsbId.h"

namespace orten {

// Installing the udev rule that lets the user at the seat open the device.
// Whatever runs as root here writes one fixed file, with text made only from
// IDs of four hex digits each, and runs fixed programs with fixed arguments:
// no shell ever sees a word from the user.

// "vvvv:pppp", exactly four hex digits on each side; anything else is refused.
// Checked before pkexec is asked and again by the program it runs as root.
std::optional<UsbId> ParseRuleUsbId(const std::string& text);

// The rule file under root ("/" outside tests).
std::string InstalledRulePath(const std::string& root);

// What makes udev apply the new rule to the device already plugged in:
// reload the rules, then replay the device's event so it gets its access.
std::vector<std::vector<std::string>> UdevReloadCommands(const UsbId& id);
// What the user types when nothing may be run from here.
std::string ManualInstallCommands(const UsbId& id);

#ifndef _WIN32
// The full path of name in a PATH-like list of folders; empty when absent.
std::string FindProgram(const std::string& name, const std::string& searchPath);
// Runs the program with exactly these arguments (no shell) and waits for it.
// Its exit code, or nothing when it could not be started or did not exit.
std::optional<int> RunProgram(const std::string& path, const std::vector<std::string>& args);
#endif

class UdevRuleInstaller {
 public:
  struct Setup {
    std::string root = "/";
    std::string searchPath;  // where pkexec and udevadm are looked for
    bool asRoot = false;
    std::string helper;  // ortenctl's full path, run through pkexec
  };
  // This process: root from ORTEN_INSTALL_ROOT (tests; pkexec drops it),
  // PATH, and whether it runs as root.
  static Setup FromEnvironment(std::string helper);

  explicit UdevRuleInstaller(Setup setup) : setup_(std::move(setup)) {}

  enum class Route { Write, Pkexec, Manual };
  // As root: write. Otherwise through pkexec when it and the helper are
  // there, else the commands are shown.
  Route route() const;

  struct Result {
    enum class Kind { Installed, Manual, Failed } kind;
    std::string text;  // what happened, or the commands to run
  };
  Result Install(const UsbId& id) const;

 private:
  Result WriteAndReload(const UsbId& id) const;
  Result ThroughPkexec(const UsbId& id) const;

  Setup setup_;
};

}  // namespace orten
