#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "ops/JournalRecord.h"

namespace orten {

// The journal read piece by piece, record by record: what it keeps is one
// piece and at most one record, however long the journal has grown. What
// is no record (a torn write, an edit) is skipped from the line it began on,
// and the reading goes on from the line after it.
class JournalReader {
 public:
  // Up to most bytes into to: the count, 0 at the end, negative on failure.
  using Source = std::function<long long(char* to, std::size_t most)>;

  // A record longer than this is none of ours: even the longest file name
  // and message stay far below it.
  static constexpr std::size_t kLongestRecord = 256 * 1024;

  explicit JournalReader(Source source) : source_(std::move(source)) {}

  enum class Item { Record, Skipped, End, Failed };
  // Record: record holds the next one. Skipped: line is where the skipped
  // text began (1-based). Failed: the source failed; nothing after it is read.
  Item Next(JournalRecord& record, std::size_t& line);

 private:
  bool Fill();
  void SkipLine();
  void CountLines(std::size_t end);

  Source source_;
  std::string buffer_;
  std::size_t pos_ = 0;   // where the next record begins in buffer_
  std::size_t line_ = 1;  // the line pos_ is on
  bool ended_ = false;    // the source has nothing more
  bool failed_ = false;
};

}  // namespace orten
