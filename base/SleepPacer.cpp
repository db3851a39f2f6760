#include "base/SleepPacer.h"

#include <chrono>
#include <thread>

namespace orten {

void SleepPacer::Pause(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace orten
