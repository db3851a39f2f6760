// ortenctl journal: what both programs did to which device, from the
// journal in the data folder.
#include <algorithm>
#include <cstdint>
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
#include "ops/JournalReader.h"

namespace orten::cli {

namespace {

constexpr std::size_t kShownShaDigits = 12;
constexpr std::size_t kShownChars = 200;

struct Column {
  const char* heading;
  std::string (*cell)(const JournalRecord&);  // as the file holds it; escaped when shown
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
  return operation;
}

std::string OrDash(const std::string& text) {
  return text.empty() ? std::string("-") : text;
}

const std::vector<Column>& Columns() {
  static const std::vector<Column> columns = {
      {"Время (UTC)", [](const JournalRecord& r) { return r.time; }},
      {"Программа", [](const JournalRecord& r) { return r.program; }},
      {"Действие", [](const JournalRecord& r) { return OperationText(r.operation); }},
      {"Прибор до", [](const JournalRecord& r) { return Device(r.familyBefore, r.versionBefore); }},
      {"Прибор после",
       [](const JournalRecord& r) { return Device(r.familyAfter, r.versionAfter); }},
      {"Файл", [](const JournalRecord& r) { return OrDash(r.file); }},
      {"SHA-256",
       [](const JournalRecord& r) { return OrDash(r.sha256.substr(0, kShownShaDigits)); }},
      {"Итог", [](const JournalRecord& r) { return r.outcome; }},
      {"Сообщение", [](const JournalRecord& r) { return r.message; }},
  };
  return columns;
}

// Every cell escaped, whatever its column: the file is anyone's to edit,
// and nothing in it may reach the terminal raw.
std::vector<std::string> Cells(const JournalRecord& r) {
  std::vector<std::string> cells;
  for (const Column& c : Columns()) cells.push_back(EscapedExcerpt(c.cell(r), kShownChars));
  return cells;
}

std::size_t Width(const std::string& text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

void PrintRow(std::ostream& out, const std::vector<std::string>& row,
              const std::vector<std::size_t>& widths) {
  std::string line;
  for (std::size_t i = 0; i < row.size(); ++i) {
    line += row[i];
    if (i + 1 < row.size()) line += std::string(widths[i] - Width(row[i]) + 2, ' ');
  }
  out << line << '\n';
}

std::vector<std::string> Headings() {
  std::vector<std::string> headings;
  for (const Column& c : Columns()) headings.emplace_back(c.heading);
  return headings;
}

// One reading of the journal from its start, record by record, keeping none.
// The journal grows while it is read (both programs append to it): a second
// reading stops where the first one ended, so both see the same records.
class JournalReading {
 public:
  JournalReading(CommandContext& ctx, std::string path, std::uint64_t limit)
      : ctx_(ctx), path_(std::move(path)), limit_(limit) {}

  // Hands over each record on or after --since and each line skipped; a
  // FileError when the journal is there and cannot be read. No journal yet
  // is an empty one.
  template <class OnRecord, class OnSkipped>
  Outcome Run(OnRecord onRecord, OnSkipped onSkipped);
  std::uint64_t bytesRead() const { return read_; }

 private:
  Outcome Refused(const std::string& error) {
    ctx_.ui.ShowMessage(error);
    return {OutcomeKind::FileError, error};
  }

  CommandContext& ctx_;
  std::string path_;
  std::uint64_t limit_;
  std::uint64_t read_ = 0;
};

template <class OnRecord, class OnSkipped>
Outcome JournalReading::Run(OnRecord onRecord, OnSkipped onSkipped) {
  RegularFileStream file;
  const RegularFileRead opened = file.Open(path_);
  const std::string shown = EscapedExcerpt(path_, kShownChars);
  if (opened.outcome != RegularFileRead::Outcome::Read) {
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
        // ISO dates compare as text; the options hold the day as YYYY-MM-DD.
        if (record.time.compare(0, 10, ctx_.options.since) >= 0) onRecord(record);
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

// The table's columns are as wide as their widest cell: a first reading
// measures, a second prints.
Outcome PrintTable(CommandContext& ctx, const std::string& path) {
  std::vector<std::size_t> widths;
  for (const std::string& heading : Headings()) widths.push_back(Width(heading));
  std::uint64_t shown = 0;
  JournalReading measure(ctx, path, UINT64_MAX);
  const Outcome measured = measure.Run(
      [&](const JournalRecord& r) {
        const std::vector<std::string> cells = Cells(r);
        for (std::size_t i = 0; i < cells.size(); ++i)
          widths[i] = std::max(widths[i], Width(cells[i]));
        ++shown;
      },
      [&](std::size_t line) { NoteSkipped(ctx, line); });
  if (!measured) return measured;
  if (shown == 0) {
    ctx.out << (ctx.options.since.empty() ? "В журнале нет записей.\n"
                                          : "В журнале нет записей с " + ctx.options.since + ".\n");
    return {};
  }
  PrintRow(ctx.out, Headings(), widths);
  JournalReading print(ctx, path, measure.bytesRead());
  return print.Run([&](const JournalRecord& r) { PrintRow(ctx.out, Cells(r), widths); },
                   [](std::size_t) {});
}

// The records as they are read; the lines skipped, listed after them, come
// from a second reading rather than from memory.
Outcome WriteJson(CommandContext& ctx, const std::string& path) {
  JsonWriter json(ctx.out);
  json.BeginObject().Field("journal", path).Key("records").BeginArray();
  JournalReading records(ctx, path, UINT64_MAX);
  const Outcome read = records.Run(
      [&](const JournalRecord& r) {
        const std::string* fields[] = {&r.time,         &r.program,       &r.operation,
                                       &r.familyBefore, &r.versionBefore, &r.familyAfter,
                                       &r.versionAfter, &r.file,          &r.sha256,
                                       &r.outcome,      &r.message};
        json.BeginObject();
        for (std::size_t i = 0; i < std::size(fields); ++i) {
          json.Field(kJournalColumns[i], *fields[i]);
        }
        json.EndObject();
      },
      [&](std::size_t line) { NoteSkipped(ctx, line); });
  if (!read) return read;
  json.EndArray().Key("skipped_lines").BeginArray();
  JournalReading skipped(ctx, path, records.bytesRead());
  const Outcome again =
      skipped.Run([](const JournalRecord&) {},
                  [&](std::size_t line) { json.Number(static_cast<std::int64_t>(line)); });
  if (!again) return again;
  json.EndArray().EndObject();
  ctx.out << '\n';
  return {};
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
  return ctx.options.json ? WriteJson(ctx, path) : PrintTable(ctx, path);
}

}  // namespace orten::cli
