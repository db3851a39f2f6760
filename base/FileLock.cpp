#include "base/FileLock.h"

#include <system_error>

#include "base/FileKind.h"
#include "base/Wording.h"

#ifdef _WIN32
#include <windows.h>

#include "base/Utf8Path.h"
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace orten {

namespace {

Outcome LockFailure(const std::string& path, std::error_code ec) {
  constexpr std::size_t kShownPathChars = 200;
  return {OutcomeKind::FileError, "не удается открыть файл блокировки " +
                                      EscapedExcerpt(path, kShownPathChars) + ": " +
                                      FileErrorText(ec)};
}

}  // namespace

#ifdef _WIN32

Result<FileLock::Hold> FileLock::TryLock(const std::string& path) {
  Unlock();
  // Not inherited: a program started from ours must not keep the lock alive.
  HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return LockFailure(path,
                       std::error_code(static_cast<int>(GetLastError()), std::system_category()));
  }
  OVERLAPPED whole{};
  if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &whole)) {
    const DWORD code = GetLastError();
    CloseHandle(file);
    if (code == ERROR_LOCK_VIOLATION || code == ERROR_SHARING_VIOLATION) return Hold::Busy;
    return LockFailure(path, std::error_code(static_cast<int>(code), std::system_category()));
  }
  handle_ = file;
  return Hold::Taken;
}

void FileLock::Unlock() {
  if (handle_ == kNone) return;
  CloseHandle(handle_);  // the lock goes with the handle
  handle_ = kNone;
}

#else

Result<FileLock::Hold> FileLock::TryLock(const std::string& path) {
  Unlock();
  // Not inherited: a program started from ours must not keep the lock alive.
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    return LockFailure(path, std::error_code(errno, std::generic_category()));
  }
  // flock, not fcntl: its lock belongs to this open file, so a second lock
  // object in the same program is refused as another program would be, and
  // closing some other descriptor of the file does not drop it.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int code = errno;
    ::close(fd);
    if (code == EWOULDBLOCK) return Hold::Busy;
    return LockFailure(path, std::error_code(code, std::generic_category()));
  }
  handle_ = fd;
  return Hold::Taken;
}

void FileLock::Unlock() {
  if (handle_ == kNone) return;
  ::close(handle_);  // the lock goes with the descriptor
  handle_ = kNone;
}

#endif

}  // namespace orten
