#pragma once

#include <chrono>
#include <string>

namespace orten {

// The date part of backup file names, from a date in the short date format:
// longer than 6 characters, drop the 3rd character and then 3 characters
// from the 5th ("07.12.2026" -> "071226"); then drop what a file name may
// not hold, and wrap it in underscores: "_071226_".
std::string MakeDateStamp(const std::string& shortDate);

// Dates as the users' Russian systems write them, dd.MM.yyyy, whatever the
// locale of the machine at hand: the window and ortenctl name and show
// files alike everywhere.
std::string ShortDateText(int year, int month, int day);
// The stamp of a given day ("_071226_" for 7 December 2026).
std::string DateStampFor(int year, int month, int day);
// The stamp of today, in local time.
std::string TodayDateStamp();
// The local date of a moment (a file's modification time), as dd.MM.yyyy.
std::string FileDateText(std::chrono::system_clock::time_point moment);

}  // namespace orten
