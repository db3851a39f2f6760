#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/SimDevice.h"

namespace orten {

class SimBus;
class SimClock;

// One change on a simulated line, as a line script describes it.
struct SimLineStep {
  enum class Kind { Plug, Unplug, Pause };
  struct Arrival {
    std::uint8_t version = 0;
    SimFaults faults;
  };
  Kind kind = Kind::Pause;
  std::vector<Arrival> arrivals;  // Plug: the devices plugged in at once
  int device = 0;                 // Unplug: its number on the line (1 = first to arrive), 0 = the earliest still there
  int pauseMs = 0;                // Pause
};

// A line on which devices come and go by a script, so a batch can be run
// from the first arrival to the last removal without hardware. The devices
// the script plugs in before its first pause or removal are on the line
// from the start. After that the technician acts while the program waits:
// each wait for a change lets the next step happen (a pause first lets its
// time pass on the clock), one change per wait, so the program sees every
// state the script passes.
class SimLine {
 public:
  SimLine(SimBus& bus, SimClock& clock, std::vector<SimLineStep> steps);

  // Lets up to ms pass; returns at the first change or when the time is up.
  void Wait(int ms);
  // Nothing more will change.
  bool Finished() const { return next_ >= steps_.size(); }

 private:
  void Apply(const SimLineStep& step);

  SimBus& bus_;
  SimClock& clock_;
  std::vector<SimLineStep> steps_;
  std::size_t next_ = 0;
  int pauseLeftMs_ = -1;  // of the pause under way; -1: none started
};

}  // namespace orten
