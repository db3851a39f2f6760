// ortenctl backup read | write | info: the backup page's work for scripts.
#include <filesystem>
#include <ostream>

#include "backup/BackupNaming.h"
#include "backup/RegistrationImage.h"
#include "base/DataFolders.h"
#include "base/DateStamp.h"
#include "base/UserInterface.h"
#include "base/Utf8Path.h"
#include "base/Wording.h"
#include "base/JsonWriter.h"
#include "cli/Commands.h"
#include "cli/InputFile.h"
#include "ops/Session.h"
#include "params/ValueFile.h"
#include "protocol/DeviceCommands.h"
#include "protocol/Packets.h"
#include "protocol/ParameterExchange.h"

namespace fs = std::filesystem;

namespace orten::cli {

namespace {

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

// The bytes that differ after a restore, ten at most, and the verdict.
Outcome ReportDifferences(CommandContext& ctx, const Verdict& verdict) {
  const std::vector<Difference>& differences = verdict.differences;
  for (std::size_t k = 0; k < std::min<std::size_t>(differences.size(), 10); ++k) {
    const Difference& d = differences[k];
    ctx.out << "Байт " << d.index << ": в файле " << d.written << ", в приборе " << d.found << '\n';
  }
  return SayVerdict(ctx, verdict);
}

const char* ModeName(SystemMode mode) {
  return mode == SystemMode::Rpu ? "rpu" : mode == SystemMode::Rtr ? "rtr" : nullptr;
}

Outcome WriteBackupInfo(CommandContext& ctx, const std::string& path, const BackupNameFacts& facts) {
  std::vector<std::int32_t> values;
  const Outcome usable = ReadValueFile(path, RegistrationImage::kSize, values);
  JsonWriter json(ctx.out);
  json.BeginObject().Field("file", path).Key("mode");
  ModeName(facts.mode) ? json.String(ModeName(facts.mode)) : json.Null();
  json.Key("module");
  facts.module ? json.String(*facts.module) : json.Null();
  json.Key("object");
  facts.object ? json.String(*facts.object) : json.Null();
  json.Key("configuration_code");
  usable ? json.Number(values.back()) : json.Null();
  json.Field("usable", usable.ok()).Key("error");
  usable ? json.Null() : json.String(usable.detail);
  json.EndObject();
  ctx.out << '\n';
  return usable;
}

}  // namespace

Outcome RunBackupRead(CommandContext& ctx) {
  const CliOptions& o = ctx.options;
  const SystemMode mode = ModeOption(o.systemMode);
  if (o.output.empty() && (o.module.empty() || o.object.empty() || o.systemMode.empty())) {
    ctx.ui.ShowMessage(
        "Для имени файла по умолчанию укажите --mode, --module и --object, или -o FILE.");
    return OutcomeKind::Usage;
  }
  if (!ModuleNumberAccepted(mode, o.module)) {
    ctx.ui.ShowMessage("Введено недопустимое значение номера модуля!");
    return OutcomeKind::Usage;
  }
  if (!o.object.empty() && !ObjectNumberAccepted(o.object)) {
    ctx.ui.ShowMessage("Введено недопустимое значение номера объекта! Номер объекта: от 1 до " +
                       std::to_string(kMaxObjectDigits) + " цифр.");
    return OutcomeKind::Usage;
  }
  RegistrationImage image;
  const Outcome read = OnWorkPage(ctx, DeviceMode::Receiver, [&] {
    // Without -o the file is named after what is read: its record names none.
    Result<RegistrationImage> got = ctx.session->ReadRegistration(o.output);
    if (!got) {
      // A checksum error shows only on the window's status line: say it here.
      SayFailure(ctx, msg::kRegistrationNotRead);
      return got.outcome();
    }
    image = std::move(*got);
    return Outcome{};
  });
  if (!read) return read;
  const std::string code = std::to_string(image.configurationCode());
  ctx.out << "Код конфигурации: " << code << '\n';
  const std::string path =
      !o.output.empty()
          ? o.output
          : Utf8FromPath(
                PathFromUtf8(ctx.programFolder) / kBackupFolder /
                PathFromUtf8(DefaultBackupName(mode, o.module, TodayDateStamp(), o.object, code) +
                             ".rrg"));
  if (Outcome saved = WriteValueFile(path, image.values()); !saved) {
    ctx.ui.ShowMessage(saved.detail);
    return saved;
  }
  ctx.out << "Файл: " << ShownPath(path) << '\n';
  return {};
}

Outcome RunBackupWrite(CommandContext& ctx) {
  const std::string path = InputFile(ctx.programFolder, ctx.arguments[0], kBackupFolder);
  std::vector<std::int32_t> values;
  if (Outcome read = ReadValueFile(path, RegistrationImage::kSize, values); !read) {
    ctx.ui.ShowMessage(read.detail);
    return read;
  }
  RegistrationImage image;
  image.assign(values);
  return OnWorkPage(ctx, DeviceMode::Receiver, [&] {
    if (Outcome written = ctx.session->WriteRegistration(image, path); !written) {
      SayFailure(ctx, kNotWritten);  // a refusal shows only on the window's status line
      return written;
    }
    SayOutcome(ctx, "Резервная копия загружена успешно");
    if (!ctx.options.verify) return Outcome{};
    return ReportDifferences(ctx,
                             ctx.session->ReadBackDifferences(kRegistrationArea, values, path));
  });
}

Outcome RunBackupInfo(CommandContext& ctx) {
  const std::string path = InputFile(ctx.programFolder, ctx.arguments[0], kBackupFolder);
  const BackupNameFacts facts = ReadBackupName(path);
  if (ctx.options.json) return WriteBackupInfo(ctx, path, facts);
  ctx.out << "Режим работы в системе: " << ModeText(facts.mode) << '\n'
          << "Адрес прибора в системе: " << Shown(facts.module) << '\n'
          << "Номер объекта(системы): " << Shown(facts.object) << '\n';
  std::vector<std::int32_t> values;
  if (Outcome read = ReadValueFile(path, RegistrationImage::kSize, values); !read) {
    ctx.out << "Файл непригоден: " << read.detail << '\n';
    return read;
  }
  ctx.out << "Код конфигурации: " << values.back() << '\n'
          << "Файл пригоден для записи в прибор.\n";
  return {};
}

}  // namespace orten::cli
