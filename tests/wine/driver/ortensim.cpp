// The user-mode side of the test bus driver: installs and removes the driver
// in a wine prefix, plugs a simulated receiver in and serves its pipes with
// the project's simulated device, pulls devices out, lists them. Test code
// only, never installed for users.
//
//   ortensim install FOLDER        the driver from FOLDER\ortensim.inf
//   ortensim uninstall             the driver, its service and files removed
//   ortensim plug FAMILY[:VERSION] [--sim-fault F]... [--sim-state FILE] [--usb-id VID:PID]
//                                  prints the device's number once programs can
//                                  find it, serves it until it is pulled out and
//                                  prints "over"
//   ortensim unplug [N|all]        N, the earliest device still plugged in, or all
//   ortensim list                  the numbers of the devices plugged in
#include <windows.h>
// windows.h first: these build on its types.
#include <newdev.h>
#include <setupapi.h>
#include <winioctl.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "SimBusProtocol.h"
#include "sim/SimClock.h"
#include "sim/SimDevice.h"
#include "sim/SimState.h"
#include "startup/CommonOptions.h"
#include "transport/UsbId.h"

namespace {

using orten::SimDevice;

constexpr LONG kSuccess = 0;
constexpr LONG kDeviceNotConnected = static_cast<LONG>(0xC000009DL);
constexpr LONG kIoDeviceError = static_cast<LONG>(0xC0000185L);
// The receiver's interface class, as its driver registers it.
constexpr GUID kReceiverInterface = {
    0xE6EF7DCD, 0x1795, 0x4A08, {0x9F, 0xBF, 0xAA, 0x78, 0x42, 0x3C, 0x26, 0xF0}};
// Windows' class of system devices, the bus driver's.
constexpr GUID kSystemClass = {
    0x4d36e97d, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

int Fail(const std::string& what) {
  std::fprintf(stderr, "ortensim: %s (error %lu)\n", what.c_str(), GetLastError());
  return 1;
}

// The control device appears a moment after the driver starts: wait for it.
HANDLE OpenBus(int tries = 100) {
  for (int i = 0;; ++i) {
    HANDLE bus = CreateFileA(ORTENSIM_CONTROL_PATH, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    if (bus != INVALID_HANDLE_VALUE || i + 1 >= tries) return bus;
    Sleep(100);
  }
}

bool Control(HANDLE bus, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
             DWORD* got = nullptr) {
  DWORD ignored = 0;
  return DeviceIoControl(bus, code, const_cast<void*>(in), inSize, out, outSize,
                         got ? got : &ignored, nullptr) != FALSE;
}

// The interface paths the system lists for the receiver, as programs look for it.
std::vector<std::string> ListedInterfaces() {
  std::vector<std::string> paths;
  HDEVINFO set = SetupDiGetClassDevsA(&kReceiverInterface, nullptr, nullptr,
                                      DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_HANDLE_VALUE) return paths;
  SP_DEVICE_INTERFACE_DATA data{};
  data.cbSize = sizeof data;
  for (DWORD i = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &kReceiverInterface, i, &data); ++i) {
    char storage[512] = {};
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(storage);
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (SetupDiGetDeviceInterfaceDetailA(set, &data, detail, sizeof storage, nullptr, nullptr)) {
      paths.emplace_back(detail->DevicePath);
    }
  }
  SetupDiDestroyDeviceInfoList(set);
  return paths;
}

// Waits until the system lists the receiver interfaces of `count` devices.
void WaitForListed(std::size_t count) {
  for (int i = 0; i < 400 && ListedInterfaces().size() != count; ++i) Sleep(25);
}

ULONG PluggedCount(HANDLE bus) {
  ULONG numbers[65] = {};
  Control(bus, IOCTL_ORTENSIM_LIST, nullptr, 0, numbers, sizeof numbers);
  return numbers[0];
}

// Serves one plugged device: the driver hands over each transfer of a
// program; reads wait here until the device has their bytes.
class Server {
 public:
  Server(HANDLE bus, ULONG number, SimDevice& device, orten::SimStateFile* state)
      : bus_(bus), number_(number), device_(device), state_(state) {}

  int Run() {
    for (;;) {
      ortensim_message message{};
      if (!Control(bus_, IOCTL_ORTENSIM_NEXT, &number_, sizeof number_, &message, sizeof message))
        return Fail("waiting for the driver");
      switch (message.kind) {
        case ORTENSIM_WRITE:
          Write(message);
          break;
        case ORTENSIM_READ:
          reads_.push_back({message.tag, message.length});
          break;
        case ORTENSIM_CANCEL:
          std::erase_if(reads_, [&](const Read& r) { return r.tag == message.tag; });
          break;
        case ORTENSIM_FLUSH:
          device_.DropPendingOutput();
          break;
        case ORTENSIM_GONE:
          return 0;
      }
      ServeReads();
    }
  }

 private:
  struct Read {
    unsigned tag;
    unsigned length;
  };

  void Answer(unsigned tag, LONG status, std::span<const std::uint8_t> data = {}) {
    ortensim_answer reply{};
    reply.number = number_;
    reply.tag = tag;
    reply.status = status;
    reply.length = static_cast<unsigned>(data.size());
    std::memcpy(reply.data, data.data(), data.size());
    Control(bus_, IOCTL_ORTENSIM_ANSWER, &reply, sizeof reply, nullptr, 0);
  }

  // Pulled out: the driver fails whatever waits, the device's number goes.
  void PullOut() {
    ULONG gone = 0;
    Control(bus_, IOCTL_ORTENSIM_UNPLUG, &number_, sizeof number_, &gone, sizeof gone);
    reads_.clear();
  }

  void Save() {
    if (!state_) return;
    if (const orten::Outcome saved = state_->SaveChanges(); !saved) {
      std::fprintf(stderr, "ortensim: %s\n", saved.detail.c_str());
    }
  }

  void Write(const ortensim_message& message) {
    const bool ok = device_.Receive(std::span(message.data, message.length), clock_.NowUs());
    Save();
    if (ok) {
      Answer(message.tag, kSuccess);
    } else if (!device_.plugged()) {
      PullOut();
    } else {
      Answer(message.tag, kIoDeviceError);
    }
  }

  void ServeReads() {
    while (!reads_.empty()) {
      const Read read = reads_.front();
      std::uint8_t data[ORTENSIM_PACKET] = {};
      const std::span<std::uint8_t> out(data, read.length);
      const orten::ReadStatus status = device_.Send(out, clock_.NowUs());
      Save();
      if (status == orten::ReadStatus::TimedOut) return;  // until a write brings an answer
      reads_.pop_front();
      if (status == orten::ReadStatus::Ok) {
        Answer(read.tag, kSuccess, out);
      } else if (!device_.plugged()) {
        PullOut();
        return;
      } else {
        Answer(read.tag, kSuccess, out.first(read.length / 2));  // a short packet
      }
    }
  }

  HANDLE bus_;
  ULONG number_;
  SimDevice& device_;
  orten::SimStateFile* state_;
  orten::SteadySimClock clock_;
  std::deque<Read> reads_;
};

int Plug(const std::vector<std::string>& args) {
  const orten::Result<std::uint8_t> version = orten::ParseSimulateOption(args.at(0));
  if (!version) return Fail(version.outcome().detail);
  orten::CommonOptions options;
  std::string statePath;
  orten::UsbId id{0x1209, 0x0001};
  for (std::size_t i = 1; i + 1 < args.size(); i += 2) {
    if (args[i] == "--sim-fault") {
      if (const orten::Outcome parsed = orten::ParseSimFault(args[i + 1], options); !parsed) {
        return Fail(parsed.detail);
      }
    } else if (args[i] == "--sim-state") {
      statePath = args[i + 1];
    } else if (args[i] == "--usb-id") {
      const auto parsed = orten::ParseUsbId(args[i + 1]);
      if (!parsed) return Fail("bad --usb-id " + args[i + 1]);
      id = *parsed;
    } else {
      return Fail("unknown option " + args[i]);
    }
  }
  SimDevice device(*version);
  std::optional<orten::SimStateFile> state;
  if (!statePath.empty()) {
    state.emplace(statePath, device);
    if (const orten::Outcome taken = state->Take(); !taken) return Fail(taken.detail);
  }
  device.set_faults(options.simFaults);

  HANDLE bus = OpenBus();
  if (bus == INVALID_HANDLE_VALUE) return Fail("the bus driver is not running");
  const ortensim_plug request{id.vendor, id.product};
  ULONG number = 0;
  if (!Control(bus, IOCTL_ORTENSIM_PLUG, &request, sizeof request, &number, sizeof number))
    return Fail("plugging in");
  WaitForListed(PluggedCount(bus));
  std::printf("%lu\n", number);
  std::fflush(stdout);
  const int rc = Server(bus, number, device, state ? &*state : nullptr).Run();
  CloseHandle(bus);
  state.reset();  // the state file is free for the next device
  // Said last, for whoever waits for this device to be over.
  std::printf("over\n");
  std::fflush(stdout);
  return rc;
}

// "all": every device, none plugged in being no failure.
int Unplug(const std::vector<std::string>& args) {
  const bool all = !args.empty() && args[0] == "all";
  ULONG number = args.empty() || all ? 0 : std::stoul(args[0]);
  HANDLE bus = OpenBus(1);
  if (bus == INVALID_HANDLE_VALUE) return Fail("the bus driver is not running");
  ULONG gone = 0;
  bool any = false;
  while (Control(bus, IOCTL_ORTENSIM_UNPLUG, &number, sizeof number, &gone, sizeof gone)) {
    std::printf("%lu\n", gone);
    any = true;
    if (!all) break;
  }
  // Gone for programs too before this returns.
  WaitForListed(PluggedCount(bus));
  CloseHandle(bus);
  if (!any && !all) return Fail("no such device plugged in");
  return 0;
}

int List() {
  HANDLE bus = OpenBus();
  if (bus == INVALID_HANDLE_VALUE) return Fail("the bus driver is not running");
  ULONG numbers[65] = {};
  const bool ok = Control(bus, IOCTL_ORTENSIM_LIST, nullptr, 0, numbers, sizeof numbers);
  CloseHandle(bus);
  if (!ok) return Fail("listing");
  for (ULONG i = 0; i < numbers[0]; ++i) std::printf("%lu\n", numbers[i + 1]);
  return 0;
}

// As a device installer does: a root device with the INF's hardware ID, then
// the driver for it.
int Install(const std::string& folder) {
  const std::string inf = folder + "\\ortensim.inf";
  HDEVINFO set = SetupDiCreateDeviceInfoList(&kSystemClass, nullptr);
  if (set == INVALID_HANDLE_VALUE) return Fail("device list");
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  if (!SetupDiCreateDeviceInfoA(set, "root\\ortensim\\0", &kSystemClass, nullptr, nullptr,
                                0, &device))
    return Fail("creating the root device");
  static const char kHardwareId[] = ORTENSIM_ROOT_ID "\0";
  if (!SetupDiSetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID,
                                         reinterpret_cast<const BYTE*>(kHardwareId),
                                         sizeof kHardwareId))
    return Fail("setting its hardware ID");
  if (!SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device))
    return Fail("registering the root device");
  SetupDiDestroyDeviceInfoList(set);
  BOOL reboot = FALSE;
  if (!UpdateDriverForPlugAndPlayDevicesA(nullptr, ORTENSIM_ROOT_ID, inf.c_str(),
                                          INSTALLFLAG_FORCE, &reboot))
    return Fail("installing the driver from " + inf);
  return 0;
}

// A child of the test bus: its compatible IDs are the bus driver's.
bool IsOurs(HDEVINFO set, SP_DEVINFO_DATA& device) {
  char ids[256] = {};
  return SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_COMPATIBLEIDS, nullptr,
                                           reinterpret_cast<BYTE*>(ids), sizeof ids - 2, nullptr) &&
         std::strcmp(ids, "USB\\Class_FF&SubClass_00&Prot_00") == 0;
}

int Uninstall() {
  int rc = 0;
  // The bus and every device it ever made: each plug leaves an instance in
  // the registry, and the system's device lists grow slower with each.
  HDEVINFO set = SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES);
  if (set != INVALID_HANDLE_VALUE) {
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
      char id[256] = {};
      if (!SetupDiGetDeviceInstanceIdA(set, &device, id, sizeof id, nullptr)) continue;
      if (_strnicmp(id, "ROOT\\ORTENSIM\\", 14) != 0 && _strnicmp(id, "USB\\VID_", 8) != 0) continue;
      if (_strnicmp(id, "USB\\VID_", 8) == 0 && !IsOurs(set, device)) continue;
      if (!SetupDiRemoveDevice(set, &device)) rc = Fail(std::string("removing ") + id);
    }
    SetupDiDestroyDeviceInfoList(set);
  }
  if (SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)) {
    if (SC_HANDLE service = OpenServiceA(manager, "ortensim", SERVICE_ALL_ACCESS)) {
      SERVICE_STATUS status;
      ControlService(service, SERVICE_CONTROL_STOP, &status);
      if (!DeleteService(service)) rc = Fail("deleting the service");
      CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
  }
  // The INF's copy in the system's INF folder, found by its driver's name.
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  WIN32_FIND_DATAA found;
  const std::string infFolder = std::string(windows) + "\\inf\\";
  HANDLE find = FindFirstFileA((infFolder + "oem*.inf").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string path = infFolder + found.cFileName;
      char service[64] = {};
      GetPrivateProfileStringA("Install.NTamd64.Services", "AddService", "", service, sizeof service,
                               path.c_str());
      if (std::strncmp(service, "ortensim,", 9) == 0) SetupUninstallOEMInfA(found.cFileName, SUOI_FORCEDELETE, nullptr);
    } while (FindNextFileA(find, &found));
    FindClose(find);
  }
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  DeleteFileA((std::string(system) + "\\drivers\\ortensim.sys").c_str());
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const std::string command = args.empty() ? "" : args[0];
  const std::vector<std::string> rest(args.begin() + (args.empty() ? 0 : 1), args.end());
  if (command == "install" && rest.size() == 1) return Install(rest[0]);
  if (command == "uninstall") return Uninstall();
  if (command == "plug" && !rest.empty()) return Plug(rest);
  if (command == "unplug") return Unplug(rest);
  if (command == "list") return List();
  std::fprintf(stderr,
               "usage: ortensim install FOLDER | uninstall | plug FAMILY[:VERSION] [--sim-fault F]... "
               "[--sim-state FILE] [--usb-id VID:PID] | unplug [N] | list\n");
  return 2;
}
