#pragma once

#include <optional>
#include <string>
#include <vector>

#include "transport/UsbId.h"

namespace orten {

// The udev rule that lets the user at the seat open the device without root
// (TAG+="uaccess"), one line per ID. With no IDs the rule is a commented
// template that says how to fill it in. The package's rule file and
// `ortenctl usb --udev-rule` both print this text.
std::string UdevRuleText(const std::vector<UsbId>& ids);
// One rule line for the device's IDs (VID and PID placeholders without one).
std::string UdevRuleLine(const std::optional<UsbId>& id);
// The rule file of this machine: `ortenctl usb --install-rule` adds a device's
// line to it, keeping every other line. The package's own rule has another
// name (packaging/make_udev_rule), so this file never hides the devices the
// package opens.
inline constexpr const char* kUdevRulePath = "/etc/udev/rules.d/70-ortenconf.rules";

// What makes udev apply the new rule to the device already plugged in:
// reload the rules, then replay the device's event so it gets its access.
// Without an ID the commands show VVVV and PPPP.
std::vector<std::vector<std::string>> UdevReloadCommands(const std::optional<UsbId>& id);
// What the user types as root to do what `ortenctl usb --install-rule` does:
// add the device's line to kUdevRulePath unless it is there, then apply it.
// Every program that shows the commands shows these.
std::string ManualInstallCommands(const std::optional<UsbId>& id);

}  // namespace orten
