#include "common/UdevRule.h"

namespace orten {

namespace {

std::string RuleLine(const std::string& vendor, const std::string& product) {
  return "SUBSYSTEM==\"usb\", ATTR{idVendor}==\"" + vendor + "\", ATTR{idProduct}==\"" + product +
         "\", TAG+=\"uaccess\"\n";
}

}  // namespace

std::string UdevRuleText(const std::vector<UsbId>& ids) {
  std::string text =
      "# Приемник Ортен-ДЕЗ (ortenconf, ortenctl): доступ к прибору USB для пользователя,\n"
      "# вошедшего в систему, без прав root.\n";
  if (ids.empty()) {
    return text +
           "# Идентификаторы прибора не заданы. Узнайте их командой «ortenctl usb» (или lsusb),\n"
           "# скопируйте этот файл в /etc/udev/rules.d/70-ortenconf.rules, впишите VID и PID\n"
           "# в строку ниже (четыре шестнадцатеричные цифры, строчными буквами) и уберите «#»:\n"
           "# " +
           RuleLine("VVVV", "PPPP") +
           "# Затем выполните «sudo udevadm control --reload-rules» и переподключите прибор.\n";
  }
  for (const UsbId& id : ids) {
    const std::string vidPid = FormatUsbId(id);
    text += RuleLine(vidPid.substr(0, 4), vidPid.substr(5));
  }
  return text;
}

}  // namespace orten
