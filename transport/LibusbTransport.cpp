#include "transport/LibusbTransport.h"

#include <libusb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>

#include "base/Wording.h"
#include "transport/DiscoveryAdvice.h"
#include "transport/LibusbMatch.h"

namespace orten {

namespace {

constexpr int kWriteTimeoutMs = 2000;
constexpr int kDrainTimeoutMs = 1;
constexpr int kDrainPacketLimit = 16;
constexpr int kInterface = 0;

constexpr const char* kDeviceGone = "Прибор отключен от линии USB: связь с ним потеряна.";
constexpr const char* kNotOpen = "Канал связи с прибором не открыт.";
constexpr const char* kBusyPrefix = "Прибор занят другой программой";

std::string LibusbText(int rc) {
  return rc == LIBUSB_ERROR_NO_DEVICE ? kDeviceGone : libusb_strerror(rc);
}

LinkFault FaultOf(int rc) {
  switch (rc) {
    case LIBUSB_ERROR_TIMEOUT:
      return LinkFault::Timeout;
    case LIBUSB_ERROR_NO_DEVICE:
      return LinkFault::NoDevice;
    case LIBUSB_ERROR_ACCESS:
      return LinkFault::Access;
    default:
      return LinkFault::Io;
  }
}

// The "Error" box says what was refused; the rule that helps is the advice,
// which the window puts into its offer to install it.
std::string PermissionText(const UsbId& id, libusb_device* device) {
  return "Нет прав на доступ к прибору USB " + FormatUsbId(id) + " (шина " +
         std::to_string(libusb_get_bus_number(device)) + ", адрес " +
         std::to_string(libusb_get_device_address(device)) + ").";
}

}  // namespace

struct LibusbTransport::Impl {
  UsbIdLookup lookup;
  std::vector<UsbId> ids;
  libusb_context* context = nullptr;
  libusb_device_handle* handle = nullptr;
  PipeState state = PipeState::None;
  bool kernelDriverDetached = false;
  bool dead = false;  // the device went away: fail at once until the next discovery
  std::uint8_t endpointOut = 0;
  std::uint8_t endpointIn = 0;
  int inPacketSize = 64;
  std::deque<std::uint8_t> received;  // whole IN packets, served in the sizes asked for
  std::uint32_t count = 0;
  std::string error;
  std::string advice;  // for the device this discovery could not open: its udev rule
  LinkFault fault = LinkFault::None;

  void Fail(int rc) {
    error = LibusbText(rc);
    fault = FaultOf(rc);
    if (rc == LIBUSB_ERROR_NO_DEVICE) dead = true;
  }
  void FailIo(std::string text) {
    error = std::move(text);
    fault = LinkFault::Io;
  }
  // A failed transfer on an endpoint. A stalled endpoint is cleared at once,
  // so the next exchange works without replugging the device.
  void FailTransfer(int rc, std::uint8_t endpoint) {
    Fail(rc);
    if (rc == LIBUSB_ERROR_PIPE && libusb_clear_halt(handle, endpoint) == 0)
      error += " (конечная точка сброшена, операцию можно повторить)";
  }
  bool Usable() {
    if (state != PipeState::Open) {
      FailIo(kNotOpen);
      return false;
    }
    if (dead) {
      Fail(LIBUSB_ERROR_NO_DEVICE);
      return false;
    }
    return true;
  }
  void Refuse(const UsbId& id, libusb_device* device) {
    error = PermissionText(id, device);
    advice = UdevAdvice(id);
    fault = LinkFault::Access;
  }
  bool Open(libusb_device* device, const UsbId& id);
  bool FindEndpoints(libusb_device* device);
  bool Write(const std::uint8_t* data, int size);
  ReadStatus Read(std::uint8_t* out, std::size_t size, int timeoutMs);
  void Drain();
  void Close();
};

bool LibusbTransport::Impl::FindEndpoints(libusb_device* device) {
  libusb_config_descriptor* config = nullptr;
  const int rc = libusb_get_active_config_descriptor(device, &config);
  if (rc != 0) {
    Fail(rc);
    return false;
  }
  endpointOut = endpointIn = 0;
  if (config->bNumInterfaces > kInterface && config->interface[kInterface].num_altsetting > 0) {
    const libusb_interface_descriptor& alt = config->interface[kInterface].altsetting[0];
    for (int i = 0; i < alt.bNumEndpoints; ++i) {
      const libusb_endpoint_descriptor& ep = alt.endpoint[i];
      if ((ep.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) != LIBUSB_TRANSFER_TYPE_BULK) continue;
      if ((ep.bEndpointAddress & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_IN) {
        if (endpointIn == 0) {
          endpointIn = ep.bEndpointAddress;
          inPacketSize = std::max<int>(ep.wMaxPacketSize & 0x7FF, 1);
        }
      } else if (endpointOut == 0) {
        endpointOut = ep.bEndpointAddress;
      }
    }
  }
  libusb_free_config_descriptor(config);
  if (endpointIn == 0 || endpointOut == 0) {
    FailIo("У интерфейса 0 прибора нет пары конечных точек bulk IN и OUT.");
    return false;
  }
  return true;
}

bool LibusbTransport::Impl::Open(libusb_device* device, const UsbId& id) {
  int rc = libusb_open(device, &handle);
  if (rc != 0) {
    handle = nullptr;
    if (rc == LIBUSB_ERROR_ACCESS) {
      Refuse(id, device);
    } else {
      Fail(rc);
    }
    return false;
  }
  // Set the configuration only when the device has none: setting it again
  // would reset a configured device under a bound driver.
  int current = 0;
  if (libusb_get_configuration(handle, &current) == 0 && current == 0) {
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_config_descriptor(device, 0, &config) == 0) {
      libusb_set_configuration(handle, config->bConfigurationValue);
      libusb_free_config_descriptor(config);
    }
  }
  if (libusb_kernel_driver_active(handle, kInterface) == 1) {
    rc = libusb_detach_kernel_driver(handle, kInterface);
    if (rc != 0 && rc != LIBUSB_ERROR_NOT_FOUND) {
      Fail(rc);
      if (rc == LIBUSB_ERROR_ACCESS) Refuse(id, device);
      return false;
    }
    kernelDriverDetached = rc == 0;
  }
  rc = libusb_claim_interface(handle, kInterface);
  if (rc != 0) {
    Fail(rc);
    if (rc == LIBUSB_ERROR_ACCESS) Refuse(id, device);
    if (rc == LIBUSB_ERROR_BUSY) {
      // Another program has claimed it: the same words as for the simulation.
      error = std::string(kBusyPrefix) + " (" + libusb_strerror(rc) + ").";
      fault = LinkFault::Busy;
    }
    return false;
  }
  return FindEndpoints(device);
}

bool LibusbTransport::Impl::Write(const std::uint8_t* data, int size) {
  if (!Usable()) return false;
  int written = 0;
  const int rc = libusb_bulk_transfer(handle, endpointOut, const_cast<std::uint8_t*>(data), size,
                                      &written, kWriteTimeoutMs);
  if (rc != 0) {
    FailTransfer(rc, endpointOut);
    return false;
  }
  if (written != size) {
    FailIo(ShortTransferText("Записан", "Записано", static_cast<std::uintmax_t>(written),
                             static_cast<std::uintmax_t>(size)) +
           ".");
    return false;
  }
  return true;
}

ReadStatus LibusbTransport::Impl::Read(std::uint8_t* out, std::size_t size, int timeoutMs) {
  if (!Usable()) return ReadStatus::Failed;
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::vector<std::uint8_t> packet(static_cast<std::size_t>(inPacketSize));
  while (received.size() < size) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    // A whole packet at a time: asking for less than the device sends overflows.
    int got = 0;
    const int rc = libusb_bulk_transfer(handle, endpointIn, packet.data(), inPacketSize, &got,
                                        static_cast<unsigned>(std::max<long long>(left, 1)));
    received.insert(received.end(), packet.begin(), packet.begin() + std::max(got, 0));
    if (rc == LIBUSB_ERROR_TIMEOUT) {
      if (received.size() >= size) break;
      Fail(rc);
      return ReadStatus::TimedOut;  // what came stays queued for the next slice
    }
    if (rc != 0) {
      FailTransfer(rc, endpointIn);
      received.clear();  // a failed read leaves nothing of its reply behind
      return ReadStatus::Failed;
    }
  }
  std::copy_n(received.begin(), size, out);
  received.erase(received.begin(), received.begin() + static_cast<std::ptrdiff_t>(size));
  return ReadStatus::Ok;
}

// Drops whatever the device has already queued, without waiting for more.
void LibusbTransport::Impl::Drain() {
  std::vector<std::uint8_t> packet(static_cast<std::size_t>(inPacketSize));
  for (int i = 0; i < kDrainPacketLimit; ++i) {
    int got = 0;
    const int rc = libusb_bulk_transfer(handle, endpointIn, packet.data(), inPacketSize, &got,
                                        kDrainTimeoutMs);
    if (rc == LIBUSB_ERROR_TIMEOUT) return;  // nothing more queued: the usual end
    if (rc != 0) {
      // The flush has no result of its own: the next transfer reports a
      // device that is gone, and a stall is cleared now.
      FailTransfer(rc, endpointIn);
      return;
    }
  }
}

void LibusbTransport::Impl::Close() {
  if (handle) {
    libusb_release_interface(handle, kInterface);
    if (kernelDriverDetached) libusb_attach_kernel_driver(handle, kInterface);
    libusb_close(handle);
  }
  handle = nullptr;
  kernelDriverDetached = false;
  dead = false;
  state = PipeState::None;
  received.clear();
}

LibusbTransport::LibusbTransport(std::vector<UsbId> ids)
    : LibusbTransport([ids = std::move(ids)]() -> Result<std::vector<UsbId>> { return ids; }) {}

LibusbTransport::LibusbTransport(UsbIdLookup lookup) : impl_(std::make_unique<Impl>()) {
  impl_->lookup = std::move(lookup);
  libusb_setlocale("ru");  // the window speaks Russian; unknown locales keep English
  const int rc = libusb_init(&impl_->context);
  if (rc != 0) {
    impl_->context = nullptr;
    impl_->Fail(rc);
  }
}

LibusbTransport::~LibusbTransport() {
  impl_->Close();
  if (impl_->context) libusb_exit(impl_->context);
}

bool LibusbTransport::DiscoverDevice() {
  Impl& d = *impl_;
  d.Close();
  d.count = 0;
  if (!d.context) {
    d.fault = LinkFault::Unavailable;  // the text stays the reason libusb_init gave
    return false;
  }
  d.error.clear();
  d.advice.clear();
  d.fault = LinkFault::None;
  d.ids.clear();
  if (Result<std::vector<UsbId>> ids = d.lookup(); !ids) {
    const std::string& why = ids.outcome().detail;
    d.error = why.empty() ? kUsbIdsNotConfigured : why;  // NotFoundReason shows it
    d.fault = LinkFault::NotConfigured;
    return false;
  } else {
    d.ids = std::move(*ids);
  }
  if (d.ids.empty()) {
    d.error = kUsbIdsNotConfigured;
    d.fault = LinkFault::NotConfigured;
    return false;
  }
  libusb_device** list = nullptr;
  const ssize_t total = libusb_get_device_list(d.context, &list);
  if (total < 0) {
    d.Fail(static_cast<int>(total));
    return false;
  }
  const std::vector<MatchedUsbDevice> matched = DevicesWithIds(list, total, d.ids);
  d.count = static_cast<std::uint32_t>(matched.size());
  // Only the one device is opened: several devices leave no handle behind.
  if (d.count == 1) {
    d.state = d.Open(matched[0].device, matched[0].id) ? PipeState::Open : PipeState::Invalid;
    if (d.state == PipeState::Invalid && d.handle) {
      std::string why = d.error;  // Close() keeps the reason
      d.Close();
      d.state = PipeState::Invalid;
      d.error = why;
    }
  }
  libusb_free_device_list(list, 1);
  return d.count == 1;
}

std::uint32_t LibusbTransport::DeviceCount() const {
  return impl_->count;
}

bool LibusbTransport::WriteByte(std::uint8_t byte) {
  return impl_->Write(&byte, 1);
}

bool LibusbTransport::WriteChunk(const Chunk& chunk) {
  return impl_->Write(chunk.data(), static_cast<int>(chunk.size()));
}

ReadStatus LibusbTransport::ReadByte(std::uint8_t& byte, int timeoutMs) {
  return impl_->Read(&byte, 1, timeoutMs);
}

ReadStatus LibusbTransport::ReadChunk(Chunk& chunk, int timeoutMs) {
  return impl_->Read(chunk.data(), chunk.size(), timeoutMs);
}

void LibusbTransport::FlushWritePipe() {}  // bulk writes are done when they return

void LibusbTransport::DiscardInput() {
  impl_->received.clear();
}

void LibusbTransport::FlushReadPipe() {
  Impl& d = *impl_;
  d.received.clear();
  if (d.state == PipeState::Open && !d.dead) d.Drain();
}

void LibusbTransport::CloseLink() {
  impl_->Close();
}

PipeState LibusbTransport::WritePipeState() const {
  return impl_->state;
}
PipeState LibusbTransport::ReadPipeState() const {
  return impl_->state;
}
std::string LibusbTransport::LastErrorText() const {
  return impl_->error;
}
LinkFault LibusbTransport::LastFault() const {
  return impl_->fault;
}
std::string LibusbTransport::OpenAdvice() const {
  return impl_->advice;
}

}  // namespace orten
