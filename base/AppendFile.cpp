#include "base/AppendFile.h"

#include <system_error>

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

std::string Why(std::error_code ec) {
  return FileErrorText(ec, FileAccess::Write);
}

}  // namespace

#ifdef _WIN32

bool AppendToFile(const std::string& path, const std::string& header, const std::string& text,
                  std::string& error) {
  // Appending without FILE_WRITE_DATA: every write goes to the end, as with
  // O_APPEND. GENERIC_READ for LockFileEx, which wants read or write access.
  HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ | FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = Why({static_cast<int>(GetLastError()), std::system_category()});
    return false;
  }
  bool ok = false;
  OVERLAPPED whole{};
  if (GetFileType(file) != FILE_TYPE_DISK) {
    error = FileKindText(FileKind::Other);
  } else if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) {
    error = Why({static_cast<int>(GetLastError()), std::system_category()});
  } else {
    LARGE_INTEGER size{};
    const std::string all = GetFileSizeEx(file, &size) && size.QuadPart == 0 ? header + text : text;
    DWORD written = 0;
    ok = WriteFile(file, all.data(), static_cast<DWORD>(all.size()), &written, nullptr) &&
         written == all.size();
    if (!ok) error = Why({static_cast<int>(GetLastError()), std::system_category()});
    UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &whole);
  }
  CloseHandle(file);
  return ok;
}

#else

bool AppendToFile(const std::string& path, const std::string& header, const std::string& text,
                  std::string& error) {
  // O_NONBLOCK: a FIFO put in the file's place must not hold the program
  // until someone reads it; it is refused below.
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
  if (fd < 0) {
    error = Why({errno, std::generic_category()});
    return false;
  }
  struct stat facts {};
  bool ok = false;
  if (::fstat(fd, &facts) != 0) {
    error = Why({errno, std::generic_category()});
  } else if (!S_ISREG(facts.st_mode)) {
    error = FileKindText(S_ISFIFO(facts.st_mode)  ? FileKind::Fifo
                         : S_ISCHR(facts.st_mode) ? FileKind::Device
                                                  : FileKind::Other);
  } else if (::flock(fd, LOCK_EX) != 0) {
    error = Why({errno, std::generic_category()});
  } else {
    // Asked again under the lock: another program may have just begun the file.
    const bool fresh = ::fstat(fd, &facts) == 0 && facts.st_size == 0;
    const std::string all = fresh ? header + text : text;
    const ssize_t written = ::write(fd, all.data(), all.size());
    ok = written == static_cast<ssize_t>(all.size());
    if (!ok) {
      // A short write leaves a torn line; the reader skips it.
      error = Why(written < 0 ? std::error_code(errno, std::generic_category())
                              : std::make_error_code(std::errc::no_space_on_device));
    }
  }
  ::close(fd);  // the lock goes with it
  return ok;
}

#endif

}  // namespace orten
