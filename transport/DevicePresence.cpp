#include "transport/DevicePresence.h"

#include <algorithm>
#include <chrono>

namespace orten {

namespace {

// Hotplug wakes the wait at once; without it this is how often the line is looked at.
constexpr std::int64_t kLookIntervalMs = 250;

}  // namespace

std::int64_t SteadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

WaitOutcome WaitForPresence(DevicePresence& presence, bool wantPresent,
                            std::optional<std::int64_t> timeoutMs, const MonotonicMs& now) {
  const std::int64_t start = now();
  bool first = true;
  for (;;) {
    std::uint32_t count = 0;
    if (!presence.Count(count)) return WaitOutcome::Failed;
    if ((count > 0) == wantPresent) return WaitOutcome::Happened;
    if (first && !timeoutMs && !presence.CanChange()) return WaitOutcome::Endless;
    first = false;
    std::int64_t slice = kLookIntervalMs;
    if (timeoutMs) {
      const std::int64_t left = *timeoutMs - (now() - start);
      if (left <= 0) return WaitOutcome::TimedOut;
      slice = std::min(slice, left);
    }
    presence.WaitForChange(static_cast<int>(slice));
  }
}

}  // namespace orten
