// ortenctl journal: what both programs did to which device, from the
// journal in the data folder: a table, JSON or an Excel workbook.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "base/JsonWriter.h"
#include "base/UserInterface.h"
#include "cli/Commands.h"
#include "cli/JournalCommand.h"
#include "cli/JournalReading.h"
#include "ops/Journal.h"

namespace orten::cli {

namespace {

// The records as they are read; the lines skipped, listed after them, come
// from a second reading rather than from memory.
Outcome WriteJson(CommandContext& ctx, const std::string& path) {
  JsonWriter json(ctx.out);
  json.BeginObject().Field("journal", path).Key("records").BeginArray();
  JournalReading records(ctx, path);
  const Outcome read = records.Run(
      [&](const JournalRecord& r) {
        const auto fields = JournalFields(r);
        json.BeginObject();
        for (std::size_t i = 0; i < fields.size(); ++i) json.Field(kJournalColumns[i], *fields[i]);
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
  if (!ctx.options.excel.empty()) {
    if (ctx.options.json) {
      ctx.ui.ShowMessage("ortenctl journal: --excel и --json вместе не применяются");
      return OutcomeKind::Usage;
    }
    return WriteJournalExcel(ctx, path, ctx.options.excel);
  }
  return ctx.options.json ? WriteJson(ctx, path) : PrintJournalTable(ctx, path);
}

}  // namespace orten::cli
