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
// Where a technician puts the rule by hand; the package ships it under /usr/lib.
inline constexpr const char* kUdevRulePath = "/etc/udev/rules.d/70-ortenconf.rules";

}  // namespace orten
