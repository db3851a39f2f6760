#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "base/Pacer.h"
#include "transport/UsbId.h"
#include "sim/SimDevice.h"

// umockdev's types, kept out of the tests' sight.
typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;
typedef struct _UMockdevIoctlData UMockdevIoctlData;

namespace orten::test {

// Time as the emulated device sees it: moved on only by the pacer's pauses,
// and read from umockdev's thread while the test's thread moves it.
class SharedClock {
 public:
  std::int64_t NowUs() const { return nowUs_.load(); }
  void Advance(int ms) { nowUs_ += std::int64_t{ms} * 1000; }

 private:
  std::atomic<std::int64_t> nowUs_{0};
};

// Pauses cost no time but move the device's clock, so its pacing checks see
// what they would see with real pauses.
class ClockPacer final : public Pacer {
 public:
  explicit ClockPacer(SharedClock& clock) : clock_(clock) {}
  void Pause(int ms) override {
    pauses_.push_back(ms);
    clock_.Advance(ms);
  }
  void Pump() override {}
  const std::vector<int>& pauses() const { return pauses_; }

 private:
  SharedClock& clock_;
  std::vector<int> pauses_;
};

struct EmulatedDeviceSetup {
  UsbId id{0x16c0, 0x05dc};
  std::uint8_t version = 45;
  int inPacketSize = 64;  // wMaxPacketSize of the bulk IN endpoint
  bool bulkPair = true;   // false: interface 0 has a bulk IN and an interrupt OUT
};

// What the USB side of the device does wrong. Byte positions count from the
// moment the faults are set: host bytes for OUT, device bytes for IN.
struct UsbFaults {
  std::optional<std::uint64_t> stallOutAtByte;  // that OUT URB ends -EPIPE; halted until cleared
  std::optional<std::uint64_t> stallInAtByte;   // the IN URB that would carry it ends -EPIPE
  std::optional<std::uint64_t> unplugAtByte;    // that OUT URB ends -ENODEV; the device is gone
  std::optional<std::uint64_t> silentAtByte;    // the IN endpoint sends nothing from there on
  // How long the silence lasts; 0: until the host writes again, which makes
  // the device drop the rest of the reply it was sending.
  int silentForMs = 0;
};

class UsbEmulator;

// One emulated device: its usbdevfs URBs are answered by a SimDevice, so the
// same protocol model answers through real libusb calls. Everything here is
// shared with umockdev's thread and taken under one lock.
class EmulatedUsbDevice {
 public:
  EmulatedUsbDevice(const EmulatedDeviceSetup& setup, std::function<std::int64_t()> now);
  ~EmulatedUsbDevice();
  EmulatedUsbDevice(const EmulatedUsbDevice&) = delete;
  EmulatedUsbDevice& operator=(const EmulatedUsbDevice&) = delete;

  void SetFaults(const UsbFaults& faults);
  // Runs f on the simulated device under the lock.
  template <typename F>
  auto WithSim(F f) {
    std::lock_guard lock(mutex_);
    return f(sim_);
  }
  // Sizes of the IN packets handed to the host, in order.
  std::vector<int> InPackets() const;
  // Endpoints the host cleared with CLEAR_HALT, in order.
  std::vector<unsigned> ClearedHalts() const;
  bool Gone() const;
  // URBs submitted and never reaped: a transport that leaves one behind leaks.
  std::size_t UrbsInFlight() const;

  const EmulatedDeviceSetup& setup() const { return setup_; }

 private:
  friend class UsbEmulator;
  struct Urb {
    UMockdevIoctlData* urb = nullptr;     // the client's usbdevfs_urb
    UMockdevIoctlData* buffer = nullptr;  // its data buffer
    unsigned endpoint = 0;
    int status = 0;
    int actual = 0;
  };

  static int OnIoctl(UMockdevIoctlBase* base, UMockdevIoctlClient* client, void* self);
  bool Handle(UMockdevIoctlClient* client);
  void Submit(UMockdevIoctlClient* client);
  void Reap(UMockdevIoctlClient* client);
  void Discard(UMockdevIoctlClient* client);
  void ClearHalt(UMockdevIoctlClient* client);
  void TakeOut(Urb urb);
  void ServeIn();
  static void Release(Urb& urb);

  EmulatedDeviceSetup setup_;
  std::function<std::int64_t()> now_;
  UMockdevIoctlBase* handler_ = nullptr;
  mutable std::mutex mutex_;
  SimDevice sim_;
  UsbFaults faults_;
  std::uint64_t hostBytes_ = 0;
  std::uint64_t deviceBytes_ = 0;
  bool outHalted_ = false;
  bool inHalted_ = false;
  bool gone_ = false;
  bool silent_ = false;
  std::int64_t silentUntilMs_ = 0;  // steady clock; 0 while silent until the next write
  std::deque<Urb> waitingIn_;
  std::deque<Urb> finished_;
  std::vector<int> inPackets_;
  std::vector<unsigned> clearedHalts_;
};

// A umockdev testbed holding emulated USB devices. The program must run
// under umockdev-wrapper (or with libumockdev-preload.so.0 preloaded).
class UsbEmulator {
 public:
  explicit UsbEmulator(std::function<std::int64_t()> now);
  ~UsbEmulator();
  UsbEmulator(const UsbEmulator&) = delete;
  UsbEmulator& operator=(const UsbEmulator&) = delete;

  static bool InMockEnvironment();

  EmulatedUsbDevice& Plug(const EmulatedDeviceSetup& setup = {});
  // What the kernel does after an unplug: the device leaves sysfs and /dev.
  void Remove(EmulatedUsbDevice& device);
  // The device node refuses to open (mode 000; root also needs Unprivileged).
  void DenyAccess(EmulatedUsbDevice& device);
  std::vector<EmulatedUsbDevice*> Devices() const;

 private:
  struct Entry {
    std::unique_ptr<EmulatedUsbDevice> device;
    std::string syspath;
    std::string node;
  };
  Entry& EntryOf(EmulatedUsbDevice& device);

  std::function<std::int64_t()> now_;
  UMockdevTestbed* testbed_ = nullptr;
  std::string root_;
  std::vector<Entry> entries_;
};

// While alive, the calling thread lacks the capabilities that let root open
// any file, so a node's permissions apply to it as to a user.
class Unprivileged {
 public:
  Unprivileged();
  ~Unprivileged();
  Unprivileged(const Unprivileged&) = delete;
  Unprivileged& operator=(const Unprivileged&) = delete;

 private:
  std::uint32_t saved_[2] = {0, 0};
  bool dropped_ = false;
};

}  // namespace orten::test
