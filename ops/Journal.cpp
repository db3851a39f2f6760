#include "ops/Journal.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "base/AppendFile.h"
#include "base/Utf8Path.h"
#include "base/Wording.h"

namespace orten {

std::string JournalPath(const std::string& programFolder) {
  return Utf8FromPath(PathFromUtf8(programFolder) / kJournalFileName);
}

Journal::Journal(std::string path, std::string program)
    : path_(std::move(path)), program_(std::move(program)) {}

bool Journal::Append(JournalRecord record) {
  record.time = JournalTimeNow();
  record.program = program_;
  std::string why;
  if (AppendToFile(path_, JournalHeader(), JournalLine(record), why)) return true;
  if (failure_.empty()) {
    failure_ = "Не удается записать журнал " + EscapedExcerpt(path_, 200) + ": " + why +
               ". Работа с прибором продолжается без записи в журнал.";
    if (onFailure_) onFailure_(failure_);
  }
  return false;
}

std::string JournalTimeNow() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm utc{};
#ifdef _WIN32
  gmtime_s(&utc, &now);
#else
  gmtime_r(&now, &utc);
#endif
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

}  // namespace orten
