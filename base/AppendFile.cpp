#include "base/AppendFile.h"

#include <cstdint>
#include <optional>
#include <system_error>
#include <thread>

#include "base/FileKind.h"

#ifdef _WIN32
#include <windows.h>

#include "base/Utf8Path.h"
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace orten {

namespace {

constexpr std::chrono::milliseconds kLockPoll{10};
constexpr const char* kLockHeld = "файл занят другой программой";

std::string Why(std::error_code ec) {
  return FileErrorText(ec, FileAccess::Write);
}

// Tries the lock until it is taken or wait has passed: a program that holds
// it for long (a stuck one, `flock journal.csv sleep 25`) must not hold ours.
// Nothing when taken, else the text of why not.
template <class TryLock>
std::optional<std::string> LockWithin(std::chrono::milliseconds wait, TryLock tryLock) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    std::optional<std::string> busyOrWhy = tryLock();
    if (!busyOrWhy) return std::nullopt;
    if (!busyOrWhy->empty()) return busyOrWhy;
    if (std::chrono::steady_clock::now() >= deadline) return kLockHeld;
    std::this_thread::sleep_for(kLockPoll);
  }
}

}  // namespace

#ifdef _WIN32

namespace {

std::string LastWhy() {
  return Why({static_cast<int>(GetLastError()), std::system_category()});
}

// Whether the file's last byte ends a line; an empty or unreadable file counts as ended.
bool EndsLine(HANDLE file, std::int64_t size) {
  if (size <= 0) return true;
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>((size - 1) & 0xFFFFFFFF);
  at.OffsetHigh = static_cast<DWORD>((size - 1) >> 32);
  char last = '\n';
  DWORD got = 0;
  return !ReadFile(file, &last, 1, &got, &at) || got != 1 || last == '\n';
}

}  // namespace

bool AppendWhole(const std::string& path, const std::string& header, const std::string& text,
                 std::string& error, std::chrono::milliseconds lockWait) {
  // Appending without FILE_WRITE_DATA: every write goes to the end, as with
  // O_APPEND. GENERIC_READ for LockFileEx, which wants read or write access,
  // and for the last byte. The link itself is opened, not what it names.
  HANDLE file =
      CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ | FILE_APPEND_DATA,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = LastWhy();
    return false;
  }
  bool ok = false;
  OVERLAPPED whole{};
  BY_HANDLE_FILE_INFORMATION info{};
  std::optional<std::string> locked;
  if (GetFileType(file) != FILE_TYPE_DISK) {
    error = FileKindText(FileKind::Other);
  } else if (GetFileInformationByHandle(file, &info) &&
             (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    error = FileKindText(FileKind::Link);
  } else if ((locked = LockWithin(lockWait, [&]() -> std::optional<std::string> {
                if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                               MAXDWORD, MAXDWORD, &whole)) {
                  return std::nullopt;
                }
                return GetLastError() == ERROR_LOCK_VIOLATION ? std::string() : LastWhy();
              }))) {
    error = *locked;
  } else {
    LARGE_INTEGER size{};
    const bool sized = GetFileSizeEx(file, &size);
    std::string all = sized && size.QuadPart == 0               ? header
                      : !sized || EndsLine(file, size.QuadPart) ? std::string()
                                                                : std::string("\r\n");
    all += text;
    DWORD written = 0;
    // Not cut back here (that needs the right to rewrite the file): the
    // next append finds the line without its end and ends it first.
    ok = WriteFile(file, all.data(), static_cast<DWORD>(all.size()), &written, nullptr) &&
         written == all.size();
    if (!ok) error = LastWhy();
    UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &whole);
  }
  CloseHandle(file);
  return ok;
}

#else

namespace {

constexpr const char* kWriteProtected = "файл защищен от записи";

std::string WhyErrno(int code) {
  return Why({code, std::generic_category()});
}

// Whether the file's last byte ends a line; an empty file, or one this
// program may not read, counts as ended.
bool EndsLine(int fd, off_t size) {
  char last = '\n';
  return size <= 0 || ::pread(fd, &last, 1, size - 1) != 1 || last == '\n';
}

// Writes all of text, or returns why not (0 when done).
int WriteAll(int fd, const std::string& text) {
  for (std::size_t done = 0; done < text.size();) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : EIO;
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

// Under the lock: the record at the end of the file, on a line of its own.
bool AppendLocked(int fd, const std::string& header, const std::string& text, std::string& error) {
  // Asked again under the lock: another program may have just begun the file.
  struct stat facts {};
  if (::fstat(fd, &facts) != 0) {
    error = WhyErrno(errno);
    return false;
  }
  std::string all = facts.st_size == 0            ? header
                    : EndsLine(fd, facts.st_size) ? std::string()
                                                  : std::string("\r\n");
  all += text;
  const int code = WriteAll(fd, all);
  if (code == 0) return true;
  // A write cut short (disk full, file-size limit) would leave a line
  // without its end, and the next record glued to it: cut it off again.
  if (::ftruncate(fd, facts.st_size) != 0) {
    // Then the next append finds the line without its end and ends it first.
  }
  error = WhyErrno(code);
  return false;
}

}  // namespace

// OpenWritableFile's work: the descriptor, or -1 with error saying why.
int OpenWritable(const std::string& path, WriteMode mode, std::string& error) {
  // Not following a link (O_NOFOLLOW): it names whatever its maker chose,
  // and root would write to that. Not waiting on a FIFO nobody reads
  // (O_NONBLOCK). An append reads too when allowed, for the last byte.
  const bool append = mode == WriteMode::Append;
  const int flags =
      O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | (append ? O_APPEND : 0);
  int fd = ::open(path.c_str(), (append ? O_RDWR : O_WRONLY) | flags, 0666);
  if (fd < 0 && append && errno == EACCES) fd = ::open(path.c_str(), O_WRONLY | flags, 0666);
  struct stat facts {};
  if (fd < 0) {
    const int code = errno;
    // ELOOP is the link O_NOFOLLOW met, ENXIO a FIFO with no reader or a
    // socket, EACCES perhaps a file its owner keeps from writing: what
    // stands there says more than the system's words.
    const bool looked =
        (code == ELOOP || code == ENXIO || code == EACCES) && ::lstat(path.c_str(), &facts) == 0;
    if (looked && !S_ISREG(facts.st_mode)) {
      error = FileKindText(FileKindOfMode(facts.st_mode));
    } else if (looked && (facts.st_mode & 0222) == 0) {
      error = kWriteProtected;
    } else {
      error = WhyErrno(code);
    }
    return -1;
  }
  const bool known = ::fstat(fd, &facts) == 0;
  const bool regular = known && S_ISREG(facts.st_mode);
  // Written afresh, a FIFO with a reader or a device (a terminal, /dev/null)
  // takes the text as it comes; only a file can keep appended records.
  const bool stream = known && !append && (S_ISFIFO(facts.st_mode) || S_ISCHR(facts.st_mode));
  if (!known) {
    error = WhyErrno(errno);
  } else if (!regular && !stream) {
    error = FileKindText(FileKindOfMode(facts.st_mode));
  } else if (regular && (facts.st_mode & 0222) == 0) {
    // Its owner means to keep it as it is: root, whom the system would let
    // through, is refused it too, as the saves refuse it.
    error = kWriteProtected;
  } else if (regular && !append && ::ftruncate(fd, 0) != 0) {
    error = WhyErrno(errno);
  } else {
    // A stream waits when full, as any writer's would.
    if (stream) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
  }
  ::close(fd);
  return -1;
}

Result<int> OpenWritableFile(const std::string& path, WriteMode mode) {
  std::string why;
  const int fd = OpenWritable(path, mode, why);
  if (fd < 0) return Outcome{OutcomeKind::FileError, why};
  return fd;
}

bool AppendWhole(const std::string& path, const std::string& header, const std::string& text,
                 std::string& error, std::chrono::milliseconds lockWait) {
  const int fd = OpenWritable(path, WriteMode::Append, error);
  if (fd < 0) return false;
  bool ok = false;
  if (std::optional<std::string> locked =
          LockWithin(lockWait, [fd]() -> std::optional<std::string> {
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return std::nullopt;
            return errno == EWOULDBLOCK || errno == EINTR ? std::string() : WhyErrno(errno);
          })) {
    error = *locked;
  } else {
    ok = AppendLocked(fd, header, text, error);
  }
  ::close(fd);  // the lock goes with it
  return ok;
}

#endif

Outcome AppendToFile(const std::string& path, const std::string& header, const std::string& text,
                     std::chrono::milliseconds lockWait) {
  std::string why;
  if (AppendWhole(path, header, text, why, lockWait)) return {};
  return {OutcomeKind::FileError, why};
}

}  // namespace orten
