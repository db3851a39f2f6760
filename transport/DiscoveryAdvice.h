#pragma once

#include <optional>
#include <string>

#include "transport/Transport.h"
#include "transport/UsbId.h"

namespace orten {

// After a discovery that found no device: why, when it is more than
// "nothing plugged in" (no IDs configured, the USB layer did not start,
// access refused). Nothing for a plain empty line. transportText is the
// transport's LastErrorText.
std::optional<std::string> NotFoundReason(LinkFault fault, const std::string& transportText);
inline std::optional<std::string> NotFoundReason(const Transport& transport) {
  return NotFoundReason(transport.LastFault(), transport.LastErrorText());
}

// The udev rule that lets an ordinary user open the device, with the steps
// around it. Without an ID the rule shows VID and PID placeholders.
std::string UdevAdvice(const std::optional<UsbId>& id);

// Windows' counterpart of the udev advice, after an empty line: the device
// is found through its maker's driver, so that is where to look.
inline constexpr const char* kDriverAdvice =
    "Windows находит прибор через драйвер изготовителя: проверьте в Диспетчере устройств "
    "(devmgmt.msc), что прибор там виден и драйвер для него установлен (без желтого "
    "восклицательного знака).";

}  // namespace orten
