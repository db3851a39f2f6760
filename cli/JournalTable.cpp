// ortenctl journal as a table for people: Russian words, this computer's
// clock, and no line wider than a terminal of 100 columns. A record is one
// line of short facts; what the user was told, and the batch run a module
// belongs to, follow on lines of their own, indented.
#include <algorithm>
#include <numeric>
#include <ostream>
#include <string>
#include <vector>

#include "base/TextColumns.h"
#include "base/Wording.h"
#include "cli/JournalCommand.h"
#include "cli/JournalReading.h"

namespace orten::cli {

namespace {

constexpr std::size_t kLineWidth = 100;
constexpr std::size_t kGap = 2;     // between columns
constexpr std::size_t kIndent = 2;  // of the lines under a record
constexpr std::size_t kShownChars = 200;

// Every cell escaped: the file is anyone's to edit, and nothing in it may
// reach the terminal raw.
std::string Shown(const std::string& text) {
  return EscapedExcerpt(text, kShownChars);
}

const char* const kHeadings[] = {"Время", "Программа", "Действие", "Прибор", "Файл", "Итог"};
constexpr std::size_t kColumns = std::size(kHeadings);
constexpr std::size_t kFileColumn = 4;
constexpr std::size_t kFileWidth = 16;  // enough to tell a file by

std::vector<std::string> Cells(const JournalRecord& r) {
  return {Shown(LocalTimeWords(r.time)),        Shown(r.program),
          Shown(OperationWords(r.operation)),   Shown(DeviceChangeWords(r)),
          Shown(r.file.empty() ? "-" : r.file), Shown(OutcomeWords(r.outcome))};
}

std::string Fitted(const std::string& cell, std::size_t width) {
  if (DisplayWidth(cell) <= width) return cell;
  return FirstChars(cell, width - 1) + "…";
}

// Columns as wide as their widest cell, narrowed until a line fits: the
// file's name first (to kFileWidth), then the widest column. The time keeps
// its width, no column gets narrower than its heading.
std::vector<std::size_t> Fit(std::vector<std::size_t> widths) {
  const std::size_t room = kLineWidth - kGap * (kColumns - 1);
  const auto sum = [&widths] {
    return std::accumulate(widths.begin(), widths.end(), std::size_t{0});
  };
  if (sum() > room && widths[kFileColumn] > kFileWidth) {
    widths[kFileColumn] = std::max(kFileWidth, widths[kFileColumn] - (sum() - room));
  }
  while (sum() > room) {
    std::size_t widest = 0;
    for (std::size_t i = 1; i < kColumns; ++i) {
      const bool narrower = widths[i] > DisplayWidth(kHeadings[i]);
      if (narrower && (widest == 0 || widths[i] > widths[widest])) widest = i;
    }
    if (widest == 0) break;
    --widths[widest];
  }
  return widths;
}

void PrintRow(std::ostream& out, const std::vector<std::string>& row,
              const std::vector<std::size_t>& widths) {
  std::vector<std::string> cells;
  std::vector<std::size_t> spaced;  // a cell, then the gap
  for (std::size_t i = 0; i < row.size(); ++i) {
    cells.push_back(Fitted(row[i], widths[i]));
    spaced.push_back(widths[i] + kGap);
  }
  out << TableLine(cells, spaced) << '\n';
}

// text in lines of at most kLineWidth, each indented, broken between words
// (a word longer than a line is broken where the line ends).
void PrintIndented(std::ostream& out, const std::string& text) {
  const std::size_t room = kLineWidth - kIndent;
  std::string line;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = std::min(text.find(' ', start), text.size());
    std::string word = text.substr(start, end - start);
    start = end + 1;
    while (DisplayWidth(line) + (line.empty() ? 0 : 1) + DisplayWidth(word) > room) {
      if (!line.empty()) {
        out << std::string(kIndent, ' ') << line << '\n';
        line.clear();
        continue;
      }
      const std::string head = FirstChars(word, room);
      out << std::string(kIndent, ' ') << head << '\n';
      word.erase(0, head.size());
    }
    if (!word.empty()) line += (line.empty() ? "" : " ") + word;
  }
  if (!line.empty()) out << std::string(kIndent, ' ') << line << '\n';
}

void PrintRecord(std::ostream& out, const JournalRecord& r,
                 const std::vector<std::size_t>& widths) {
  PrintRow(out, Cells(r), widths);
  // Line breaks in a box's text are its layout: here they are spaces.
  std::string message = r.message;
  std::replace(message.begin(), message.end(), '\n', ' ');
  std::string under = Shown(BatchWords(r));
  if (!under.empty() && !message.empty()) under += ". ";
  under += Shown(message);
  if (!under.empty()) PrintIndented(out, under);
}

}  // namespace

// A first reading measures the columns, a second prints.
Outcome PrintJournalTable(CommandContext& ctx, const std::string& path) {
  std::vector<std::size_t> widths;
  for (const char* heading : kHeadings) widths.push_back(DisplayWidth(heading));
  std::uint64_t shown = 0;
  JournalReading measure(ctx, path);
  RestartLookahead measured([&](const JournalRecord& r) {
    const std::vector<std::string> cells = Cells(r);
    for (std::size_t i = 0; i < cells.size(); ++i) {
      widths[i] = std::max(widths[i], DisplayWidth(cells[i]));
    }
    ++shown;
  });
  const Outcome read = measure.Run([&](const JournalRecord& r) { measured.Add(r); },
                                   [&](std::size_t line) { NoteSkipped(ctx, line); });
  if (!read) return read;
  measured.Finish();
  if (shown == 0) {
    ctx.out << (ctx.options.since.empty() ? "В журнале нет записей.\n"
                                          : "В журнале нет записей с " + ctx.options.since + ".\n");
    return {};
  }
  widths = Fit(widths);
  PrintRow(ctx.out, std::vector<std::string>(std::begin(kHeadings), std::end(kHeadings)), widths);
  JournalReading print(ctx, path, measure.bytesRead());
  RestartLookahead printed([&](const JournalRecord& r) { PrintRecord(ctx.out, r, widths); });
  const Outcome again =
      print.Run([&](const JournalRecord& r) { printed.Add(r); }, [](std::size_t) {});
  printed.Finish();
  return again;
}

}  // namespace orten::cli
