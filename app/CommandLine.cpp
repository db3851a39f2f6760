#include "app/CommandLine.h"

#include "base/DataFolders.h"
#include "startup/ExitCodes.h"

namespace orten::gui {

namespace {

constexpr const char* kOpenFolder = "--open-folder";

bool TakeFolderName(const std::string& name, GuiOptions& options, std::string& error) {
  for (const char* folder : {kFirmwareFolder, kBackupFolder, kSettingsFolder}) {
    if (name == folder) {
      options.openFolder = name;
      return true;
    }
  }
  error = std::string(kOpenFolder) + ": ожидается " + kFirmwareFolder + ", " + kBackupFolder +
          " или " + kSettingsFolder;
  return false;
}

}  // namespace

Outcome ParseGuiOptions(const std::vector<std::string>& args, GuiOptions& options) {
  std::vector<std::string> rest = args;
  if (Outcome taken = TakeCommonOptions(rest, options.common); !taken) return taken;
  std::string error;
  const auto refused = [&error] { return Outcome{OutcomeKind::Usage, error}; };
  const std::string folderPrefix = std::string(kOpenFolder) + "=";
  for (std::size_t i = 0; i < rest.size(); ++i) {
    std::string& arg = rest[i];
    if (arg == kOpenFolder) {
      if (i + 1 == rest.size()) {
        error = std::string(kOpenFolder) + ": не указана папка";
        return refused();
      }
      if (!TakeFolderName(rest[++i], options, error)) return refused();
    } else if (arg.rfind(folderPrefix, 0) == 0) {
      if (!TakeFolderName(arg.substr(folderPrefix.size()), options, error)) return refused();
    } else if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else {
      options.rest.push_back(std::move(arg));
    }
  }
  return {};
}

std::string UsageText() {
  return std::string(
             "Использование: ortenconf [параметры]\n"
             "Программа настройки РПУ Ортен-ДЕЗ: обновление ПО прибора, резервные копии памяти\n"
             "регистрации, настройка реле и выхода ОК.\n\n"
             "Параметры:\n") +
         CommonOptionsHelp() +
         "  --open-folder NAME           открыть папку NAME (Base, Reg_RPU или ReleCfg) из папки\n"
         "                               данных и выйти, без окна программы\n"
         "  -h, --help                   эта справка\n"
         "      --version                версия программы\n\n"
         "Принимаются и стандартные параметры Qt (-platform, -style и другие).\n\n" +
         ExitCodesHelp(WindowExitCodes());
}

}  // namespace orten::gui
