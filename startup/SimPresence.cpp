#include "startup/SimPresence.h"

#include <chrono>
#include <thread>

#include "sim/SimLine.h"
#include "sim/SimTransport.h"

namespace orten {

bool SimPresence::Count(std::uint32_t& count) {
  count = static_cast<std::uint32_t>(bus_.Plugged().size());
  return true;
}

void SimPresence::WaitForChange(int timeoutMs) {
  if (line_) {
    line_->Wait(timeoutMs);
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
  }
}

bool SimPresence::CanChange() const {
  return line_ && !line_->Finished();
}

std::vector<std::string> SimPresence::Places() const {
  return bus_.PluggedPlaces();
}

}  // namespace orten
