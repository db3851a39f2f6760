#include "transport/WinPipeTransport.h"

// windows.h first: setupapi.h builds on its types.
#include <windows.h>

#include <setupapi.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "transport/AsyncReadPort.h"
#include "transport/AsyncWritePort.h"
#include "transport/BoundedPipeReader.h"
#include "transport/BoundedPipeWriter.h"
#include "transport/HeldTransfers.h"

namespace orten {

namespace {

// The interface class the device's driver registers.
constexpr GUID kInterfaceGuid = {
    0xE6EF7DCD, 0x1795, 0x4A08, {0x9F, 0xBF, 0xAA, 0x78, 0x42, 0x3C, 0x26, 0xF0}};

constexpr const char* kWritePipeSuffix = "\\PIPE00";
constexpr const char* kReadPipeSuffix = "\\PIPE01";

// The device takes a byte or a chunk at once; a write that does not end in
// this time is stuck and fails like a read that expires.
constexpr int kWriteTimeoutMs = 2000;

// ERROR_NO_SUCH_DEVICE, not in every SDK's headers: the device does not exist.
constexpr DWORD kErrorNoSuchDevice = 433;

// INVALID_HANDLE_VALUE is a C cast in the system headers.
HANDLE InvalidHandle() {
  return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));
}

// Owns a handle that CloseHandle releases. Null and the invalid value are
// kept as they are (they tell "never opened" from "open failed") and never
// closed.
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.handle_, nullptr));
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  HANDLE get() const { return handle_; }
  bool IsOpen() const { return handle_ != nullptr && handle_ != InvalidHandle(); }
  PipeState State() const {
    if (handle_ == nullptr) return PipeState::None;
    return handle_ == InvalidHandle() ? PipeState::Invalid : PipeState::Open;
  }
  void Reset(HANDLE handle = nullptr) {
    if (IsOpen()) CloseHandle(handle_);
    handle_ = handle;
  }

 private:
  HANDLE handle_ = nullptr;
};

// The device information set of one enumeration.
struct DeviceInfoSetCloser {
  void operator()(void* set) const { SetupDiDestroyDeviceInfoList(set); }
};
using UniqueDeviceInfoSet = std::unique_ptr<void, DeviceInfoSetCloser>;

struct LocalFreer {
  void operator()(char* text) const { LocalFree(text); }
};

// The system's messages come in the ANSI code page; the program speaks UTF-8.
std::string AnsiToUtf8(const std::string& ansi) {
  if (ansi.empty()) return {};
  const int size = static_cast<int>(ansi.size());
  const int wide = MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, nullptr, 0);
  if (wide <= 0) return ansi;
  std::wstring utf16(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, utf16.data(), wide);
  const int narrow =
      WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, nullptr, 0, nullptr, nullptr);
  if (narrow <= 0) return ansi;
  std::string utf8(static_cast<std::size_t>(narrow), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, utf8.data(), narrow, nullptr, nullptr);
  return utf8;
}

// The system's text for an error code; empty when the system has none.
std::string SystemErrorText(DWORD code) {
  char* raw = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&raw), 0,
      nullptr);
  const std::unique_ptr<char, LocalFreer> buffer(raw);
  if (length == 0 || !buffer) return {};
  std::string text = AnsiToUtf8(std::string(buffer.get(), length));
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) {
    text.pop_back();
  }
  return text;
}

std::string LastSystemErrorText() {
  return SystemErrorText(GetLastError());
}

}  // namespace

std::vector<std::string> EnumerateInterfacePaths(std::string& error) {
  std::vector<std::string> paths;
  HDEVINFO raw = SetupDiGetClassDevsA(&kInterfaceGuid, nullptr, nullptr,
                                      DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (raw == InvalidHandle()) {
    error = LastSystemErrorText();
    return paths;
  }
  const UniqueDeviceInfoSet set(raw);
  for (DWORD index = 0;; ++index) {
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    if (!SetupDiEnumDeviceInterfaces(set.get(), nullptr, &kInterfaceGuid, index, &data)) {
      // ERROR_NO_MORE_ITEMS is the normal end; any other error ends it too.
      if (GetLastError() != ERROR_NO_MORE_ITEMS) error = LastSystemErrorText();
      break;
    }
    std::string& path = paths.emplace_back();
    DWORD required = 0;
    SetupDiGetDeviceInterfaceDetailA(set.get(), &data, nullptr, 0, &required, nullptr);
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) continue;
    // Whole 8-byte words keep the record aligned.
    std::vector<std::uint64_t> storage((required + sizeof(std::uint64_t) - 1) /
                                       sizeof(std::uint64_t));
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(storage.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (SetupDiGetDeviceInterfaceDetailA(set.get(), &data, detail, required, nullptr, nullptr)) {
      path = detail->DevicePath;
    }
  }
  return paths;
}

namespace {

// The memory one overlapped transfer lends the system: the buffer, the
// record the system reports into and the event it signals.
struct OverlappedSlot {
  OverlappedSlot() : event(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    if (!event.IsOpen()) eventError = LastSystemErrorText();
  }
  // A slot that never started a transfer counts as let go too.
  bool LetGo() const { return HasOverlappedIoCompleted(&overlapped); }

  UniqueHandle event;
  std::string eventError;
  OVERLAPPED overlapped{};
  std::vector<std::uint8_t> buffer;
};

// Overlapped transfers on one pipe, one at a time, each bounded by a wait
// and cancelled on expiry. One class serves either pipe.
class OverlappedPipePort final : public AsyncReadPort, public AsyncWritePort {
 public:
  void SetPipe(HANDLE pipe) { pipe_ = pipe; }

  bool StartRead(std::size_t size) override { return Start(nullptr, size); }
  AsyncOutcome WaitRead(int timeoutMs, std::vector<std::uint8_t>& arrived) override {
    std::size_t got = 0;
    const AsyncOutcome outcome = Wait(timeoutMs, got);
    if (outcome == AsyncOutcome::Done) {
      const std::vector<std::uint8_t>& buffer = slots_.Current().buffer;
      arrived.insert(arrived.end(), buffer.begin(),
                     buffer.begin() + static_cast<std::ptrdiff_t>(got));
    }
    return outcome;
  }
  bool CancelRead(int graceMs) override { return Cancel(graceMs); }

  bool StartWrite(const std::uint8_t* data, std::size_t size) override { return Start(data, size); }
  AsyncOutcome WaitWrite(int timeoutMs, std::size_t& written) override {
    return Wait(timeoutMs, written);
  }
  bool CancelWrite(int graceMs) override { return Cancel(graceMs); }

  std::string LastErrorText() const override { return error_; }
  // The system's code of the last failure, so the transport can tell a
  // device pulled out from any other failure.
  DWORD LastErrorCode() const { return code_; }

 private:
  void Note(DWORD code) {
    code_ = code;
    error_ = SystemErrorText(code);
  }

  // Reads size bytes when data is null, else writes a copy of them.
  bool Start(const std::uint8_t* data, std::size_t size) {
    code_ = ERROR_SUCCESS;  // a transfer that ends short has no code of its own
    slots_.Reap();
    OverlappedSlot& slot = slots_.Current();
    if (!slot.event.IsOpen()) {
      code_ = ERROR_SUCCESS;
      error_ = slot.eventError;
      slots_.Abandon();  // never started, so let go at once: the next try makes a new event
      return false;
    }
    if (data) {
      slot.buffer.assign(data, data + size);
    } else {
      slot.buffer.assign(size, 0);
    }
    slot.overlapped = OVERLAPPED{};
    slot.overlapped.hEvent = slot.event.get();
    const DWORD count = static_cast<DWORD>(size);
    const BOOL started =
        data ? WriteFile(pipe_, slot.buffer.data(), count, nullptr, &slot.overlapped)
             : ReadFile(pipe_, slot.buffer.data(), count, nullptr, &slot.overlapped);
    // Done at once or pending: either way the event tells when it ended.
    if (!started && GetLastError() != ERROR_IO_PENDING) {
      Note(GetLastError());
      return false;
    }
    return true;
  }

  AsyncOutcome Wait(int timeoutMs, std::size_t& moved) {
    OverlappedSlot& slot = slots_.Current();
    const DWORD wait = WaitForSingleObject(slot.event.get(), static_cast<DWORD>(timeoutMs));
    if (wait == WAIT_TIMEOUT) return AsyncOutcome::Pending;
    if (wait != WAIT_OBJECT_0) {
      Note(GetLastError());
      Cancel(kCancelGraceMs);
      return AsyncOutcome::Failed;
    }
    DWORD got = 0;
    if (!GetOverlappedResult(pipe_, &slot.overlapped, &got, FALSE)) {
      Note(GetLastError());
      return AsyncOutcome::Failed;
    }
    moved = std::min<std::size_t>(got, slot.buffer.size());
    return AsyncOutcome::Done;
  }

  // Bounded, unlike GetOverlappedResult's own wait: a driver that never
  // finishes the cancel leaves its slot held, not the program hanging.
  bool Cancel(int graceMs) {
    OverlappedSlot& slot = slots_.Current();
    CancelIoEx(pipe_, &slot.overlapped);
    if (WaitForSingleObject(slot.event.get(), static_cast<DWORD>(graceMs)) == WAIT_OBJECT_0) {
      DWORD ignored = 0;
      GetOverlappedResult(pipe_, &slot.overlapped, &ignored, FALSE);
      return true;
    }
    slots_.Abandon();
    return false;
  }

  HANDLE pipe_ = nullptr;
  HeldTransfers<OverlappedSlot> slots_;
  std::string error_;
  DWORD code_ = ERROR_SUCCESS;
};

}  // namespace

LinkFault WindowsErrorFault(unsigned long code, bool opening) {
  switch (code) {
    // The driver opens its pipes to one program at a time.
    case ERROR_SHARING_VIOLATION:
      return opening ? LinkFault::Busy : LinkFault::Io;
    case ERROR_ACCESS_DENIED:
      // At the open, someone else's; on a handle already open, the device
      // being removed under it (a driver's "delete pending").
      return opening ? LinkFault::Busy : LinkFault::NoDevice;
    // Pulled out: the driver fails what was under way and what follows.
    case ERROR_DEVICE_NOT_CONNECTED:
    case kErrorNoSuchDevice:
    case ERROR_DEVICE_REMOVED:
    case ERROR_FILE_NOT_FOUND:
      return opening ? LinkFault::Io : LinkFault::NoDevice;
    default:
      return LinkFault::Io;
  }
}

struct WinPipeTransport::Impl {
  UniqueHandle writePipe;
  UniqueHandle readPipe;
  OverlappedPipePort writePort;
  OverlappedPipePort readPort;
  BoundedPipeWriter writer{writePort};
  BoundedPipeReader reader{readPort};
  std::uint32_t count = 0;
  std::string error;
  LinkFault fault = LinkFault::Io;  // the kind of error, when there is one
  bool gone = false;  // pulled out: every transfer fails at once until the next discovery

  void OpenPipes(const std::string& devicePath);
  void Failed(std::string text, unsigned long code);
  bool Write(const std::uint8_t* data, std::size_t size);
  ReadStatus Read(std::uint8_t* out, std::size_t size, int timeoutMs);
  void Close();
};

void WinPipeTransport::Impl::OpenPipes(const std::string& devicePath) {
  std::string firstError;
  DWORD firstCode = ERROR_SUCCESS;
  // Both overlapped, so that reads and writes can be bounded by a wait.
  writePipe.Reset(CreateFileA((devicePath + kWritePipeSuffix).c_str(), GENERIC_WRITE,
                              FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                              nullptr));
  if (!writePipe.IsOpen()) {
    firstCode = GetLastError();
    firstError = SystemErrorText(firstCode);
  }
  readPipe.Reset(CreateFileA((devicePath + kReadPipeSuffix).c_str(), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                             nullptr));
  if (!readPipe.IsOpen() && firstCode == ERROR_SUCCESS) {
    firstCode = GetLastError();
    firstError = SystemErrorText(firstCode);
  }
  writePort.SetPipe(writePipe.get());
  readPort.SetPipe(readPipe.get());
  if (firstCode == ERROR_SUCCESS) return;
  fault = WindowsErrorFault(firstCode, true);
  if (fault == LinkFault::Busy) {
    error = "Прибор занят другой программой" +
            (firstError.empty() ? std::string(".") : " (" + firstError + ").");
  } else {
    error = firstError.empty() ? SystemErrorText(ERROR_INVALID_HANDLE) : firstError;
  }
}

// What a failed transfer leaves: its text and kind; a device pulled out stays out.
void WinPipeTransport::Impl::Failed(std::string text, unsigned long code) {
  error = std::move(text);
  fault = WindowsErrorFault(code, false);
  gone = fault == LinkFault::NoDevice;
}

bool WinPipeTransport::Impl::Write(const std::uint8_t* data, std::size_t size) {
  if (gone) return false;  // error and fault still say why
  if (!writePipe.IsOpen()) {
    error = SystemErrorText(ERROR_INVALID_HANDLE);  // what the system says for a pipe never opened
    fault = LinkFault::Io;
    return false;
  }
  if (writer.Write(data, size, kWriteTimeoutMs)) return true;
  if (writer.TimedOut()) {
    error = writer.FailureText();
    fault = LinkFault::Timeout;
  } else {
    Failed(writer.FailureText(), writePort.LastErrorCode());
  }
  return false;
}

ReadStatus WinPipeTransport::Impl::Read(std::uint8_t* out, std::size_t size, int timeoutMs) {
  if (gone) return ReadStatus::Failed;
  if (!readPipe.IsOpen()) {
    error = SystemErrorText(ERROR_INVALID_HANDLE);
    fault = LinkFault::Io;
    return ReadStatus::Failed;
  }
  const ReadStatus status = reader.Read(out, size, timeoutMs);
  if (status == ReadStatus::Failed) Failed(reader.FailureText(), readPort.LastErrorCode());
  return status;
}

void WinPipeTransport::Impl::Close() {
  reader.Discard();  // the system must let go of the read buffer before the pipe closes
  readPort.SetPipe(nullptr);
  writePort.SetPipe(nullptr);
  writePipe.Reset();
  readPipe.Reset();
  gone = false;
}

WinPipeTransport::WinPipeTransport() : impl_(std::make_unique<Impl>()) {}

WinPipeTransport::~WinPipeTransport() {
  impl_->Close();
}

bool WinPipeTransport::DiscoverDevice() {
  Impl& d = *impl_;
  d.Close();
  d.error.clear();
  const std::vector<std::string> paths = EnumerateInterfacePaths(d.error);
  d.count = static_cast<std::uint32_t>(paths.size());
  // Only the one device is opened: several devices leave no handle behind.
  if (d.count != 1) return false;
  // An interface whose path could not be fetched still counts; its pipes
  // stay unopened and the first write says so.
  if (!paths.front().empty()) d.OpenPipes(paths.front());
  if (d.writePipe.IsOpen()) FlushFileBuffers(d.writePipe.get());
  if (d.readPipe.IsOpen()) FlushFileBuffers(d.readPipe.get());
  return true;
}

std::uint32_t WinPipeTransport::DeviceCount() const {
  return impl_->count;
}

bool WinPipeTransport::WriteByte(std::uint8_t byte) {
  return impl_->Write(&byte, 1);
}

bool WinPipeTransport::WriteChunk(const Chunk& chunk) {
  return impl_->Write(chunk.data(), chunk.size());
}

ReadStatus WinPipeTransport::ReadByte(std::uint8_t& byte, int timeoutMs) {
  return impl_->Read(&byte, 1, timeoutMs);
}

ReadStatus WinPipeTransport::ReadChunk(Chunk& chunk, int timeoutMs) {
  return impl_->Read(chunk.data(), chunk.size(), timeoutMs);
}

void WinPipeTransport::DiscardInput() {
  impl_->reader.Discard();
}

void WinPipeTransport::FlushWritePipe() {
  if (impl_->writePipe.IsOpen()) FlushFileBuffers(impl_->writePipe.get());
}

void WinPipeTransport::FlushReadPipe() {
  impl_->reader.Discard();
  if (impl_->readPipe.IsOpen()) FlushFileBuffers(impl_->readPipe.get());
}

void WinPipeTransport::CloseLink() {
  impl_->Close();
}

PipeState WinPipeTransport::WritePipeState() const {
  return impl_->writePipe.State();
}
PipeState WinPipeTransport::ReadPipeState() const {
  return impl_->readPipe.State();
}
std::string WinPipeTransport::LastErrorText() const {
  return impl_->error;
}
LinkFault WinPipeTransport::LastFault() const {
  return impl_->error.empty() ? LinkFault::None : impl_->fault;
}

}  // namespace orten
