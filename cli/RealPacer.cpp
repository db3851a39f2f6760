#include "cli/RealPacer.h"

#include <chrono>
#include <thread>

namespace orten::cli {

void RealPacer::Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace orten::cli
