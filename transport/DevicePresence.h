#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "transport/Transport.h"

namespace orten {

// Whether the device is on the line, by enumeration alone: nothing is opened
// or claimed, so a program that waits never gets in the way of one that works.
class DevicePresence {
 public:
  virtual ~DevicePresence() = default;

  // Devices with the configured IDs present now; false when the line could
  // not be looked at (LastFault and LastErrorText say why).
  virtual bool Count(std::uint32_t& count) = 0;
  // Returns after at most timeoutMs, sooner when the system reports that a
  // device came or went.
  virtual void WaitForChange(int timeoutMs) = 0;
  // False when nothing can plug or unplug the device while this program
  // runs: waiting for a change would then only end by its time limit.
  virtual bool CanChange() const { return true; }

  virtual LinkFault LastFault() const = 0;
  virtual std::string LastErrorText() const = 0;
};

enum class WaitOutcome {
  Happened,
  TimedOut,
  Endless,  // it cannot happen and there is no time limit: refused at once
  Failed,   // the line could not be looked at
};

// Monotonic milliseconds; the default reads the steady clock.
using MonotonicMs = std::function<std::int64_t()>;
std::int64_t SteadyMs();

// Waits until a device is present (wantPresent) or none is; no timeout
// means as long as it takes.
WaitOutcome WaitForPresence(DevicePresence& presence, bool wantPresent,
                            std::optional<std::int64_t> timeoutMs,
                            const MonotonicMs& now = SteadyMs);

}  // namespace orten
