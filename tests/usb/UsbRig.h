#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "protocol/DeviceLink.h"
#include "transport/LibusbTransport.h"
#include "tests/support/ScriptedUi.h"
#include "tests/support/TraceCapture.h"
#include "tests/usb/UsbEmulator.h"

namespace orten::test {

// The IDs the transport is told to look for; the emulated devices carry them.
inline const UsbId kTestUsbId{0x16c0, 0x05dc};

// Emulated devices, the libusb transport and a traced link with a scripted
// user: what every test here starts from. Plug devices, then Start().
class UsbRig : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(UsbEmulator::InMockEnvironment()) << "run under umockdev-wrapper";
  }
  // Every URB libusb submitted came back to it: nothing leaks, nothing hangs.
  void TearDown() override {
    link_.reset();
    transport_.reset();
    for (EmulatedUsbDevice* device : usb_.Devices()) EXPECT_EQ(device->UrbsInFlight(), 0u);
  }
  void Start() {
    transport_ = std::make_unique<LibusbTransport>(std::vector<UsbId>{kTestUsbId});
    link_ = std::make_unique<DeviceLink>(*transport_, pacer_, ui_, trace_.log());
  }
  // One device, found and with its pipes open.
  EmulatedUsbDevice& StartWithOne(const EmulatedDeviceSetup& setup = {}) {
    EmulatedUsbDevice& device = usb_.Plug(setup);
    Start();
    EXPECT_TRUE(link_->DiscoverDevice());
    return device;
  }
  std::vector<std::string> Boxes() const { return ui_.Messages(); }

  SharedClock clock_;
  ClockPacer pacer_{clock_};
  ScriptedUi ui_;
  TraceCapture trace_;
  UsbEmulator usb_{[this] { return clock_.NowUs(); }};
  // Declared after the emulator: libusb lets go of the devices before they vanish.
  std::unique_ptr<LibusbTransport> transport_;
  std::unique_ptr<DeviceLink> link_;
};

}  // namespace orten::test
