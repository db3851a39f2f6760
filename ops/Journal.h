#pragma once

#include <functional>
#include <string>

#include "ops/JournalRecord.h"

namespace orten {

// The journal's file in the data folder, the same for both programs.
inline constexpr const char* kJournalFileName = "journal.csv";
std::string JournalPath(const std::string& programFolder);

// The journal both programs keep of what they did to devices: one CSV
// record per device operation, appended whole (see AppendToFile), so two
// programs at work at once leave whole lines. A journal that cannot be
// written never stops the work: the first failure is told once, and later
// records are still tried (a disk that had no room may have some again).
class Journal {
 public:
  Journal(std::string path, std::string program);

  const std::string& path() const { return path_; }

  // Stamps the record with the time (UTC) and the program, and appends it.
  bool Append(JournalRecord record);

  // Empty while all is well, else "Не удается записать журнал NAME: why. ..."
  const std::string& failure() const { return failure_; }
  // Told failure() once, from inside the append that first failed.
  void OnFailure(std::function<void(const std::string&)> handler) {
    onFailure_ = std::move(handler);
  }

 private:
  std::string path_;
  std::string program_;
  std::string failure_;
  std::function<void(const std::string&)> onFailure_;
};

// Now, in UTC, as the journal writes it: 2026-12-08T15:04:05Z.
std::string JournalTimeNow();

}  // namespace orten
