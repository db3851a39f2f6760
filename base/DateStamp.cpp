#include "base/DateStamp.h"

#include <cstdio>
#include <ctime>
#include <string_view>

namespace orten {

namespace {

// The date text may hold non-ASCII letters (month names); positions count
// characters, so work on code points.
std::u32string Decode(const std::string& text) {
  std::u32string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    int extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
    char32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
    std::size_t j = i + 1;
    for (; extra > 0 && j < text.size(); --extra, ++j) {
      cp = (cp << 6) | (static_cast<unsigned char>(text[j]) & 0x3F);
    }
    out.push_back(cp);
    i = j;
  }
  return out;
}

std::string Encode(const std::u32string& text) {
  std::string out;
  for (char32_t cp : text) {
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::tm LocalDate(std::time_t time) {
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &time);
#else
  localtime_r(&time, &local);
#endif
  return local;
}

std::string ShortDateOf(const std::tm& local) {
  return ShortDateText(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

}  // namespace

std::string MakeDateStamp(const std::string& shortDate) {
  std::u32string date = Decode(shortDate);
  if (date.size() > 6) {
    date.erase(2, 1);
    if (date.size() > 4) date.erase(4, 3);
  }
  constexpr std::u32string_view kNotInFileNames = U"/\\:*?\"<>|";
  std::u32string clean;
  for (char32_t c : date) {
    if (kNotInFileNames.find(c) == std::u32string_view::npos && c >= 0x20) clean.push_back(c);
  }
  // Appending, not "_" + text: GCC 12 at -O3 sees a false overlap (-Wrestrict) in the latter.
  std::string stamp = "_";
  stamp += Encode(clean);
  stamp += '_';
  return stamp;
}

std::string ShortDateText(int year, int month, int day) {
  char text[32];
  const int n = std::snprintf(text, sizeof text, "%02d.%02d.%04d", day, month, year);
  return std::string(text, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::string DateStampFor(int year, int month, int day) {
  return MakeDateStamp(ShortDateText(year, month, day));
}

std::string TodayDateStamp() {
  return MakeDateStamp(ShortDateOf(LocalDate(std::time(nullptr))));
}

std::string FileDateText(std::chrono::system_clock::time_point moment) {
  return ShortDateOf(LocalDate(std::chrono::system_clock::to_time_t(moment)));
}

}  // namespace orten
