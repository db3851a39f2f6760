#include "transport/UsbDeviceScan.h"

#include <algorithm>
#include <cctype>

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

std::vector<UsbDeviceInfo> ReceiverCandidates(std::vector<UsbDeviceInfo> devices) {
  std::erase_if(devices, [](const UsbDeviceInfo& d) { return !d.receiverInterface; });
  // By bus and port, as numbers ("1-2" before "1-10"): the system's order
  // changes from one listing to the next, a chooser's rows should not.
  const auto numbers = [](const std::string& port) {
    std::vector<unsigned long> parts;
    for (std::size_t i = 0; i < port.size();) {
      if (!std::isdigit(static_cast<unsigned char>(port[i]))) {
        ++i;
        continue;
      }
      std::size_t end = i;
      while (end < port.size() && std::isdigit(static_cast<unsigned char>(port[end]))) ++end;
      parts.push_back(std::stoul(port.substr(i, std::min<std::size_t>(end - i, 9))));
      i = end;
    }
    return parts;
  };
  std::stable_sort(devices.begin(), devices.end(),
                   [&](const UsbDeviceInfo& a, const UsbDeviceInfo& b) {
                     return numbers(a.port) < numbers(b.port);
                   });
  return devices;
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
