#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/Outcome.h"

namespace orten {

// The device's USB vendor and product IDs, given as "VID:PID" in hex.
struct UsbId {
  std::uint16_t vendor = 0;
  std::uint16_t product = 0;
  bool operator==(const UsbId&) const = default;
};

std::optional<UsbId> ParseUsbId(const std::string& text);
// "VID:PID,VID:PID" as in the environment variable ORTEN_USB_ID; a Usage
// error naming the first malformed entry.
Result<std::vector<UsbId>> ParseUsbIdList(const std::string& text);
std::string FormatUsbId(const UsbId& id);

// The IDs to look for, asked for at each look at the line rather than once
// at start: where they are kept may be unreadable or malformed, and that is
// then the reason of that look alone (an outcome naming file and line).
using UsbIdLookup = std::function<Result<std::vector<UsbId>>()>;

// Said wherever the device is looked for with no IDs configured: how to find
// them and how to keep them for both programs.
inline constexpr const char* kUsbIdsNotConfigured =
    "Не заданы идентификаторы USB прибора (VID:PID).\n"
    "Найдите прибор командой «ortenctl usb» и запомните его идентификаторы командой\n"
    "«ortenctl usb --remember VID:PID» (или укажите --usb-id VID:PID либо ORTEN_USB_ID).";

}  // namespace orten
