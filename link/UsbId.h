#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orten {

// The device's USB vendor and product IDs, given as "VID:PID" in hex.
struct UsbId {
  std::uint16_t vendor = 0;
  std::uint16_t product = 0;
  bool operator==(const UsbId&) const = default;
};

std::optional<UsbId> ParseUsbId(const std::string& text);
// "VID:PID,VID:PID" as in the environment variable ORTEN_USB_ID; false on
// the first malformed entry, which is named in error.
bool ParseUsbIdList(const std::string& text, std::vector<UsbId>& ids, std::string& error);
std::string FormatUsbId(const UsbId& id);

}  // namespace orten
