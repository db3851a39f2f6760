#pragma once

#include <string>
#include <vector>

#include "transport/DevicePresence.h"

namespace orten {

// Presence on Windows: the present interfaces of the device's class, as
// discovery lists them, looked at again every few hundred milliseconds
// (the waiter's own pace). Nothing is opened.
class WinPresence final : public DevicePresence {
 public:
  bool Count(std::uint32_t& count) override;
  void WaitForChange(int timeoutMs) override;
  std::vector<std::string> Places() const override { return places_; }
  LinkFault LastFault() const override;
  std::string LastErrorText() const override { return error_; }

 private:
  std::vector<std::string> places_;
  std::string error_;
};

// "\\?\usb#vid_1209&pid_0001#4#{...}" -> "USB\VID_1209&PID_0001\4": the
// device instance an interface belongs to, as Windows' device manager names it.
std::string InterfacePlace(const std::string& devicePath);

}  // namespace orten
