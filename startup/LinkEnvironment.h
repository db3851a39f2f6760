#pragma once

#include <memory>
#include <string>

#include "base/TraceLog.h"
#include "startup/CommonOptions.h"
#include "startup/UsbIdSettings.h"
#include "transport/DevicePresence.h"
#include "transport/Transport.h"

namespace orten {

class SimBus;
class SimClock;
class SimDevice;
class SimLine;
class SimStateFile;

// What the options say the device is: the USB transport of this platform,
// or one simulated device (kept in its state file between runs, and shared
// through it with the other programs on it). Both programs build their
// link from here, so they pick the device the same way.
class LinkEnvironment {
 public:
  // Fails with a Usage error for a wrong option value, a FileError for a
  // file that could not be used (the trace, the simulator's state). The
  // remembered USB IDs are not read here: a bad file of them is the reason
  // of a look at the line.
  static Result<std::unique_ptr<LinkEnvironment>> Create(const CommonOptions& options);
  ~LinkEnvironment();
  LinkEnvironment(const LinkEnvironment&) = delete;
  LinkEnvironment& operator=(const LinkEnvironment&) = delete;

  Transport& transport() { return *transport_; }
  // Null when no trace was asked for.
  TraceLog* trace() { return trace_.IsOpen() ? &trace_ : nullptr; }
  // The simulated device, or null on real USB.
  SimDevice* simDevice() const { return simDevice_.get(); }
  // Whether the device is on the line, without opening it; made on first use.
  DevicePresence* presence();
  // Monotonic milliseconds as the line sees them: the simulation's clock,
  // in which skipped waits count, or the steady clock.
  MonotonicMs clock() const;
  // What to say after an empty line beyond the usual box: on Windows' real
  // line, where to check the driver; nothing for the simulation or libusb
  // (whose reasons come with the look itself).
  const std::string& emptyLineAdvice() const { return emptyLineAdvice_; }

 private:
  explicit LinkEnvironment(std::vector<UsbId> usbIdOption);
  void ApplySimFaults(const CommonOptions& options);
  Outcome MakeSimLine(const CommonOptions& options);
  // --usb-id, ORTEN_USB_ID or the remembered IDs, as they are at the time of asking.
  UsbIdLookup UsbIds() const;

  std::unique_ptr<SimClock> simClock_;
  std::unique_ptr<SimBus> simBus_;
  std::shared_ptr<SimDevice> simDevice_;
  std::unique_ptr<SimStateFile> simState_;
  std::unique_ptr<SimLine> simLine_;
  std::unique_ptr<Transport> transport_;
  std::vector<UsbId> usbIdOption_;
  std::unique_ptr<DevicePresence> presence_;
  TraceLog trace_;
  std::string emptyLineAdvice_;
};

}  // namespace orten
