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
           "# Идентификаторы прибора не заданы: это только образец, он ничего не открывает.\n"
           "# Правило для прибора ставит окно ortenconf (выбор прибора, затем пароль\n"
           "# администратора) или «ortenctl usb --install-rule VVVV:PPPP» в файл\n"
           "# " +
           std::string(kUdevRulePath) +
           ".\n"
           "# Вручную: узнайте VID и PID командой «ortenctl usb» (или lsusb), впишите их в\n"
           "# строку ниже (четыре шестнадцатеричные цифры, строчными буквами), уберите «#»,\n"
           "# сохраните файл там же и выполните «sudo udevadm control --reload»:\n"
           "# " +
           UdevRuleLine(std::nullopt);
  }
  for (const UsbId& id : ids) text += UdevRuleLine(id);
  return text;
}

}  // namespace orten
