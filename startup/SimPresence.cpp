#include "startup/SimPresence.h"

#include <chrono>
#include <thread>

#include "sim/SimTransport.h"

namespace orten {

bool SimPresence::Count(std::uint32_t& count) {
  count = static_cast<std::uint32_t>(bus_.Plugged().size());
  return true;
}

void SimPresence::WaitForChange(int timeoutMs) {
  std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
}

}  // namespace orten
