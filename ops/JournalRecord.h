#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orten {

// One line of the journal: what was done to which device, with what.
struct JournalRecord {
  std::string time;           // UTC, ISO 8601: 2026-12-08T15:04:05Z
  std::string program;        // ortenconf, ortenctl
  std::string operation;      // read-settings, write-firmware, ... (kJournalOperations)
  std::string familyBefore;   // rpu, mro, or empty when no device was identified
  std::string versionBefore;  // as the window shows it: "4_5"
  std::string familyAfter;    // after a firmware write: as the device came back
  std::string versionAfter;
  std::string file;     // the file's name (no folder), empty when there was none
  std::string sha256;   // of the file's content, as these programs write it
  std::string outcome;  // OutcomeKindName: done, no-answer, verify-failed, ...
  std::string message;  // the words the user was shown, Russian
  // Of a batch run (ortenctl batch), empty otherwise: the run (the UTC time
  // it started, as time), the module's number in it (1, 2, ...) and where it
  // was plugged in, when the line says (a USB port, a Windows device instance).
  std::string batch;
  std::string module;
  std::string port;

  bool operator==(const JournalRecord&) const = default;
};

// The journal's columns, in order, as its header line and --json name them.
// The batch columns came last, later: a journal begun before them has
// records of the first kJournalFirstColumns only, and still reads.
inline constexpr const char* kJournalColumns[] = {
    "time",         "program",       "operation", "family_before", "version_before",
    "family_after", "version_after", "file",      "sha256",        "outcome",
    "message",      "batch",         "module",    "port"};
inline constexpr std::size_t kJournalFirstColumns = 11;

// The record's fields in the order of kJournalColumns.
std::array<const std::string*, std::size(kJournalColumns)> JournalFields(const JournalRecord& r);

// The header line: the column names, CR LF.
std::string JournalHeader();
// One record as a CSV line (RFC 4180: fields with a comma, a quote, CR or LF
// are quoted, quotes doubled; CR LF at the end). A field a spreadsheet would
// take for a formula (= + - @, tab, CR first) gets a leading apostrophe.
std::string JournalLine(const JournalRecord& record);

// The record a line's fields hold, when they hold one whole: every column
// (or the first kJournalFirstColumns, as older records have), a time of the
// journal's shape and an outcome. Formula marks are undone.
std::optional<JournalRecord> JournalRecordFromFields(const std::vector<std::string>& fields);
// The header line (again, as two programs beginning the file may leave it) or a blank line.
bool IsJournalHeaderOrBlank(const std::vector<std::string>& fields);

// The journal read back whole (JournalReader reads it piece by piece): the
// records in order, and the lines that were skipped because they hold no
// whole record (a torn write, an edit).
struct JournalText {
  std::vector<JournalRecord> records;
  std::vector<std::size_t> skippedLines;  // 1-based, where each skipped record began
};
JournalText ParseJournal(std::string_view text);

}  // namespace orten
