#include "transport/LibusbPresence.h"

#include <libusb.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "transport/LibusbMatch.h"
#include "transport/UsbDeviceScan.h"

namespace orten {

struct LibusbPresence::Impl {
  std::vector<UsbId> ids;
  std::string lookupError;  // why the IDs are not known, when they could not be read
  libusb_context* context = nullptr;
  std::vector<libusb_hotplug_callback_handle> callbacks;
  int changed = 0;  // set by the hotplug callback, which runs inside handle_events
  LinkFault fault = LinkFault::None;
  std::string error;
  std::vector<std::string> places;  // of the devices the last Count found

  static int LIBUSB_CALL OnHotplug(libusb_context*, libusb_device*, libusb_hotplug_event,
                                   void* self) {
    static_cast<Impl*>(self)->changed = 1;
    return 0;  // stay registered
  }
};

LibusbPresence::LibusbPresence(const UsbIdLookup& lookup) : impl_(std::make_unique<Impl>()) {
  Impl& d = *impl_;
  if (Result<std::vector<UsbId>> ids = lookup()) {
    d.ids = std::move(*ids);
  } else {
    d.lookupError = ids.outcome().detail;
  }
  if (const int rc = libusb_init(&d.context); rc != 0) {
    d.context = nullptr;
    d.fault = LinkFault::Unavailable;
    d.error = libusb_strerror(rc);
    return;
  }
  if (!libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG)) return;
  // Registered before the first look, so no arrival between the two is missed.
  for (const UsbId& id : d.ids) {
    libusb_hotplug_callback_handle handle = 0;
    if (libusb_hotplug_register_callback(
            d.context,
            static_cast<libusb_hotplug_event>(LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED |
                                              LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT),
            static_cast<libusb_hotplug_flag>(0), id.vendor, id.product, LIBUSB_HOTPLUG_MATCH_ANY,
            &Impl::OnHotplug, &d, &handle) == LIBUSB_SUCCESS) {
      d.callbacks.push_back(handle);
    }
  }
}

LibusbPresence::~LibusbPresence() {
  if (!impl_->context) return;
  for (libusb_hotplug_callback_handle handle : impl_->callbacks) {
    libusb_hotplug_deregister_callback(impl_->context, handle);
  }
  libusb_exit(impl_->context);
}

bool LibusbPresence::HasHotplug() const {
  return !impl_->callbacks.empty();
}

bool LibusbPresence::Count(std::uint32_t& count) {
  Impl& d = *impl_;
  count = 0;
  if (!d.context) return false;  // the reason libusb_init gave stays
  if (d.ids.empty()) {
    d.fault = LinkFault::NotConfigured;
    d.error = d.lookupError.empty() ? kUsbIdsNotConfigured : d.lookupError;
    return false;
  }
  libusb_device** list = nullptr;
  const ssize_t total = libusb_get_device_list(d.context, &list);
  if (total < 0) {
    d.fault = total == LIBUSB_ERROR_ACCESS ? LinkFault::Access : LinkFault::Io;
    d.error = libusb_strerror(static_cast<int>(total));
    return false;
  }
  const std::vector<MatchedUsbDevice> matched = DevicesWithIds(list, total, d.ids);
  count = static_cast<std::uint32_t>(matched.size());
  d.places.clear();
  for (const MatchedUsbDevice& m : matched) {
    std::uint8_t ports[8];
    const int depth = libusb_get_port_numbers(m.device, ports, sizeof ports);
    d.places.push_back(UsbPortPath(libusb_get_bus_number(m.device),
                                   std::vector<std::uint8_t>(ports, ports + std::max(depth, 0))));
  }
  libusb_free_device_list(list, 1);
  d.fault = LinkFault::None;
  d.error.clear();
  return true;
}

void LibusbPresence::WaitForChange(int timeoutMs) {
  Impl& d = *impl_;
  if (!HasHotplug()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
    return;
  }
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  d.changed = 0;
  while (!d.changed) {
    const auto left =
        std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
    if (left <= 0) break;
    timeval tv{static_cast<time_t>(left / 1000000), static_cast<suseconds_t>(left % 1000000)};
    libusb_handle_events_timeout_completed(d.context, &tv, &d.changed);
  }
}

std::vector<std::string> LibusbPresence::Places() const {
  return impl_->places;
}

LinkFault LibusbPresence::LastFault() const {
  return impl_->fault;
}
std::string LibusbPresence::LastErrorText() const {
  return impl_->error;
}

}  // namespace orten
