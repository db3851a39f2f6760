#pragma once

#include "link/Pacer.h"

namespace orten::cli {

// The tool has no window to keep painted: a pause is a sleep.
class RealPacer final : public Pacer {
 public:
  void Pause(int ms) override;
  void Pump() override {}
};

}  // namespace orten::cli
