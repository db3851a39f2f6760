#include "ops/JournalReader.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

namespace orten {

namespace {

constexpr std::size_t kPiece = 64 * 1024;

// Reads one record from text at pos, up to and including its line end.
// Nothing when it is no record: a quote left open, or text after a closing
// quote. ranOut: text ended before the record did, or where the next byte
// decides (CR LF, a doubled quote); more text may change the answer.
std::optional<std::vector<std::string>> ReadFields(std::string_view text, std::size_t& pos,
                                                   bool& ranOut) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  bool closed = false;  // the field's closing quote was read
  ranOut = false;
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
      ranOut = c == '\r' && pos == text.size();
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
  ranOut = true;
  if (quoted) return std::nullopt;
  return fields;
}

// Where the first CR or LF at or after from is, or npos. memchr: a line
// to skip may be hundreds of megabytes of anything.
std::size_t LineEnd(const std::string& text, std::size_t from) {
  const char* start = text.data() + from;
  const std::size_t length = text.size() - from;
  const void* lf = std::memchr(start, '\n', length);
  const std::size_t lfAt =
      lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - start) : length;
  const void* cr = std::memchr(start, '\r', lfAt);
  const std::size_t at = cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - start) : lfAt;
  return at == length ? std::string::npos : from + at;
}

}  // namespace

bool JournalReader::Fill() {
  if (ended_) return false;
  buffer_.erase(0, pos_);
  pos_ = 0;
  const std::size_t had = buffer_.size();
  buffer_.resize(had + kPiece);
  const long long got = source_(buffer_.data() + had, kPiece);
  buffer_.resize(had + static_cast<std::size_t>(std::max(got, 0LL)));
  if (got <= 0) {
    ended_ = true;
    failed_ = got < 0;
  }
  return got > 0;
}

// The lines the text from pos_ to end spans; CR LF is one line end.
void JournalReader::CountLines(std::size_t end) {
  for (std::size_t i = pos_; i < end; ++i) {
    const bool crAlone = buffer_[i] == '\r' && (i + 1 >= buffer_.size() || buffer_[i + 1] != '\n');
    if (buffer_[i] == '\n' || crAlone) ++line_;
  }
  pos_ = end;
}

// Past the line pos_ is on, however long, keeping none of it.
void JournalReader::SkipLine() {
  for (;;) {
    const std::size_t at = LineEnd(buffer_, pos_);
    if (at == std::string::npos) {
      pos_ = buffer_.size();
      if (!Fill()) return;
      continue;
    }
    pos_ = at;
    if (buffer_[at] == '\r' && at + 1 == buffer_.size() && Fill()) continue;  // CR LF, split
    pos_ += buffer_.compare(pos_, 2, "\r\n") == 0 ? 2 : 1;
    ++line_;
    return;
  }
}

JournalReader::Item JournalReader::Next(JournalRecord& record, std::size_t& line) {
  for (;;) {
    if (pos_ == buffer_.size() && !Fill()) return failed_ ? Item::Failed : Item::End;
    std::size_t end = pos_;
    bool ranOut = false;
    std::optional<std::vector<std::string>> fields =
        ReadFields(std::string_view(buffer_), end, ranOut);
    if (ranOut && !ended_) {
      if (buffer_.size() - pos_ < kLongestRecord) {
        Fill();
        continue;  // read it again, with what follows
      }
      fields.reset();  // too long to be a record of ours
    }
    if (failed_) return Item::Failed;
    if (fields) {
      if (std::optional<JournalRecord> whole = JournalRecordFromFields(*fields)) {
        record = std::move(*whole);
        CountLines(end);
        return Item::Record;
      }
      if (IsJournalHeaderOrBlank(*fields)) {
        CountLines(end);
        continue;
      }
    }
    // Start again on the line after the one the bad record began on: a torn
    // record must not take the records after it along.
    line = line_;
    SkipLine();
    return failed_ ? Item::Failed : Item::Skipped;
  }
}

JournalText ParseJournal(std::string_view text) {
  JournalReader reader([&text](char* to, std::size_t most) -> long long {
    const std::size_t n = std::min(most, text.size());
    std::memcpy(to, text.data(), n);
    text.remove_prefix(n);
    return static_cast<long long>(n);
  });
  JournalText journal;
  JournalRecord record;
  std::size_t line = 0;
  for (;;) {
    const JournalReader::Item item = reader.Next(record, line);
    if (item == JournalReader::Item::Record) {
      journal.records.push_back(record);
    } else if (item == JournalReader::Item::Skipped) {
      journal.skippedLines.push_back(line);
    } else {
      return journal;
    }
  }
}

}  // namespace orten
