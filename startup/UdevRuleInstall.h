#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/Outcome.h"
#include "transport/UdevRule.h"
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
// The folders system tools are run from, under root: never PATH, which the
// user who asked for the root step chose.
std::string SystemProgramFolders(const std::string& root);

// The rule file's text with the device's line added: every line already
// there stays as it was (other devices, the administrator's comments). A new
// file gets the rule's heading. Nothing when the device's line is there.
std::optional<std::string> RuleFileWithLine(const std::string& existing, const UsbId& id);

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
    std::string root = "/";  // where the rule file and udevadm are (tests: a folder of their own)
    std::string searchPath;  // where pkexec is looked for
    bool asRoot = false;
    std::string helper;  // ortenctl's full path, run through pkexec
  };
  // This process: PATH, and whether it runs as root. A program built for
  // tests also takes the root from ORTEN_INSTALL_ROOT (pkexec drops it).
  static Setup FromEnvironment(std::string helper);

  explicit UdevRuleInstaller(Setup setup) : setup_(std::move(setup)) {}

  enum class Route { Write, Pkexec, Manual };
  // As root: write. Otherwise through pkexec when it and the helper are
  // there, else the commands are shown. Writing adds the device's line to
  // the rule file (a link there is refused) and runs udevadm from the
  // system's folders.
  Route route() const;

  // Installed, or the commands to run by hand (no way to install it from
  // here, which is no failure); a FileError when it could not be installed.
  struct Installation {
    enum class Kind { Installed, Manual } kind;
    std::string text;  // what happened, or the commands to run
  };
  Result<Installation> Install(const UsbId& id) const;

 private:
  Result<Installation> WriteAndReload(const UsbId& id) const;
  Result<Installation> ThroughPkexec(const UsbId& id) const;

  Setup setup_;
};

}  // namespace orten
