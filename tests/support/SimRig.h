#pragma once

#include <memory>

#include "protocol/DeviceLink.h"
#include "sim/SimTransport.h"
#include "sim/VirtualPacer.h"
#include "tests/support/ScriptedUi.h"

namespace orten::test {

// A simulated line with a scripted user and virtual time: what every device
// exchange test starts from. Attach devices to bus before discovering.
struct SimRig {
  VirtualClock clock;
  VirtualPacer pacer{&clock};
  SimBus bus;
  SimTransport transport{bus, clock};
  ScriptedUi ui;
  DeviceLink link{transport, pacer, ui};

  // One device of the given version, found and with its pipes open.
  std::shared_ptr<SimDevice> AttachAndDiscover(std::uint8_t version) {
    auto device = bus.Attach(version);
    link.DiscoverDevice();
    return device;
  }
};

}  // namespace orten::test
