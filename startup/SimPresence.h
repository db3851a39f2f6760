#pragma once

#include "transport/DevicePresence.h"

namespace orten {

class SimBus;
class SimLine;

// Presence on the simulated line. With a line script the devices come and
// go as it says, each wait letting its next step happen; without one
// nothing plugs or unplugs the simulated device while the program runs (its
// state file keeps memory and version, not whether it is plugged in), so
// waiting for a change only ends by the time limit.
class SimPresence final : public DevicePresence {
 public:
  explicit SimPresence(const SimBus& bus, SimLine* line = nullptr) : bus_(bus), line_(line) {}

  bool Count(std::uint32_t& count) override;
  void WaitForChange(int timeoutMs) override;
  bool CanChange() const override;
  std::vector<std::string> Places() const override;
  LinkFault LastFault() const override { return LinkFault::None; }
  std::string LastErrorText() const override { return {}; }

 private:
  const SimBus& bus_;
  SimLine* line_;
};

}  // namespace orten
