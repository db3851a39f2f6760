#include "tests/usb/UsbEmulator.h"

// clang-format off
#include <sys/ioctl.h>  // before the usbdevfs header, which uses its macros
#include <linux/usbdevice_fs.h>
// clang-format on
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <span>
#include <stdexcept>

namespace orten::test {

namespace {

std::int64_t SteadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

constexpr unsigned kDirIn = 0x80;  // the direction bit of an endpoint address

bool Reached(const std::optional<std::uint64_t>& at, std::uint64_t first, std::size_t count) {
  return at && *at >= first && *at < first + count;
}

usbdevfs_urb& UrbOf(UMockdevIoctlData* data) {
  return *reinterpret_cast<usbdevfs_urb*>(data->data);
}

void Complete(UMockdevIoctlClient* client, long result, int error = 0) {
  umockdev_ioctl_client_complete(client, result, error);
}

// Device, configuration, interface 0 and its two endpoints (OUT 0x01, IN 0x81).
std::string DescriptorHex(const EmulatedDeviceSetup& setup) {
  const int in = setup.inPacketSize;
  const unsigned outType = setup.bulkPair ? 0x02 : 0x03;  // bulk, or interrupt
  char hex[256];
  std::snprintf(hex, sizeof hex,
                "12010002000000%02x%02x%02x%02x%02x000100000001"
                "0902200001010080320904000002ff000000"
                "070501%02x4000%02x"
                "07058102%02x%02x00",
                64, setup.id.vendor & 0xFF, setup.id.vendor >> 8, setup.id.product & 0xFF,
                setup.id.product >> 8, outType, outType == 0x03 ? 1 : 0, in & 0xFF, in >> 8);
  return hex;
}

}  // namespace

EmulatedUsbDevice::EmulatedUsbDevice(const EmulatedDeviceSetup& setup,
                                     std::function<std::int64_t()> now)
    : setup_(setup),
      now_(std::move(now)),
      handler_(umockdev_ioctl_base_new()),
      sim_(setup.version) {
  g_signal_connect_after(handler_, "handle-ioctl", G_CALLBACK(&EmulatedUsbDevice::OnIoctl), this);
}

EmulatedUsbDevice::~EmulatedUsbDevice() {
  g_object_unref(handler_);
  for (Urb& urb : waitingIn_) Release(urb);
  for (Urb& urb : finished_) Release(urb);
}

void EmulatedUsbDevice::SetFaults(const UsbFaults& faults) {
  std::lock_guard lock(mutex_);
  faults_ = faults;
  hostBytes_ = deviceBytes_ = 0;
  silent_ = false;
}

std::vector<int> EmulatedUsbDevice::InPackets() const {
  std::lock_guard lock(mutex_);
  return inPackets_;
}

std::vector<unsigned> EmulatedUsbDevice::ClearedHalts() const {
  std::lock_guard lock(mutex_);
  return clearedHalts_;
}

bool EmulatedUsbDevice::Gone() const {
  std::lock_guard lock(mutex_);
  return gone_;
}

std::size_t EmulatedUsbDevice::UrbsInFlight() const {
  std::lock_guard lock(mutex_);
  return waitingIn_.size() + finished_.size();
}

void EmulatedUsbDevice::Release(Urb& urb) {
  if (urb.buffer) umockdev_ioctl_data_unref(urb.buffer);
  if (urb.urb) umockdev_ioctl_data_unref(urb.urb);
  urb = {};
}

// Runs on umockdev's own thread.
int EmulatedUsbDevice::OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self) {
  return static_cast<EmulatedUsbDevice*>(self)->Handle(client) ? TRUE : FALSE;
}

bool EmulatedUsbDevice::Handle(UMockdevIoctlClient* client) {
  std::lock_guard lock(mutex_);
  switch (umockdev_ioctl_client_get_request(client)) {
    case USBDEVFS_GET_CAPABILITIES: {
      UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client),
                                                            0, sizeof(std::uint32_t), nullptr);
      const std::uint32_t value = USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                  USBDEVFS_CAP_REAP_AFTER_DISCONNECT | USBDEVFS_CAP_ZERO_PACKET;
      std::memcpy(caps->data, &value, sizeof value);
      umockdev_ioctl_data_unref(caps);
      Complete(client, 0);
      return true;
    }
    case USBDEVFS_GETDRIVER:  // no kernel driver is bound
      Complete(client, -1, ENODATA);
      return true;
    case USBDEVFS_CLAIMINTERFACE:
    case USBDEVFS_RELEASEINTERFACE:
    case USBDEVFS_DISCONNECT_CLAIM:
    case USBDEVFS_RESET:
    case USBDEVFS_RESETEP:
      if (gone_) {
        Complete(client, -1, ENODEV);
      } else {
        Complete(client, 0);
      }
      return true;
    case USBDEVFS_CLEAR_HALT:
      ClearHalt(client);
      return true;
    case USBDEVFS_SUBMITURB:
      Submit(client);
      return true;
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
      Reap(client);
      return true;
    case USBDEVFS_DISCARDURB:
      Discard(client);
      return true;
    default:
      return false;
  }
}

void EmulatedUsbDevice::ClearHalt(UMockdevIoctlClient* client) {
  UMockdevIoctlData* arg = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0,
                                                       sizeof(unsigned), nullptr);
  unsigned endpoint = 0;
  std::memcpy(&endpoint, arg->data, sizeof endpoint);
  umockdev_ioctl_data_unref(arg);
  if (gone_) {
    Complete(client, -1, ENODEV);
    return;
  }
  clearedHalts_.push_back(endpoint);
  if (endpoint & kDirIn) {
    inHalted_ = false;
    sim_.DropPendingOutput();  // the reply that stalled is abandoned, as a reset endpoint does
  } else {
    outHalted_ = false;
  }
  Complete(client, 0);
}

void EmulatedUsbDevice::Submit(UMockdevIoctlClient* client) {
  if (gone_) {
    Complete(client, -1, ENODEV);
    return;
  }
  Urb urb;
  urb.urb = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0,
                                        sizeof(usbdevfs_urb), nullptr);
  const usbdevfs_urb& raw = UrbOf(urb.urb);
  if (raw.type != USBDEVFS_URB_TYPE_BULK) {
    Release(urb);
    Complete(client, -1, EINVAL);
    return;
  }
  urb.endpoint = raw.endpoint;
  urb.buffer = umockdev_ioctl_data_resolve(urb.urb, offsetof(usbdevfs_urb, buffer),
                                           static_cast<gsize>(raw.buffer_length), nullptr);
  Complete(client, 0);  // accepted; it finishes when the device has done its part
  if (urb.endpoint & kDirIn) {
    waitingIn_.push_back(urb);
    ServeIn();
  } else {
    TakeOut(urb);
  }
}

void EmulatedUsbDevice::TakeOut(Urb urb) {
  const auto length = static_cast<std::size_t>(UrbOf(urb.urb).buffer_length);
  if (outHalted_ || Reached(faults_.stallOutAtByte, hostBytes_, length)) {
    faults_.stallOutAtByte.reset();
    outHalted_ = true;
    urb.status = -EPIPE;
  } else if (Reached(faults_.unplugAtByte, hostBytes_, length)) {
    gone_ = true;
    sim_.Unplug();
    urb.status = -ENODEV;
  } else {
    if (silent_ && silentUntilMs_ == 0) {  // a new request: the cut reply is abandoned
      silent_ = false;
      faults_.silentAtByte.reset();
      sim_.DropPendingOutput();
    }
    hostBytes_ += length;
    const std::span<const std::uint8_t> bytes(urb.buffer->data, length);
    urb.status = sim_.Receive(bytes, now_()) ? 0 : -EIO;
    urb.actual = urb.status == 0 ? static_cast<int>(length) : 0;
  }
  finished_.push_back(urb);
}

// Answers the oldest waiting IN URB with one packet, when the device has
// something to send and is not silent.
void EmulatedUsbDevice::ServeIn() {
  if (waitingIn_.empty() || gone_) return;
  Urb& urb = waitingIn_.front();
  if (silent_ && silentUntilMs_ != 0 && SteadyMs() >= silentUntilMs_) {
    silent_ = false;
    faults_.silentAtByte.reset();
  }
  if (silent_) return;
  std::size_t n = std::min<std::size_t>(sim_.OutputReady(now_()),
                                        static_cast<std::size_t>(setup_.inPacketSize));
  n = std::min<std::size_t>(n, static_cast<std::size_t>(UrbOf(urb.urb).buffer_length));
  if (faults_.silentAtByte) {
    if (*faults_.silentAtByte <= deviceBytes_) {
      silent_ = true;
      silentUntilMs_ = faults_.silentForMs > 0 ? SteadyMs() + faults_.silentForMs : 0;
      return;
    }
    n = std::min<std::size_t>(n, *faults_.silentAtByte - deviceBytes_);
  }
  if (n == 0) return;
  if (inHalted_ || Reached(faults_.stallInAtByte, deviceBytes_, n)) {
    faults_.stallInAtByte.reset();
    inHalted_ = true;
    urb.status = -EPIPE;
  } else if (sim_.Send(std::span<std::uint8_t>(urb.buffer->data, n), now_()) == ReadStatus::Ok) {
    deviceBytes_ += n;
    urb.actual = static_cast<int>(n);
    inPackets_.push_back(static_cast<int>(n));
  } else {
    urb.status = -EIO;
  }
  finished_.push_back(urb);
  waitingIn_.pop_front();
}

void EmulatedUsbDevice::Reap(UMockdevIoctlClient* client) {
  ServeIn();
  if (finished_.empty()) {
    Complete(client, -1, EAGAIN);
    return;
  }
  Urb urb = finished_.front();
  finished_.pop_front();
  UrbOf(urb.urb).status = urb.status;
  UrbOf(urb.urb).actual_length = urb.actual;
  UMockdevIoctlData* slot =
      umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, sizeof(void*), nullptr);
  umockdev_ioctl_data_set_ptr(slot, 0, urb.urb);
  Complete(client, 0);
  umockdev_ioctl_data_unref(slot);
  Release(urb);
}

// libusb's timeouts: the URB comes back with -ENOENT on the next reap.
void EmulatedUsbDevice::Discard(UMockdevIoctlClient* client) {
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  gulong address = 0;
  std::memcpy(&address, arg->data, sizeof address);
  const auto it = std::find_if(waitingIn_.begin(), waitingIn_.end(),
                               [&](const Urb& urb) { return urb.urb->client_addr == address; });
  if (it == waitingIn_.end()) {
    Complete(client, -1, EINVAL);
    return;
  }
  Urb urb = *it;
  waitingIn_.erase(it);
  urb.status = -ENOENT;
  finished_.push_back(urb);
  Complete(client, 0);
}

UsbEmulator::UsbEmulator(std::function<std::int64_t()> now)
    : now_(std::move(now)), testbed_(umockdev_testbed_new()) {
  gchar* root = umockdev_testbed_get_root_dir(testbed_);
  root_ = root;
  g_free(root);
}

UsbEmulator::~UsbEmulator() {
  for (Entry& entry : entries_) {
    if (!entry.node.empty()) umockdev_testbed_detach_ioctl(testbed_, entry.node.c_str(), nullptr);
  }
  g_object_unref(testbed_);
}

bool UsbEmulator::InMockEnvironment() {
  return umockdev_in_mock_environment();
}

EmulatedUsbDevice& UsbEmulator::Plug(const EmulatedDeviceSetup& setup) {
  const int address = static_cast<int>(entries_.size()) + 2;  // 1 is the root hub's
  char node[64];
  std::snprintf(node, sizeof node, "/dev/bus/usb/001/%03d", address);
  Entry entry{std::make_unique<EmulatedUsbDevice>(setup, now_),
              "/sys/devices/usb1/1-" + std::to_string(address), node};
  // The handler first, so the node answers as soon as libusb hears of it.
  if (!umockdev_testbed_attach_ioctl(testbed_, node, entry.device->handler_, nullptr))
    throw std::runtime_error("umockdev: cannot attach the ioctl handler");
  std::string strings;
  if (*setup.manufacturer) strings += std::string("A: manufacturer=") + setup.manufacturer + "\n";
  if (*setup.product) strings += std::string("A: product=") + setup.product + "\n";
  char text[1024];
  std::snprintf(text, sizeof text,
                "P: %s\nN: bus/usb/001/%03d\nE: SUBSYSTEM=usb\nE: DEVNAME=%s\n"
                "E: DEVTYPE=usb_device\nE: BUSNUM=001\nE: DEVNUM=%03d\n"
                "A: busnum=1\\n\nA: devnum=%d\\n\nA: bConfigurationValue=1\\n\nA: speed=12\\n\n"
                "%sH: descriptors=%s\n",
                entry.syspath.substr(4).c_str(), address, node, address, address, strings.c_str(),
                DescriptorHex(setup).c_str());
  GError* error = nullptr;
  if (!umockdev_testbed_add_from_string(testbed_, text, &error)) {
    const std::string why = error ? error->message : "?";
    g_clear_error(&error);
    throw std::runtime_error("umockdev: " + why);
  }
  entries_.push_back(std::move(entry));
  return *entries_.back().device;
}

UsbEmulator::Entry& UsbEmulator::EntryOf(EmulatedUsbDevice& device) {
  for (Entry& entry : entries_) {
    if (entry.device.get() == &device) return entry;
  }
  throw std::logic_error("not a device of this emulator");
}

void UsbEmulator::Remove(EmulatedUsbDevice& device) {
  Entry& entry = EntryOf(device);
  // libusb learns of it from the uevent, which removing the files alone does not send.
  umockdev_testbed_uevent(testbed_, entry.syspath.c_str(), "remove");
  umockdev_testbed_remove_device(testbed_, entry.syspath.c_str());
  umockdev_testbed_detach_ioctl(testbed_, entry.node.c_str(), nullptr);
  entry.node.clear();
}

std::vector<EmulatedUsbDevice*> UsbEmulator::Devices() const {
  std::vector<EmulatedUsbDevice*> devices;
  for (const Entry& entry : entries_) devices.push_back(entry.device.get());
  return devices;
}

void UsbEmulator::DenyAccess(EmulatedUsbDevice& device) {
  const std::string path = root_ + EntryOf(device).node;
  if (::chmod(path.c_str(), 0) != 0) throw std::runtime_error("chmod " + path);
}

Unprivileged::Unprivileged() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  if (::syscall(SYS_capget, &header, data) != 0) return;
  saved_[0] = data[0].effective;
  saved_[1] = data[1].effective;
  data[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
  dropped_ = ::syscall(SYS_capset, &header, data) == 0;
}

Unprivileged::~Unprivileged() {
  if (!dropped_) return;
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  if (::syscall(SYS_capget, &header, data) != 0) return;
  data[0].effective = saved_[0];
  data[1].effective = saved_[1];
  ::syscall(SYS_capset, &header, data);
}

}  // namespace orten::test
