#include "link/WinPipeTransport.h"

// windows.h first: setupapi.h builds on its types.
#include <windows.h>

#include <setupapi.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "link/AsyncReadPort.h"
#include "link/BoundedPipeReader.h"

namespace orten {

namespace {

// The interface class the device's driver registers.
constexpr GUID kInterfaceGuid = {
    0xE6EF7DCD, 0x1795, 0x4A08, {0x9F, 0xBF, 0xAA, 0x78, 0x42, 0x3C, 0x26, 0xF0}};

constexpr const char* kWritePipeSuffix = "\\PIPE00";
constexpr const char* kReadPipeSuffix = "\\PIPE01";

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

// Device paths of the present interfaces of the device's class. Counts an
// interface whose path cannot be fetched with an empty path.
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

// The read pipe's overlapped read: the event, the OVERLAPPED record and the
// buffer must stay put while the system owns them.
class OverlappedReadPort final : public AsyncReadPort {
 public:
  OverlappedReadPort() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    if (!event_.IsOpen()) eventError_ = LastSystemErrorText();
  }

  void SetPipe(HANDLE pipe) { pipe_ = pipe; }

  bool StartRead(std::size_t size) override {
    if (!event_.IsOpen()) {
      error_ = eventError_;
      return false;
    }
    buffer_.assign(size, 0);
    overlapped_ = OVERLAPPED{};
    overlapped_.hEvent = event_.get();
    // Done at once or pending: either way the event tells when it ended.
    if (!ReadFile(pipe_, buffer_.data(), static_cast<DWORD>(size), nullptr, &overlapped_) &&
        GetLastError() != ERROR_IO_PENDING) {
      error_ = LastSystemErrorText();
      return false;
    }
    return true;
  }

  Outcome WaitRead(int timeoutMs, std::vector<std::uint8_t>& arrived) override {
    const DWORD wait = WaitForSingleObject(event_.get(), static_cast<DWORD>(timeoutMs));
    if (wait == WAIT_TIMEOUT) return Outcome::Pending;
    if (wait != WAIT_OBJECT_0) {
      error_ = LastSystemErrorText();
      CancelRead();
      return Outcome::Failed;
    }
    DWORD got = 0;
    if (!GetOverlappedResult(pipe_, &overlapped_, &got, FALSE)) {
      error_ = LastSystemErrorText();
      return Outcome::Failed;
    }
    got = std::min<DWORD>(got, static_cast<DWORD>(buffer_.size()));
    arrived.insert(arrived.end(), buffer_.begin(), buffer_.begin() + got);
    return Outcome::Done;
  }

  void CancelRead() override {
    CancelIoEx(pipe_, &overlapped_);
    DWORD ignored = 0;
    GetOverlappedResult(pipe_, &overlapped_, &ignored, TRUE);
  }

  std::string LastErrorText() const override { return error_; }

 private:
  UniqueHandle event_;
  std::string eventError_;
  HANDLE pipe_ = nullptr;
  OVERLAPPED overlapped_{};
  std::vector<std::uint8_t> buffer_;
  std::string error_;
};

}  // namespace

struct WinPipeTransport::Impl {
  UniqueHandle writePipe;
  UniqueHandle readPipe;
  OverlappedReadPort readPort;
  BoundedPipeReader reader{readPort};
  std::uint32_t count = 0;
  std::string error;

  void OpenPipes(const std::string& devicePath);
  bool Write(const void* data, DWORD size);
  ReadStatus Read(std::uint8_t* out, std::size_t size, int timeoutMs);
  void Close();
};

void WinPipeTransport::Impl::OpenPipes(const std::string& devicePath) {
  std::string firstError;
  writePipe.Reset(CreateFileA((devicePath + kWritePipeSuffix).c_str(), GENERIC_WRITE,
                              FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!writePipe.IsOpen()) firstError = LastSystemErrorText();
  // Overlapped, so that a read can be bounded by a wait.
  readPipe.Reset(CreateFileA((devicePath + kReadPipeSuffix).c_str(), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                             nullptr));
  if (!readPipe.IsOpen() && firstError.empty()) firstError = LastSystemErrorText();
  readPort.SetPipe(readPipe.get());
  if (!firstError.empty()) error = firstError;
}

bool WinPipeTransport::Impl::Write(const void* data, DWORD size) {
  if (!writePipe.IsOpen()) {
    error = SystemErrorText(ERROR_INVALID_HANDLE);  // what the system says for a pipe never opened
    return false;
  }
  DWORD written = 0;
  if (!WriteFile(writePipe.get(), data, size, &written, nullptr)) {
    error = LastSystemErrorText();
    return false;
  }
  if (written != size) {
    error = "Записано " + std::to_string(written) + " байт из " + std::to_string(size) + ".";
    return false;
  }
  return true;
}

ReadStatus WinPipeTransport::Impl::Read(std::uint8_t* out, std::size_t size, int timeoutMs) {
  if (!readPipe.IsOpen()) {
    error = SystemErrorText(ERROR_INVALID_HANDLE);
    return ReadStatus::Failed;
  }
  const ReadStatus status = reader.Read(out, size, timeoutMs);
  if (status == ReadStatus::Failed) error = reader.FailureText();
  return status;
}

void WinPipeTransport::Impl::Close() {
  reader.Discard();  // the system must let go of the read buffer before the pipe closes
  readPort.SetPipe(nullptr);
  writePipe.Reset();
  readPipe.Reset();
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
  return impl_->Write(chunk.data(), static_cast<DWORD>(chunk.size()));
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
  return impl_->error.empty() ? LinkFault::None : LinkFault::Io;
}

}  // namespace orten
