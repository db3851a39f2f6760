// ortenctl journal: what both programs did to which device, from the
// journal in the data folder.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "base/JsonWriter.h"
#include "base/RegularFileReader.h"
#include "base/UserInterface.h"
#include "base/Wording.h"
#include "cli/Commands.h"
#include "ops/Journal.h"

namespace orten::cli {

namespace {

// Years of daily work stay far below this; anything larger is no journal of ours.
constexpr std::uintmax_t kMaxJournalBytes = 256ull * 1024 * 1024;
constexpr std::size_t kShownShaDigits = 12;
constexpr std::size_t kShownChars = 200;

struct Column {
  const char* heading;
  std::string (*cell)(const JournalRecord&);
};

std::string Device(const std::string& family, const std::string& version) {
  if (family.empty()) return "-";
  return (family == "rpu" ? "РПУ/РТР " : family == "mro" ? "МРО " : family + " ") + version;
}

std::string OperationText(const std::string& operation) {
  static const std::pair<const char*, const char*> kWords[] = {
      {"read-settings", "чтение настроек"},       {"write-settings", "запись настроек"},
      {"verify-settings", "проверка настроек"},   {"read-backup", "чтение резервной копии"},
      {"write-backup", "запись резервной копии"}, {"verify-backup", "проверка резервной копии"},
      {"write-firmware", "запись прошивки"},      {"verify-firmware", "проверка прошивки"}};
  for (const auto& [token, words] : kWords) {
    if (operation == token) return words;
  }
  return EscapedExcerpt(operation, kShownChars);
}

const std::vector<Column>& Columns() {
  static const std::vector<Column> columns = {
      {"Время (UTC)", [](const JournalRecord& r) { return r.time; }},
      {"Программа", [](const JournalRecord& r) { return EscapedExcerpt(r.program, kShownChars); }},
      {"Действие", [](const JournalRecord& r) { return OperationText(r.operation); }},
      {"Прибор до", [](const JournalRecord& r) { return Device(r.familyBefore, r.versionBefore); }},
      {"Прибор после",
       [](const JournalRecord& r) { return Device(r.familyAfter, r.versionAfter); }},
      {"Файл",
       [](const JournalRecord& r) {
         return r.file.empty() ? std::string("-") : EscapedExcerpt(r.file, kShownChars);
       }},
      {"SHA-256",
       [](const JournalRecord& r) {
         return r.sha256.empty() ? std::string("-")
                                 : EscapedExcerpt(r.sha256.substr(0, kShownShaDigits), kShownChars);
       }},
      {"Итог", [](const JournalRecord& r) { return EscapedExcerpt(r.outcome, kShownChars); }},
      {"Сообщение", [](const JournalRecord& r) { return EscapedExcerpt(r.message, kShownChars); }},
  };
  return columns;
}

std::size_t Width(const std::string& text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

void PrintTable(std::ostream& out, const std::vector<const JournalRecord*>& records) {
  const std::vector<Column>& columns = Columns();
  std::vector<std::vector<std::string>> rows(1);
  for (const Column& c : columns) rows[0].push_back(c.heading);
  for (const JournalRecord* r : records) {
    rows.emplace_back();
    for (const Column& c : columns) rows.back().push_back(c.cell(*r));
  }
  std::vector<std::size_t> widths(columns.size(), 0);
  for (const auto& row : rows) {
    for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], Width(row[i]));
  }
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i) {
      line += row[i];
      if (i + 1 < row.size()) line += std::string(widths[i] - Width(row[i]) + 2, ' ');
    }
    out << line << '\n';
  }
}

void WriteJson(std::ostream& out, const std::string& path,
               const std::vector<const JournalRecord*>& records,
               const std::vector<std::size_t>& skipped) {
  JsonWriter json(out);
  json.BeginObject().Field("journal", path).Key("records").BeginArray();
  for (const JournalRecord* r : records) {
    const std::string* fields[] = {&r->time,         &r->program,       &r->operation,
                                   &r->familyBefore, &r->versionBefore, &r->familyAfter,
                                   &r->versionAfter, &r->file,          &r->sha256,
                                   &r->outcome,      &r->message};
    json.BeginObject();
    for (std::size_t i = 0; i < std::size(fields); ++i) {
      json.Field(kJournalColumns[i], *fields[i]);
    }
    json.EndObject();
  }
  json.EndArray().Key("skipped_lines").BeginArray();
  for (const std::size_t line : skipped) json.Number(static_cast<std::int64_t>(line));
  json.EndArray().EndObject();
  out << '\n';
}

}  // namespace

std::optional<std::string> JournalDay(const std::string& text) {
  int year = 0;
  int month = 0;
  int day = 0;
  const auto number = [&text](std::size_t at, std::size_t digits, int& value) {
    value = 0;
    for (std::size_t i = at; i < at + digits; ++i) {
      if (text[i] < '0' || text[i] > '9') return false;
      value = value * 10 + (text[i] - '0');
    }
    return true;
  };
  if (text.size() != 10) return std::nullopt;
  const bool iso = text[4] == '-' && text[7] == '-' && number(0, 4, year) && number(5, 2, month) &&
                   number(8, 2, day);
  const bool russian = !iso && text[2] == '.' && text[5] == '.' && number(0, 2, day) &&
                       number(3, 2, month) && number(6, 4, year);
  if (!iso && !russian) return std::nullopt;
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (year < 1 || month < 1 || month > 12 || day < 1 || day > kDays[month - 1] ||
      (month == 2 && day == 29 && !leap)) {
    return std::nullopt;
  }
  char iso8601[16];
  std::snprintf(iso8601, sizeof iso8601, "%04d-%02d-%02d", year, month, day);
  return std::string(iso8601);
}

Outcome RunJournal(CommandContext& ctx) {
  const std::string path = JournalPath(ctx.programFolder);
  const RegularFileRead read = ReadRegularFile(path, kMaxJournalBytes);
  JournalText journal;
  if (read.outcome == RegularFileRead::Outcome::Read) {
    journal = ParseJournal(read.bytes);
  } else if (read.facts.kind != FileKind::Missing) {
    // No journal yet is an empty one; a journal that is there and cannot be read is not.
    const std::string shown = EscapedExcerpt(path, kShownChars);
    const std::string error =
        ReadRefusal(read, {"Файл журнала " + shown, "Не удается открыть файл журнала " + shown,
                           "журнал не бывает больше " + ByteCountText(kMaxJournalBytes)});
    ctx.ui.ShowMessage(error);
    return {OutcomeKind::FileError, error};
  }
  for (const std::size_t line : journal.skippedLines) {
    ctx.ui.ShowMessage(std::string(kJournalFileName) + ", строка " + std::to_string(line) +
                       ": это не запись журнала, она пропущена.");
  }
  std::vector<const JournalRecord*> shown;
  for (const JournalRecord& r : journal.records) {
    // ISO dates compare as text; the options hold the day as YYYY-MM-DD.
    if (r.time.compare(0, 10, ctx.options.since) >= 0) shown.push_back(&r);
  }
  if (ctx.options.json) {
    WriteJson(ctx.out, path, shown, journal.skippedLines);
  } else if (shown.empty()) {
    ctx.out << (ctx.options.since.empty() ? "В журнале нет записей.\n"
                                          : "В журнале нет записей с " + ctx.options.since + ".\n");
  } else {
    PrintTable(ctx.out, shown);
  }
  return {};
}

}  // namespace orten::cli
