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
  const Outcome appended = AppendToFile(path_, JournalHeader(), JournalLine(record));
  if (appended) return true;
  if (failure_.empty()) {
    failure_ = "Не удается записать журнал " + EscapedExcerpt(path_, 200) + ": " + appended.detail +
               ". Работа с прибором продолжается без записи в журнал.";
    if (onFailure_) onFailure_(failure_);
  }
  return false;
}

namespace {

std::string JournalTimeOf(std::time_t moment) {
  std::tm utc{};
#ifdef _WIN32
  gmtime_s(&utc, &moment);
#else
  gmtime_r(&moment, &utc);
#endif
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar
// (H. Hinnant's days_from_civil): UTC needs no time zone, so no C library's.
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

// The digits of text from at, as a number; -1 when one is not a digit.
int Digits(const std::string& text, std::size_t at, std::size_t count) {
  int value = 0;
  for (std::size_t i = at; i < at + count && i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return at + count <= text.size() ? value : -1;
}

}  // namespace

std::string JournalTimeNow() {
  return JournalTimeOf(std::chrono::system_clock::to_time_t(std::chrono::system_clock::now()));
}

std::optional<std::tm> LocalTimeOf(const std::string& t) {
  // 2026-12-08T15:04:05Z
  const int year = Digits(t, 0, 4), month = Digits(t, 5, 2), day = Digits(t, 8, 2);
  const int hour = Digits(t, 11, 2), minute = Digits(t, 14, 2), second = Digits(t, 17, 2);
  if (t.size() != 20 || year < 1970 || month < 1 || month > 12 || day < 1 || day > 31 ||
      hour > 23 || minute > 59 || second > 60) {
    return std::nullopt;
  }
  const long long seconds =
      DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 +
      hour * 3600 + minute * 60 + second;
  const std::time_t moment = static_cast<std::time_t>(seconds);
  std::tm local{};
#ifdef _WIN32
  if (localtime_s(&local, &moment) != 0) return std::nullopt;
#else
  if (!localtime_r(&moment, &local)) return std::nullopt;
#endif
  return local;
}

std::string LocalTimeText(const std::tm& local) {
  char text[32];
  std::strftime(text, sizeof text, "%d.%m.%Y %H:%M:%S", &local);
  return text;
}

std::string JournalTimeOfLocalDay(const std::string& isoDay) {
  std::tm midnight{};
  midnight.tm_year = Digits(isoDay, 0, 4) - 1900;
  midnight.tm_mon = Digits(isoDay, 5, 2) - 1;
  midnight.tm_mday = Digits(isoDay, 8, 2);
  midnight.tm_isdst = -1;  // whatever the clock says that day
  const std::time_t moment = std::mktime(&midnight);
  // A day the clock cannot name (before 1970 on some systems): its UTC start.
  return moment == static_cast<std::time_t>(-1) ? isoDay + "T00:00:00Z" : JournalTimeOf(moment);
}

}  // namespace orten
