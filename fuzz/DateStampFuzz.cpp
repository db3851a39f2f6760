// The date stamp from whatever a locale's short date format might produce.
#include <cstdint>
#include <string>
#include <string_view>

#include "base/DateStamp.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string date(reinterpret_cast<const char*>(data), size);
  const std::string stamp = orten::MakeDateStamp(date);
  if (stamp.size() < 2 || stamp.front() != '_' || stamp.back() != '_') {
    orten::fuzz::Broken("the stamp is not wrapped in '_'");
  }
  // It becomes part of a file name on any system.
  constexpr std::string_view kNotInFileNames = "/\\:*?\"<>|";
  for (char c : std::string_view(stamp).substr(1, stamp.size() - 2)) {
    if (kNotInFileNames.find(c) != std::string_view::npos || (c >= 0 && c < 0x20)) {
      orten::fuzz::Broken("the stamp holds a character file names may not");
    }
  }
  return 0;
}
