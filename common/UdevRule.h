#pragma once

#include <string>
#include <vector>

#include "link/UsbId.h"

namespace orten {

// The udev rule that lets the user at the seat open the device without root
// (TAG+="uaccess"), one line per ID. With no IDs the rule is a commented
// template that says how to fill it in. The package's rule file and
// `ortenctl usb --udev-rule` both print this text.
std::string UdevRuleText(const std::vector<UsbId>& ids);

}  // namespace orten
