#include "app/CommandLine.h"

#include "startup/ExitCodes.h"

namespace orten::gui {

bool ParseGuiOptions(const std::vector<std::string>& args, GuiOptions& options,
                     std::string& error) {
  std::vector<std::string> rest = args;
  if (!TakeCommonOptions(rest, options.common, error)) return false;
  for (std::string& arg : rest) {
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else {
      options.rest.push_back(std::move(arg));
    }
  }
  return true;
}

std::string UsageText() {
  return std::string(
             "Использование: ortenconf [параметры]\n"
             "Программа настройки РПУ Ортен-ДЕЗ: обновление ПО прибора, резервные копии памяти\n"
             "регистрации, настройка реле и выхода ОК.\n\n"
             "Параметры:\n") +
         CommonOptionsHelp() +
         "  -h, --help                   эта справка\n"
         "      --version                версия программы\n\n"
         "Принимаются и стандартные параметры Qt (-platform, -style и другие).\n\n" +
         ExitCodesHelp(WindowExitCodes());
}

}  // namespace orten::gui
