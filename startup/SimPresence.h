#pragma once

#include "transport/DevicePresence.h"

namespace orten {

class SimBus;

// Presence on the simulated line. Nothing plugs or unplugs the simulated
// device while one of our programs runs (its state file keeps memory and
// version, not whether it is plugged in), so it never changes by itself:
// waiting for it to go only ends by the time limit.
class SimPresence final : public DevicePresence {
 public:
  explicit SimPresence(const SimBus& bus) : bus_(bus) {}

  bool Count(std::uint32_t& count) override;
  void WaitForChange(int timeoutMs) override;
  bool CanChange() const override { return false; }
  LinkFault LastFault() const override { return LinkFault::None; }
  std::string LastErrorText() const override { return {}; }

 private:
  const SimBus& bus_;
};

}  // namespace orten
