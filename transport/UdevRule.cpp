#include "transport/UdevRule.h"

namespace orten {

std::string UdevRuleLine(const std::optional<UsbId>& id) {
  const std::string vidPid = id ? FormatUsbId(*id) : "VVVV:PPPP";
  return "SUBSYSTEM==\"usb\", ATTR{idVendor}==\"" + vidPid.substr(0, 4) +
         "\", ATTR{idProduct}==\"" + vidPid.substr(5) + "\", TAG+=\"uaccess\"\n";
}

std::string UdevRuleText(const std::vector<UsbId>& ids) {
  std::string text =
      "# Приемник Ортен-ДЕЗ (ortenconf, ortenctl): доступ к прибору USB для пользователя,\n"
      "# вошедшего в систему, без прав root.\n";
  if (ids.empty()) {
    return text +
           "# Идентификаторы прибора не заданы. Узнайте их командой «ortenctl usb» (или lsusb),\n"
           "# скопируйте этот файл в " +
           std::string(kUdevRulePath) +
           ", впишите VID и PID\n"
           "# в строку ниже (четыре шестнадцатеричные цифры, строчными буквами) и уберите «#»:\n"
           "# " +
           UdevRuleLine(std::nullopt) +
           "# Затем выполните «sudo udevadm control --reload-rules» и переподключите прибор.\n";
  }
  for (const UsbId& id : ids) text += UdevRuleLine(id);
  return text;
}

}  // namespace orten
