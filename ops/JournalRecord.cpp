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

// Reads one record from text at pos, up to and including its line end.
// Nothing when it is no record: a quote left open, or text after a closing quote.
std::optional<std::vector<std::string>> ReadFields(std::string_view text, std::size_t& pos) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  bool closed = false;  // the field's closing quote was read
  while (pos < text.size()) {
    const char c = text[pos++];
    if (quoted) {
      if (c != '"') {
        fields.back() += c;
      } else if (pos < text.size() && text[pos] == '"') {
        fields.back() += '"';
        ++pos;
      } else {
        quoted = false;
        closed = true;
      }
      continue;
    }
    if (c == ',') {
      fields.emplace_back();
      closed = false;
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
      return fields;
    } else if (closed) {
      return std::nullopt;
    } else if (c == '"' && fields.back().empty()) {
      quoted = true;
    } else {
      fields.back() += c;
    }
  }
  if (quoted) return std::nullopt;
  return fields;
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

std::size_t LineOf(std::string_view text, std::size_t pos, std::size_t from, std::size_t line) {
  for (std::size_t i = from; i < pos; ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
      ++line;
    }
  }
  return line;
}

}  // namespace

std::string JournalHeader() {
  std::string header;
  for (const char* column : kJournalColumns)
    header += std::string(header.empty() ? "" : ",") + column;
  return header + "\r\n";
}

std::string JournalLine(const JournalRecord& r) {
  const std::array<const std::string*, kColumnCount> fields = {
      &r.time,         &r.program, &r.operation, &r.familyBefore, &r.versionBefore, &r.familyAfter,
      &r.versionAfter, &r.file,    &r.sha256,    &r.outcome,      &r.message};
  std::string line;
  // Appended piece by piece: GCC 12 sees overlaps in operator+ that are not
  // there (GCC bug 105329).
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line += ',';
    line += Field(*fields[i]);
  }
  return line + "\r\n";
}

JournalText ParseJournal(std::string_view text) {
  JournalText journal;
  std::size_t pos = 0;
  std::size_t line = 1;  // of pos
  while (pos < text.size()) {
    const std::size_t start = pos;
    const std::optional<std::vector<std::string>> fields = ReadFields(text, pos);
    const bool whole = fields && fields->size() == kColumnCount && IsTime((*fields)[0]) &&
                       !(*fields)[kOutcomeColumn].empty();
    if (whole) {
      std::array<std::string, kColumnCount> f;
      for (std::size_t i = 0; i < kColumnCount; ++i) f[i] = Unmarked((*fields)[i]);
      journal.records.push_back(
          {f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9], f[10]});
      line = LineOf(text, pos, start, line);
      continue;
    }
    const bool header =
        fields && fields->size() == kColumnCount && (*fields)[0] == kJournalColumns[0];
    const bool blank = fields && fields->size() == 1 && (*fields)[0].empty();
    if (header || blank) {
      line = LineOf(text, pos, start, line);
      continue;
    }
    journal.skippedLines.push_back(line);
    // Start again on the line after the one the bad record began on: a torn
    // record must not take the records after it along.
    pos = start;
    while (pos < text.size() && text[pos] != '\n' && text[pos] != '\r') ++pos;
    if (pos < text.size()) pos += text.compare(pos, 2, "\r\n") == 0 ? 2 : 1;
    ++line;
  }
  return journal;
}

}  // namespace orten
