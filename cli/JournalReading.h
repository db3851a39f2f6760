#pragma once

#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "cli/Commands.h"
#include "ops/JournalRecord.h"

// What ortenctl journal's three forms share: the reading of the journal as a
// stream, and, for the forms people read (the table, the Excel file), the
// records in Russian words and local time.
namespace orten::cli {

// One reading of the journal from its start, record by record, keeping none.
// The journal grows while it is read (both programs append to it): a second
// reading stops where the first one ended, so both see the same records.
class JournalReading {
 public:
  // limit: the bytes to read at most (a first reading's bytesRead()).
  JournalReading(CommandContext& ctx, std::string path, std::uint64_t limit = UINT64_MAX);

  // Hands over each record on or after --since (a day on this computer's
  // clock) and each line skipped; a FileError when the journal is there and
  // cannot be read. No journal yet is an empty one.
  Outcome Run(const std::function<void(const JournalRecord&)>& onRecord,
              const std::function<void(std::size_t line)>& onSkipped);
  std::uint64_t bytesRead() const { return read_; }

 private:
  Outcome Refused(const std::string& error);

  CommandContext& ctx_;
  std::string path_;
  std::uint64_t limit_;
  std::string since_;  // the journal time --since's day begins at, empty for all
  std::uint64_t read_ = 0;
};

// Tells on stderr that a line of the journal holds no record.
void NoteSkipped(CommandContext& ctx, std::size_t line);

// A firmware write is recorded before the device restarts; the check after
// the restart, a few records later, knows what it came back with. The forms
// people read show the write with that version after: a write waits here
// for its check (the same program's verify-firmware of the same file) while
// a few records pass, and then goes on, with the check's device or without.
class RestartLookahead {
 public:
  explicit RestartLookahead(std::function<void(const JournalRecord&)> next)
      : next_(std::move(next)) {}
  void Add(const JournalRecord& record);
  void Finish();  // the journal ended: whatever waits goes on

 private:
  struct Held {
    JournalRecord record;
    bool waiting;  // a firmware write whose check has not come yet
  };
  void Release(bool all);

  std::function<void(const JournalRecord&)> next_;
  std::deque<Held> held_;  // a firmware write and the records after it, a few at most
};

// The record in the words of the table and the Excel file.
std::string OperationWords(const std::string& operation);  // "запись настроек"
std::string OutcomeWords(const std::string& outcome);  // "выполнено", "нет ответа"
std::string DeviceWords(const std::string& family, const std::string& version);  // "МРО 4_5"
// The device before, and after where it differs: "МРО 4_5 → 4_6"; a firmware
// write whose check is not in the journal: "МРО 4_5 → ?".
std::string DeviceChangeWords(const JournalRecord& r);
// The device after alone: its words, "?" for a firmware write whose check
// is not in the journal, the device before when nothing changed it.
std::string DeviceAfterWords(const JournalRecord& r);
// "08.12.2026 18:04:05" on this computer's clock; the text as it is when it names no time.
std::string LocalTimeWords(const std::string& journalTime);
// Of a batch run's module: "пакет от 08.12.2026 18:10:00, модуль 3, порт 1-4"; empty otherwise.
std::string BatchWords(const JournalRecord& r);

}  // namespace orten::cli
