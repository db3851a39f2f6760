#pragma once

#include <memory>
#include <vector>

#include "transport/DevicePresence.h"
#include "transport/UsbId.h"

namespace orten {

// Presence on Linux: libusb's device list, woken by its hotplug events where
// the system has them (otherwise the waiter simply looks again). A context
// of its own, so it never shares state with the transport.
class LibusbPresence final : public DevicePresence {
 public:
  // The IDs are asked for once, when the waiting starts.
  explicit LibusbPresence(const UsbIdLookup& lookup);
  ~LibusbPresence() override;
  LibusbPresence(const LibusbPresence&) = delete;
  LibusbPresence& operator=(const LibusbPresence&) = delete;

  bool Count(std::uint32_t& count) override;
  void WaitForChange(int timeoutMs) override;
  LinkFault LastFault() const override;
  std::string LastErrorText() const override;

  // True when the system reports arrivals and departures (hotplug).
  bool HasHotplug() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace orten
