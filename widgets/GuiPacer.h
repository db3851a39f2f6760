#pragma once

#include "base/Pacer.h"

namespace orten::gui {

// Real time for the window's exchanges. They run on a worker thread
// (OffWindowThread), where a pause just sleeps. On the window's thread a
// pause keeps handling the window's events (painting, the status text) until
// its time is up; pair it there with BusyGuard so that the user's input
// cannot start anything meanwhile.
class GuiPacer final : public Pacer {
 public:
  // Never returns before ms milliseconds have passed.
  void Pause(int ms) override;
  void Pump() override;
};

}  // namespace orten::gui
