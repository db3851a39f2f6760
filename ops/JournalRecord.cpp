#include "ops/JournalRecord.h"

#include <array>
#include <optional>

namespace orten {

namespace {

constexpr std::size_t kColumnCount = std::size(kJournalColumns);
constexpr std::size_t kOutcomeColumn = 9;

// Whether a spreadsheet would run the field as a formula; an apostrophe in
// front of such a field counts too, so that the mark itself is undone on
// reading and a name that starts with one comes back as it was.
bool LooksLikeFormula(std::string_view field) {
  while (!field.empty() && field.front() == '\'') field.remove_prefix(1);
  return !field.empty() &&
         std::string_view("=+-@\t\r").find(field.front()) != std::string_view::npos;
}

std::string Field(const std::string& text) {
  std::string field = LooksLikeFormula(text) ? "'" + text : text;
  if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
  std::string quoted = "\"";
  for (const char c : field) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

std::string Unmarked(std::string field) {
  if (!field.empty() && field.front() == '\'' &&
      LooksLikeFormula(std::string_view(field).substr(1))) {
    field.erase(0, 1);
  }
  return field;
}

// 2026-12-08T15:04:05Z, digits where digits go.
bool IsTime(const std::string& t) {
  constexpr std::string_view kShape = "dddd-dd-ddTdd:dd:ddZ";
  if (t.size() != kShape.size()) return false;
  for (std::size_t i = 0; i < t.size(); ++i) {
    const bool digit = t[i] >= '0' && t[i] <= '9';
    if (kShape[i] == 'd' ? !digit : t[i] != kShape[i]) return false;
  }
  return true;
}

}  // namespace

std::string JournalHeader() {
  std::string header;
  for (const char* column : kJournalColumns)
    header += std::string(header.empty() ? "" : ",") + column;
  return header + "\r\n";
}

std::string JournalLine(const JournalRecord& r) {
  const std::array<const std::string*, kColumnCount> fields = JournalFields(r);
  std::string line;
  // Appended piece by piece: GCC 12 sees overlaps in operator+ that are not
  // there (GCC bug 105329).
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line += ',';
    line += Field(*fields[i]);
  }
  return line + "\r\n";
}

std::array<const std::string*, kColumnCount> JournalFields(const JournalRecord& r) {
  return {&r.time,        &r.program,      &r.operation, &r.familyBefore, &r.versionBefore,
          &r.familyAfter, &r.versionAfter, &r.file,      &r.sha256,       &r.outcome,
          &r.message,     &r.batch,        &r.module,    &r.port};
}

std::optional<JournalRecord> JournalRecordFromFields(const std::vector<std::string>& fields) {
  const bool columns = fields.size() == kColumnCount || fields.size() == kJournalFirstColumns;
  if (!columns || !IsTime(fields[0]) || fields[kOutcomeColumn].empty()) return std::nullopt;
  std::array<std::string, kColumnCount> f;
  for (std::size_t i = 0; i < fields.size(); ++i) f[i] = Unmarked(fields[i]);
  return JournalRecord{f[0], f[1], f[2], f[3],  f[4],  f[5],  f[6],
                       f[7], f[8], f[9], f[10], f[11], f[12], f[13]};
}

bool IsJournalHeaderOrBlank(const std::vector<std::string>& fields) {
  const bool columns = fields.size() == kColumnCount || fields.size() == kJournalFirstColumns;
  const bool header = columns && fields[0] == kJournalColumns[0];
  const bool blank = fields.size() == 1 && fields[0].empty();
  return header || blank;
}

}  // namespace orten
