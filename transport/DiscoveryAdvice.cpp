#include "transport/DiscoveryAdvice.h"

#include "transport/UdevRule.h"

namespace orten {

std::optional<std::string> NotFoundReason(LinkFault fault, const std::string& transportText) {
  switch (fault) {
    case LinkFault::NotConfigured:
      return transportText.empty() ? std::string(kUsbIdsNotConfigured) : transportText;
    case LinkFault::Unavailable:
      return "Не удалось запустить libusb: " + transportText;
    case LinkFault::Access:
      return "Нет доступа к устройствам USB: " + transportText + "\n" + UdevAdvice(std::nullopt);
    default:
      return std::nullopt;
  }
}

std::string UdevAdvice(const std::optional<UsbId>& id) {
  return "Разрешите доступ правилом udev: файл " + std::string(kUdevRulePath) + " со строкой\n" +
         UdevRuleLine(id) +
         "(его печатает «ortenctl usb --udev-rule»), затем выполните "
         "«sudo udevadm control --reload-rules» и переподключите прибор.";
}

}  // namespace orten
