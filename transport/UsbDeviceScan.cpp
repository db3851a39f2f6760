#include "transport/UsbDeviceScan.h"

namespace orten {

namespace {

constexpr std::uint8_t kTransferTypeMask = 0x03;
constexpr std::uint8_t kTransferBulk = 0x02;
constexpr std::uint8_t kDirectionIn = 0x80;

}  // namespace

std::optional<std::uint8_t> ReceiverInterface(const std::vector<UsbInterfaceInfo>& interfaces) {
  for (const UsbInterfaceInfo& setting : interfaces) {
    if (setting.interfaceClass != kVendorSpecificClass) continue;
    int in = 0;
    int out = 0;
    for (const UsbEndpointInfo& ep : setting.endpoints) {
      if ((ep.attributes & kTransferTypeMask) != kTransferBulk) continue;
      ++((ep.address & kDirectionIn) ? in : out);
    }
    if (in == 1 && out == 1) return setting.number;
  }
  return std::nullopt;
}

std::string UsbPortPath(std::uint8_t bus, const std::vector<std::uint8_t>& ports) {
  if (ports.empty()) return "usb" + std::to_string(bus);
  std::string path = std::to_string(bus) + "-";
  for (std::size_t i = 0; i < ports.size(); ++i) {
    if (i > 0) path += '.';
    path += std::to_string(ports[i]);
  }
  return path;
}

}  // namespace orten
