#pragma once

#include <vector>

#include "base/Pacer.h"
#include "sim/SimClock.h"

namespace orten {

// Records every pause instead of sleeping; moves the shared virtual clock
// on so the simulated device sees the pacing it would see for real.
class VirtualPacer final : public Pacer {
 public:
  explicit VirtualPacer(VirtualClock* clock = nullptr) : clock_(clock) {}

  void Pause(int ms) override {
    pauses_.push_back(ms);
    if (clock_) clock_->Advance(ms);
  }
  void Pump() override { ++pumps_; }

  const std::vector<int>& pauses() const { return pauses_; }
  int pumps() const { return pumps_; }
  void Clear() {
    pauses_.clear();
    pumps_ = 0;
  }

 private:
  VirtualClock* clock_;
  std::vector<int> pauses_;
  int pumps_ = 0;
};

}  // namespace orten
