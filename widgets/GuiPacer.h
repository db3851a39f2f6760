#pragma once

#include "base/Pacer.h"

namespace orten::gui {

// Real time for the window's exchanges: a pause keeps handling the window's
// events (painting, the status text) until its time is up, so the window
// stays alive while the device is paced. Pair with BusyGuard so that the
// user's input cannot start anything meanwhile.
class GuiPacer final : public Pacer {
 public:
  // Never returns before ms milliseconds have passed.
  void Pause(int ms) override;
  void Pump() override;
};

}  // namespace orten::gui
