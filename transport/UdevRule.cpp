#include "transport/UdevRule.h"

namespace orten {

namespace {

std::string Joined(const std::vector<std::string>& words) {
  std::string line;
  for (const std::string& w : words) line += (line.empty() ? "" : " ") + w;
  return line;
}

std::string VidPid(const std::optional<UsbId>& id) {
  return id ? FormatUsbId(*id) : "VVVV:PPPP";
}

}  // namespace

std::string UdevRuleLine(const std::optional<UsbId>& id) {
  const std::string vidPid = VidPid(id);
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

std::vector<std::vector<std::string>> UdevReloadCommands(const std::optional<UsbId>& id) {
  const std::string vidPid = VidPid(id);
  return {{"udevadm", "control", "--reload"},
          {"udevadm", "trigger", "--action=change", "--subsystem-match=usb",
           "--attr-match=idVendor=" + vidPid.substr(0, 4),
           "--attr-match=idProduct=" + vidPid.substr(5)}};
}

std::string ManualInstallCommands(const std::optional<UsbId>& id) {
  std::string line = UdevRuleLine(id);
  line.pop_back();
  // Appended, and only when the line is not there yet: the file may hold
  // other devices' lines and the administrator's own.
  const std::string path = kUdevRulePath;
  std::string text =
      "grep -qsxF '" + line + "' " + path + " || echo '" + line + "' | sudo tee -a " + path + "\n";
  for (const auto& command : UdevReloadCommands(id)) text += "sudo " + Joined(command) + "\n";
  return text;
}

}  // namespace orten
