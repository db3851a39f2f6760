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
  const std::string vidPid = id ? FormatUsbId(*id) : "VVVV:PPPP";
  std::string commands = ManualInstallCommands(id);
  commands.pop_back();  // the box or the line ends here
  return "Разрешите доступ правилом udev: строкой\n" + UdevRuleLine(id) + "в файле " +
         kUdevRulePath + ". Ее добавляет и применяет к прибору «ortenctl usb --install-rule " +
         vidPid + "» (от root или через pkexec). Вручную, с правами root:\n" + commands;
}

}  // namespace orten
