#include "cli/JournalReading.h"

#include <algorithm>
#include <utility>

#include "base/RegularFileReader.h"
#include "base/UserInterface.h"
#include "base/Wording.h"
#include "ops/Journal.h"
#include "ops/JournalReader.h"

namespace orten::cli {

namespace {

constexpr std::size_t kShownChars = 200;
// How many records a firmware write waits for its check: the check follows
// within ten seconds, so only another program's work at that very time
// comes between.
constexpr std::size_t kLookahead = 16;

std::string Token(OutcomeKind kind) {
  return OutcomeKindName(kind);
}

// A firmware write the device took: its version after comes with the check.
bool AwaitsItsCheck(const JournalRecord& r) {
  return r.operation == "write-firmware" && r.outcome == Token(OutcomeKind::Done);
}

}  // namespace

JournalReading::JournalReading(CommandContext& ctx, std::string path, std::uint64_t limit)
    : ctx_(ctx), path_(std::move(path)), limit_(limit) {
  if (!ctx.options.since.empty()) since_ = JournalTimeOfLocalDay(ctx.options.since);
}

Outcome JournalReading::Refused(const std::string& error) {
  ctx_.ui.ShowMessage(error);
  return {OutcomeKind::FileError, error};
}

Outcome JournalReading::Run(const std::function<void(const JournalRecord&)>& onRecord,
                            const std::function<void(std::size_t line)>& onSkipped) {
  RegularFileStream file;
  const RegularFileRead opened = file.Open(path_);
  const std::string shown = EscapedExcerpt(path_, kShownChars);
  if (opened.status != RegularFileRead::Status::Read) {
    if (opened.facts.kind == FileKind::Missing) return {};
    return Refused(ReadRefusal(
        opened, {"Файл журнала " + shown, "Не удается открыть файл журнала " + shown, ""}));
  }
  JournalReader reader([&](char* to, std::size_t most) -> long long {
    const long long got = file.Read(to, std::min<std::uint64_t>(most, limit_ - read_));
    if (got > 0) read_ += static_cast<std::uint64_t>(got);
    return got;
  });
  JournalRecord record;
  std::size_t line = 0;
  for (;;) {
    switch (reader.Next(record, line)) {
      case JournalReader::Item::Record:
        // Journal times (UTC, ISO 8601) compare as text.
        if (record.time >= since_) onRecord(record);
        break;
      case JournalReader::Item::Skipped:
        onSkipped(line);
        break;
      case JournalReader::Item::End:
        return {};
      case JournalReader::Item::Failed:
        return Refused("Не удается прочитать файл журнала " + shown + ": " +
                       FileErrorText(file.error()) + ".");
    }
  }
}

void NoteSkipped(CommandContext& ctx, std::size_t line) {
  ctx.ui.ShowMessage(std::string(kJournalFileName) + ", строка " + std::to_string(line) +
                     ": это не запись журнала, она пропущена.");
}

void RestartLookahead::Add(const JournalRecord& record) {
  if (record.operation == "verify-firmware") {
    const auto write = std::find_if(held_.begin(), held_.end(), [&](const Held& h) {
      return h.waiting && h.record.program == record.program && h.record.file == record.file &&
             h.record.sha256 == record.sha256;
    });
    if (write != held_.end()) {
      write->record.familyAfter = record.familyAfter;
      write->record.versionAfter = record.versionAfter;
      write->waiting = false;
    }
  }
  const bool waits = AwaitsItsCheck(record);
  if (held_.empty() && !waits) {
    next_(record);
    return;
  }
  held_.push_back({record, waits});
  Release(false);
}

void RestartLookahead::Finish() {
  Release(true);
}

// What no longer waits goes on, in order; a write waits no longer than kLookahead records.
void RestartLookahead::Release(bool all) {
  while (!held_.empty() && (all || !held_.front().waiting || held_.size() > kLookahead)) {
    next_(held_.front().record);
    held_.pop_front();
  }
}

std::string OperationWords(const std::string& operation) {
  static const std::pair<const char*, const char*> kWords[] = {
      // Short enough for the table; "копия" is the backup, as on the window's page.
      {"read-settings", "чтение настроек"},     {"write-settings", "запись настроек"},
      {"verify-settings", "проверка настроек"}, {"read-backup", "чтение копии"},
      {"write-backup", "запись копии"},         {"verify-backup", "проверка копии"},
      {"write-firmware", "запись прошивки"},    {"verify-firmware", "проверка прошивки"}};
  for (const auto& [token, words] : kWords) {
    if (operation == token) return words;
  }
  return operation;
}

std::string OutcomeWords(const std::string& outcome) {
  static const std::pair<OutcomeKind, const char*> kWords[] = {
      {OutcomeKind::Done, "выполнено"},
      {OutcomeKind::Cancelled, "отменено"},
      {OutcomeKind::Usage, "неверный вызов"},
      {OutcomeKind::NoDevice, "нет прибора"},
      {OutcomeKind::SeveralDevices, "несколько приборов"},
      {OutcomeKind::NotConfigured, "USB не настроен"},
      {OutcomeKind::AccessRefused, "нет доступа"},
      {OutcomeKind::UsbUnavailable, "USB недоступен"},
      {OutcomeKind::DeviceBusy, "прибор занят"},
      {OutcomeKind::WrongFamily, "другое семейство"},
      {OutcomeKind::SendFailed, "сбой передачи"},
      {OutcomeKind::NoAnswer, "нет ответа"},
      {OutcomeKind::BadReply, "неверный ответ"},
      {OutcomeKind::ChecksumError, "ошибка CRC"},
      {OutcomeKind::Refused, "отказ прибора"},
      {OutcomeKind::LinkFailed, "сбой линии"},
      {OutcomeKind::DeviceGone, "прибор отключен"},
      {OutcomeKind::VerifyFailed, "не совпадает"},
      {OutcomeKind::FileError, "ошибка файла"},
      {OutcomeKind::TimedOut, "время истекло"},
  };
  for (const auto& [kind, words] : kWords) {
    if (outcome == Token(kind)) return words;
  }
  return outcome;
}

std::string DeviceWords(const std::string& family, const std::string& version) {
  if (family.empty()) return "-";
  const DeviceMode mode = FamilyOfToken(family);
  return (mode == DeviceMode::Receiver ? "РПУ/РТР "
          : mode == DeviceMode::Relay  ? "МРО "
                                       : family + " ") +
         version;
}

std::string DeviceChangeWords(const JournalRecord& r) {
  const std::string before = DeviceWords(r.familyBefore, r.versionBefore);
  if (r.familyAfter.empty()) {
    return AwaitsItsCheck(r) ? before + " → ?" : before;
  }
  if (r.familyAfter == r.familyBefore && r.versionAfter == r.versionBefore) return before;
  if (r.familyAfter == r.familyBefore) return before + " → " + r.versionAfter;
  return before + " → " + DeviceWords(r.familyAfter, r.versionAfter);
}

std::string DeviceAfterWords(const JournalRecord& r) {
  if (!r.familyAfter.empty()) return DeviceWords(r.familyAfter, r.versionAfter);
  return AwaitsItsCheck(r) ? "?" : DeviceWords(r.familyBefore, r.versionBefore);
}

std::string LocalTimeWords(const std::string& journalTime) {
  const std::optional<std::tm> local = LocalTimeOf(journalTime);
  return local ? LocalTimeText(*local) : journalTime;
}

std::string BatchWords(const JournalRecord& r) {
  if (r.batch.empty()) return {};
  std::string words = "пакет от " + LocalTimeWords(r.batch);
  if (!r.module.empty()) words += ", модуль " + r.module;
  if (!r.port.empty()) words += ", порт " + r.port;
  return words;
}

}  // namespace orten::cli
