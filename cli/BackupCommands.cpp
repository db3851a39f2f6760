// ortenctl backup read | write | info: the backup page's work for scripts.
#include <filesystem>
#include <ostream>

#include "backup/BackupNaming.h"
#include "backup/RegistrationImage.h"
#include "cli/Commands.h"
#include "base/DataFolders.h"
#include "base/DateStamp.h"
#include "base/Utf8Path.h"
#include "base/Wording.h"
#include "protocol/DeviceCommands.h"
#include "protocol/DeviceLink.h"
#include "protocol/Packets.h"
#include "base/UserInterface.h"
#include "protocol/ParameterExchange.h"
#include "params/ValueFile.h"

namespace fs = std::filesystem;

namespace orten::cli {

namespace {

constexpr const char* kNotRead = "Ошибка: резервная копия не считана из прибора.";
constexpr const char* kNotWritten = "Ошибка: резервная копия не загружена в прибор.";

SystemMode ModeOption(const std::string& text) {
  return text == "rpu" ? SystemMode::Rpu : text == "rtr" ? SystemMode::Rtr : SystemMode::None;
}

const char* ModeText(SystemMode mode) {
  return mode == SystemMode::Rpu ? "РПУ" : mode == SystemMode::Rtr ? "РТР" : "не указан";
}

// Parts of a file name: nothing in them may steer the terminal.
std::string Shown(const std::optional<std::string>& part) {
  return EscapedExcerpt(part.value_or(""), 64);
}

int RunBackupRead(CommandContext& ctx) {
  const CliOptions& o = ctx.options;
  const SystemMode mode = ModeOption(o.systemMode);
  if (o.output.empty() && (o.module.empty() || o.object.empty() || o.systemMode.empty())) {
    ctx.ui.ShowMessage(
        "Для имени файла по умолчанию укажите --mode, --module и --object, или -o FILE.");
    return kExitUsage;
  }
  if (!ModuleNumberAccepted(mode, o.module)) {
    ctx.ui.ShowMessage("Введено недопустимое значение номера модуля!");
    return kExitUsage;
  }
  RegistrationImage image;
  const int rc = OnWorkPageDevice(ctx, DeviceMode::Receiver, [&] {
    std::vector<std::int32_t> values(RegistrationImage::kSize, 0);
    if (!ReadParameterBlock(ctx.link, kRegistrationArea, values)) {
      // A checksum error shows only on the window's status line: say it here.
      ctx.ui.ShowMessage(kNotRead);
      return int{kExitDevice};
    }
    image.assign(values);
    return int{kExitOk};
  });
  if (rc != kExitOk) return rc;
  const std::string code = std::to_string(image.configurationCode());
  ctx.out << "Код конфигурации: " << code << '\n';
  const std::string path =
      !o.output.empty()
          ? o.output
          : Utf8FromPath(
                PathFromUtf8(ctx.programFolder) / kBackupFolder /
                PathFromUtf8(DefaultBackupName(mode, o.module, TodayDateStamp(), o.object, code) +
                             ".rrg"));
  std::string error;
  if (!WriteValueFile(path, image.values(), error)) {
    ctx.ui.ShowMessage(error);
    return kExitFile;
  }
  ctx.out << "Файл: " << path << '\n';
  return kExitOk;
}

int RunBackupWrite(CommandContext& ctx) {
  if (ctx.options.words.size() != 3) {
    ctx.ui.ShowMessage("использование: backup write FILE.rrg [--verify]");
    return kExitUsage;
  }
  std::vector<std::int32_t> values;
  std::string error;
  if (!ReadValueFile(ctx.options.words[2], RegistrationImage::kSize, values, error)) {
    ctx.ui.ShowMessage(error);
    return kExitFile;
  }
  return OnWorkPageDevice(ctx, DeviceMode::Receiver, [&] {
    if (!WriteParameterBlock(ctx.link, kRegistrationArea, values)) {
      ctx.ui.ShowMessage(kNotWritten);  // a refusal shows only on the window's status line
      return int{kExitDevice};
    }
    ctx.out << "Резервная копия загружена успешно\n";
    if (!ctx.options.verify) return int{kExitOk};
    std::vector<std::int32_t> back(RegistrationImage::kSize, 0);
    if (!ReadParameterBlock(ctx.link, kRegistrationArea, back)) return int{kExitDevice};
    std::size_t differences = 0;
    for (std::size_t i = 0; i < back.size(); ++i) {
      if (back[i] == values[i]) continue;
      if (++differences <= 10) {
        ctx.out << "Байт " << i << ": в файле " << values[i] << ", в приборе " << back[i] << '\n';
      }
    }
    if (differences == 0) {
      ctx.out << "Проверка: память регистрации совпадает с файлом.\n";
      return int{kExitOk};
    }
    ctx.ui.ShowMessage(
        "Проверка не пройдена: " +
        std::string(PluralForm(differences, "различается", "различаются", "различаются")) + " " +
        ByteCountText(differences) + ".");
    return int{kExitDevice};
  });
}

int RunBackupInfo(CommandContext& ctx) {
  if (ctx.options.words.size() != 3) {
    ctx.ui.ShowMessage("использование: backup info FILE.rrg");
    return kExitUsage;
  }
  const std::string& path = ctx.options.words[2];
  const BackupNameFacts facts = ReadBackupName(path);
  ctx.out << "Режим работы в системе: " << ModeText(facts.mode) << '\n'
          << "Адрес прибора в системе: " << Shown(facts.module) << '\n'
          << "Номер объекта(системы): " << Shown(facts.object) << '\n';
  std::vector<std::int32_t> values;
  std::string error;
  if (!ReadValueFile(path, RegistrationImage::kSize, values, error)) {
    ctx.out << "Файл непригоден: " << error << '\n';
    return kExitFile;
  }
  ctx.out << "Код конфигурации: " << values.back() << '\n'
          << "Файл пригоден для записи в прибор.\n";
  return kExitOk;
}

}  // namespace

int RunBackup(CommandContext& ctx) {
  const std::string sub = ctx.options.words.size() > 1 ? ctx.options.words[1] : "";
  if (sub == "read" && ctx.options.words.size() == 2) return RunBackupRead(ctx);
  if (sub == "write") return RunBackupWrite(ctx);
  if (sub == "info") return RunBackupInfo(ctx);
  ctx.ui.ShowMessage("использование: backup read|write FILE|info FILE");
  return kExitUsage;
}

}  // namespace orten::cli
