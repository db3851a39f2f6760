#pragma once

#include <libusb.h>

#include <algorithm>
#include <vector>

#include "transport/UsbId.h"

namespace orten {

struct MatchedUsbDevice {
  libusb_device* device;
  UsbId id;
};

// The devices of a libusb device list whose IDs are among ids, in list
// order: what discovery opens and what a presence wait counts.
inline std::vector<MatchedUsbDevice> DevicesWithIds(libusb_device* const* list, ssize_t total,
                                                    const std::vector<UsbId>& ids) {
  std::vector<MatchedUsbDevice> matched;
  for (ssize_t i = 0; i < total; ++i) {
    libusb_device_descriptor desc{};
    if (libusb_get_device_descriptor(list[i], &desc) != 0) continue;
    const UsbId id{desc.idVendor, desc.idProduct};
    if (std::find(ids.begin(), ids.end(), id) != ids.end()) matched.push_back({list[i], id});
  }
  return matched;
}

}  // namespace orten
