#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/UserInterface.h"
#include "startup/UdevRuleInstall.h"
#include "transport/Transport.h"
#include "transport/UsbId.h"

namespace orten {

// What the window offers when a look at the line finds no device it may use:
// the devices that could be the receiver to choose from (remembered as
// `ortenctl usb --remember` does), and the udev rule when access is refused.
// Linux only: on Windows the device's driver finds it, and nothing is offered.
class DeviceChooser {
 public:
  // usbIdOption: the IDs given with --usb-id, which win over any choice.
  DeviceChooser(std::vector<UsbId> usbIdOption, UdevRuleInstaller installer);

  // After a look found no device: when the IDs in force can be changed by a
  // choice (none configured, or only remembered ones) and candidates are
  // plugged in, asks which one it is and remembers it. Chosen when one was
  // remembered, so another look is worthwhile; Declined when the user said
  // none. A choice that cannot be remembered is said in a box.
  DeviceChoiceResult OfferAfterEmptyLine(LinkFault fault, UserInterface& ui);

  // After the device with the IDs in force refused access: shows its rule and
  // installs it if the user agrees (through pkexec), or shows the commands.
  // True when the rule was installed. When the device cannot be told among
  // those plugged in, advice (the transport's) is shown instead.
  bool OfferRule(UserInterface& ui, const std::string& advice = {});

 private:
  std::vector<UsbId> usbIdOption_;
  UdevRuleInstaller installer_;
};

}  // namespace orten
