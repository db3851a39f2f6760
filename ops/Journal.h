#pragma once

#include <ctime>
#include <functional>
#include <optional>
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

// A journal time on this computer's clock, as people read it here:
// "08.12.2026 18:04:05"; nothing when it names no moment (2026-13-45...).
std::optional<std::tm> LocalTimeOf(const std::string& journalTime);
std::string LocalTimeText(const std::tm& local);
// The journal time (UTC) at which a day (YYYY-MM-DD) begins on this
// computer's clock: records from then on are of that day or later here.
std::string JournalTimeOfLocalDay(const std::string& isoDay);

}  // namespace orten
