#include "transport/WinPresence.h"

#include <windows.h>

#include <cctype>

#include "transport/WinPipeTransport.h"

namespace orten {

std::string InterfacePlace(const std::string& devicePath) {
  std::string place = devicePath;
  if (place.rfind("\\\\?\\", 0) == 0) place.erase(0, 4);
  const std::size_t guid = place.rfind("#{");
  if (guid != std::string::npos) place.erase(guid);
  for (char& c : place) {
    c = c == '#' ? '\\' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return place;
}

bool WinPresence::Count(std::uint32_t& count) {
  error_.clear();
  places_.clear();
  for (const std::string& path : EnumerateInterfacePaths(error_)) {
    places_.push_back(InterfacePlace(path));
  }
  count = static_cast<std::uint32_t>(places_.size());
  // An enumeration cut short still counts what it found: only one that
  // found nothing and failed is a line that could not be looked at.
  return count > 0 || error_.empty();
}

void WinPresence::WaitForChange(int timeoutMs) {
  Sleep(static_cast<DWORD>(timeoutMs > 0 ? timeoutMs : 0));
}

LinkFault WinPresence::LastFault() const {
  return error_.empty() ? LinkFault::None : LinkFault::Io;
}

}  // namespace orten
