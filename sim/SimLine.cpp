#include "sim/SimLine.h"

#include <algorithm>

#include "sim/SimClock.h"
#include "sim/SimTransport.h"

namespace orten {

SimLine::SimLine(SimBus& bus, SimClock& clock, std::vector<SimLineStep> steps)
    : bus_(bus), clock_(clock), steps_(std::move(steps)) {
  while (!Finished() && steps_[next_].kind == SimLineStep::Kind::Plug) Apply(steps_[next_++]);
}

void SimLine::Wait(int ms) {
  int left = std::max(ms, 0);
  while (!Finished()) {
    const SimLineStep& step = steps_[next_];
    if (step.kind != SimLineStep::Kind::Pause) {
      Apply(step);
      ++next_;
      return;
    }
    if (pauseLeftMs_ < 0) pauseLeftMs_ = step.pauseMs;
    const int used = std::min(left, pauseLeftMs_);
    clock_.Wait(used);
    left -= used;
    pauseLeftMs_ -= used;
    if (pauseLeftMs_ > 0) return;
    pauseLeftMs_ = -1;
    ++next_;
  }
  clock_.Wait(left);  // the script is over: time still passes
}

void SimLine::Apply(const SimLineStep& step) {
  if (step.kind == SimLineStep::Kind::Plug) {
    for (const SimLineStep::Arrival& a : step.arrivals) {
      const std::shared_ptr<SimDevice> device = bus_.Attach(a.version);
      device->set_faults(a.faults);
    }
    return;
  }
  const auto& devices = bus_.devices();
  if (step.device > 0) {
    if (static_cast<std::size_t>(step.device) <= devices.size()) {
      devices[static_cast<std::size_t>(step.device) - 1]->Unplug();
    }
    return;
  }
  const auto earliest = std::find_if(devices.begin(), devices.end(),
                                     [](const auto& d) { return d->plugged(); });
  if (earliest != devices.end()) (*earliest)->Unplug();
}

}  // namespace orten
