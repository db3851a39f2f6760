// The USB listing behind `ortenctl usb`: descriptors only, plus a moment's
// open to learn whether this user may use the device.
#include <libusb.h>

#include <algorithm>
#include <fstream>
#include <memory>

#include "transport/UsbDeviceScan.h"

namespace orten {

namespace {

constexpr unsigned kStringTimeoutMs = 500;

struct ContextCloser {
  void operator()(libusb_context* context) const { libusb_exit(context); }
};
struct ListFreer {
  void operator()(libusb_device** list) const { libusb_free_device_list(list, 1); }
};
struct HandleCloser {
  void operator()(libusb_device_handle* handle) const { libusb_close(handle); }
};
using Handle = std::unique_ptr<libusb_device_handle, HandleCloser>;

std::vector<UsbInterfaceInfo> InterfacesOf(libusb_device* device) {
  std::vector<UsbInterfaceInfo> result;
  libusb_config_descriptor* config = nullptr;
  // Unconfigured devices have no active configuration: the first one is what they offer.
  if (libusb_get_active_config_descriptor(device, &config) != 0 &&
      libusb_get_config_descriptor(device, 0, &config) != 0) {
    return result;
  }
  for (int i = 0; i < config->bNumInterfaces; ++i) {
    const libusb_interface& interface = config->interface[i];
    for (int a = 0; a < interface.num_altsetting; ++a) {
      const libusb_interface_descriptor& alt = interface.altsetting[a];
      UsbInterfaceInfo info{alt.bInterfaceNumber, alt.bAlternateSetting, alt.bInterfaceClass, {}};
      for (int e = 0; e < alt.bNumEndpoints; ++e) {
        info.endpoints.push_back({alt.endpoint[e].bEndpointAddress, alt.endpoint[e].bmAttributes});
      }
      result.push_back(std::move(info));
    }
  }
  libusb_free_config_descriptor(config);
  return result;
}

// The kernel keeps the device's strings in sysfs, readable without opening it.
std::string SysfsText(const std::string& port, const char* attribute) {
  std::ifstream in("/sys/bus/usb/devices/" + port + "/" + attribute);
  std::string line;
  std::getline(in, line);
  return line;
}

void AppendUtf8(std::string& out, unsigned code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// A string descriptor in the device's first language, UTF-16 turned into
// UTF-8 (surrogates, which no maker string needs, become '?').
std::string DescriptorText(libusb_device_handle* handle, std::uint8_t index) {
  if (!handle || index == 0) return {};
  unsigned char buffer[256];
  int rc = libusb_get_string_descriptor(handle, 0, 0, buffer, sizeof buffer);
  if (rc < 4) return {};
  const std::uint16_t language = static_cast<std::uint16_t>(buffer[2] | (buffer[3] << 8));
  rc = libusb_control_transfer(handle, LIBUSB_ENDPOINT_IN, LIBUSB_REQUEST_GET_DESCRIPTOR,
                               static_cast<std::uint16_t>((LIBUSB_DT_STRING << 8) | index),
                               language, buffer, sizeof buffer, kStringTimeoutMs);
  if (rc < 2 || buffer[1] != LIBUSB_DT_STRING) return {};
  const int length = std::min<int>(rc, buffer[0]);
  std::string text;
  for (int i = 2; i + 1 < length; i += 2) {
    const unsigned code = buffer[i] | (buffer[i + 1] << 8);
    AppendUtf8(text, code >= 0xD800 && code <= 0xDFFF ? '?' : code);
  }
  return text;
}

UsbDeviceInfo Describe(libusb_device* device, const libusb_device_descriptor& desc,
                       const std::vector<UsbId>& configured) {
  UsbDeviceInfo info;
  info.id = {desc.idVendor, desc.idProduct};
  std::uint8_t ports[8];
  const int depth = libusb_get_port_numbers(device, ports, sizeof ports);
  info.port = UsbPortPath(libusb_get_bus_number(device),
                          std::vector<std::uint8_t>(ports, ports + std::max(depth, 0)));
  info.receiverInterface = ReceiverInterface(InterfacesOf(device));
  info.configured = std::find(configured.begin(), configured.end(), info.id) != configured.end();

  libusb_device_handle* raw = nullptr;
  const int rc = libusb_open(device, &raw);
  const Handle handle(rc == 0 ? raw : nullptr);
  info.access = rc == 0                     ? UsbAccess::Yes
                : rc == LIBUSB_ERROR_ACCESS ? UsbAccess::No
                                            : UsbAccess::Unknown;
  info.manufacturer = SysfsText(info.port, "manufacturer");
  if (info.manufacturer.empty())
    info.manufacturer = DescriptorText(handle.get(), desc.iManufacturer);
  info.product = SysfsText(info.port, "product");
  if (info.product.empty()) info.product = DescriptorText(handle.get(), desc.iProduct);
  return info;
}

}  // namespace

UsbScan ScanUsbDevices(const std::vector<UsbId>& configured) {
  UsbScan scan;
  libusb_context* raw = nullptr;
  if (const int rc = libusb_init(&raw); rc != 0) {
    scan.fault = LinkFault::Unavailable;
    scan.error = libusb_strerror(rc);
    return scan;
  }
  const std::unique_ptr<libusb_context, ContextCloser> context(raw);
  libusb_device** rawList = nullptr;
  const ssize_t total = libusb_get_device_list(context.get(), &rawList);
  if (total < 0) {
    scan.fault = total == LIBUSB_ERROR_ACCESS ? LinkFault::Access : LinkFault::Io;
    scan.error = libusb_strerror(static_cast<int>(total));
    return scan;
  }
  const std::unique_ptr<libusb_device*, ListFreer> list(rawList);
  for (ssize_t i = 0; i < total; ++i) {
    libusb_device_descriptor desc{};
    if (libusb_get_device_descriptor(list.get()[i], &desc) != 0) continue;
    scan.devices.push_back(Describe(list.get()[i], desc, configured));
  }
  scan.ok = true;
  return scan;
}

}  // namespace orten
