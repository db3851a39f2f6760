#include "link/DiscoveryAdvice.h"

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
  const std::string vendor = id ? FormatUsbId(*id).substr(0, 4) : "VID";
  const std::string product = id ? FormatUsbId(*id).substr(5) : "PID";
  return "Разрешите доступ правилом udev: файл /etc/udev/rules.d/70-orten.rules со строкой\n"
         "SUBSYSTEM==\"usb\", ATTR{idVendor}==\"" +
         vendor + "\", ATTR{idProduct}==\"" + product +
         "\", MODE=\"0660\", TAG+=\"uaccess\"\n"
         "затем выполните «sudo udevadm control --reload-rules» и переподключите прибор.";
}

}  // namespace orten
