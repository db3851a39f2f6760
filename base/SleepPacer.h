#pragma once

#include "base/Pacer.h"

namespace orten {

// For callers without a window to keep painted: a pause is a sleep.
class SleepPacer final : public Pacer {
 public:
  void Pause(int ms) override;
  void Pump() override {}
};

}  // namespace orten
