// ortenctl journal --excel: the journal as an Excel workbook. Excel takes a
// CSV in the code page and the list separator of the machine's locale, so
// journal.csv (UTF-8, commas) opens as one garbled column in a Russian
// Windows; an .xlsx carries its own encoding and columns. The CSV stays
// plain for scripts.
#include <xlsxwriter.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "base/AtomicFile.h"
#include "base/UserInterface.h"
#include "base/Wording.h"
#include "cli/JournalCommand.h"
#include "cli/JournalReading.h"
#include "ops/Journal.h"

namespace orten::cli {

namespace {

// Far more than any record of ours holds, far less than a cell takes (32767).
constexpr std::size_t kCellChars = 8000;
constexpr lxw_row_t kMostRecords = LXW_ROW_MAX - 1;  // under the heading row

struct Column {
  const char* heading;
  double width;  // in characters, as Excel counts them
};
constexpr Column kColumns[] = {{"Время", 19},     {"Программа", 11},    {"Действие", 24},
                               {"Прибор до", 13}, {"Прибор после", 13}, {"Файл", 24},
                               {"SHA-256", 20},   {"Итог", 16},         {"Сообщение", 60},
                               {"Пакет", 19},     {"Модуль", 8},        {"Порт", 16}};

// Text as a cell may hold it: XML has no place for control bytes or broken
// UTF-8, so those are escaped as the table escapes them.
std::string CellText(const std::string& text) {
  return EscapedExcerpt(text, kCellChars);
}

// The line breaks of a box's text are its layout: spaces in a cell.
std::string MessageText(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

struct WorkbookCloser {
  void operator()(lxw_workbook* workbook) const { workbook_close(workbook); }
};

class JournalSheet {
 public:
  explicit JournalSheet(const std::string& name) {
    lxw_workbook_options options{};
    options.constant_memory = 1;  // rows go to a temporary file as they come: memory stays flat
    workbook_.reset(workbook_new_opt(name.c_str(), &options));
    if (!workbook_) return;
    sheet_ = workbook_add_worksheet(workbook_.get(), "Журнал");
    heading_ = workbook_add_format(workbook_.get());
    format_set_bold(heading_);
    time_ = workbook_add_format(workbook_.get());
    format_set_num_format(time_, "dd.mm.yyyy hh:mm:ss");
  }

  bool opened() const { return sheet_ != nullptr; }
  lxw_error error() const { return error_; }
  lxw_row_t records() const { return row_; }

  void WriteHeadings() {
    for (lxw_col_t c = 0; c < std::size(kColumns); ++c) {
      Check(worksheet_set_column(sheet_, c, c, kColumns[c].width, nullptr));
      Check(worksheet_write_string(sheet_, 0, c, kColumns[c].heading, heading_));
    }
    worksheet_freeze_panes(sheet_, 1, 0);
  }

  // False once the sheet is full.
  bool Write(const JournalRecord& r) {
    if (row_ == kMostRecords) return false;
    ++row_;
    lxw_col_t c = 0;
    Time(c++, r.time);
    Text(c++, r.program);
    Text(c++, OperationWords(r.operation));
    Text(c++, DeviceWords(r.familyBefore, r.versionBefore));
    Text(c++, DeviceAfterWords(r));
    Text(c++, r.file);
    Text(c++, r.sha256);
    Text(c++, OutcomeWords(r.outcome));
    Text(c++, MessageText(r.message));
    Time(c++, r.batch);
    Text(c++, r.module);
    Text(c++, r.port);
    return true;
  }

  // The workbook written whole (nothing when it could not be begun).
  lxw_error Close() {
    if (!workbook_) return LXW_ERROR_CREATING_TMPFILE;
    if (row_ > 0) Check(worksheet_autofilter(sheet_, 0, 0, row_, std::size(kColumns) - 1));
    const lxw_error closed = workbook_close(workbook_.release());
    return error_ != LXW_NO_ERROR ? error_ : closed;
  }

 private:
  void Check(lxw_error error) {
    if (error_ == LXW_NO_ERROR) error_ = error;
  }
  void Text(lxw_col_t column, const std::string& text) {
    if (text.empty()) return;
    Check(worksheet_write_string(sheet_, row_, column, CellText(text).c_str(), nullptr));
  }
  // A date Excel can sort and filter, on this computer's clock.
  void Time(lxw_col_t column, const std::string& journalTime) {
    if (journalTime.empty()) return;
    const std::optional<std::tm> local = LocalTimeOf(journalTime);
    if (!local) return Text(column, journalTime);
    lxw_datetime at{local->tm_year + 1900, local->tm_mon + 1, local->tm_mday,
                    local->tm_hour,        local->tm_min,     static_cast<double>(local->tm_sec)};
    Check(worksheet_write_datetime(sheet_, row_, column, &at, time_));
  }

  std::unique_ptr<lxw_workbook, WorkbookCloser> workbook_;
  lxw_worksheet* sheet_ = nullptr;
  lxw_format* heading_ = nullptr;
  lxw_format* time_ = nullptr;
  lxw_row_t row_ = 0;
  lxw_error error_ = LXW_NO_ERROR;
};

}  // namespace

Outcome WriteJournalExcel(CommandContext& ctx, const std::string& path, const std::string& file) {
  Outcome read;
  lxw_row_t written = 0;
  const Outcome saved = WriteFileAtomicallyBy(file, [&](const std::string& name, std::string& why) {
    JournalSheet sheet(name);
    if (!sheet.opened()) {
      why = "не удается начать книгу Excel";
      return false;
    }
    sheet.WriteHeadings();
    bool full = false;
    RestartLookahead rows([&](const JournalRecord& r) { full = !sheet.Write(r) || full; });
    read = JournalReading(ctx, path).Run([&](const JournalRecord& r) { rows.Add(r); },
                                         [&](std::size_t line) { NoteSkipped(ctx, line); });
    rows.Finish();
    const lxw_error closed = sheet.Close();
    written = sheet.records();
    if (!read) return false;
    if (full) {
      why = "в журнале больше записей, чем вмещает лист Excel (" + std::to_string(kMostRecords) +
            "); выберите часть из них с --since";
    } else if (closed != LXW_NO_ERROR) {
      why = std::string("не удается составить книгу Excel (") + lxw_strerror(closed) + ")";
    }
    return why.empty();
  });
  if (!read) return read;  // the journal's own failure is told already
  if (!saved) {
    ctx.ui.ShowMessage(saved.detail);
    return saved;
  }
  ctx.out << "Файл: " << ShownPath(file) << '\n' << "Записей: " << written << '\n';
  return {};
}

}  // namespace orten::cli
