#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "transport/Transport.h"
#include "transport/UsbId.h"

namespace orten {

// Descriptor data of one interface setting, as the candidate rule needs it.
struct UsbEndpointInfo {
  std::uint8_t address = 0;     // bEndpointAddress: bit 7 set for IN
  std::uint8_t attributes = 0;  // bmAttributes: low two bits are the transfer type
};
struct UsbInterfaceInfo {
  std::uint8_t number = 0;
  std::uint8_t alternate = 0;
  std::uint8_t interfaceClass = 0;
  std::vector<UsbEndpointInfo> endpoints;
};

inline constexpr std::uint8_t kVendorSpecificClass = 0xFF;

// The receiver shows one vendor-specific interface with exactly one bulk IN
// and one bulk OUT endpoint. The number of the first interface that does, if any.
std::optional<std::uint8_t> ReceiverInterface(const std::vector<UsbInterfaceInfo>& interfaces);

enum class UsbAccess { Yes, No, Unknown };

// One USB device as `ortenctl usb` lists it.
struct UsbDeviceInfo {
  UsbId id;
  std::string port;  // bus and port path as sysfs names it: "1-2.3", "usb1" for a root hub
  std::string manufacturer;
  std::string product;
  UsbAccess access = UsbAccess::Unknown;
  std::optional<std::uint8_t> receiverInterface;  // set when it could be the receiver
  bool configured = false;                        // its ID is one of the configured ones
};

struct UsbScan {
  bool ok = false;
  LinkFault fault = LinkFault::None;  // Unavailable or the listing's failure
  std::string error;
  std::vector<UsbDeviceInfo> devices;  // in the system's order
};

// "1-2.3" from bus 1 and ports {2, 3}; "usb1" without ports (a root hub).
std::string UsbPortPath(std::uint8_t bus, const std::vector<std::uint8_t>& ports);

#ifndef _WIN32
// Every USB device the system lists, each opened for a moment to see
// whether this user may (nothing is claimed). Linux only: on Windows the
// device's driver finds it.
UsbScan ScanUsbDevices(const std::vector<UsbId>& configured);
#endif

}  // namespace orten
