#include "base/AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <random>
#include <system_error>

#include "base/FileKind.h"
#include "base/Utf8Path.h"
#include "base/Wording.h"

#ifdef _WIN32
#include <windows.h>

#include <filesystem>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace orten {

namespace {

constexpr std::size_t kNameChars = 200;
// Of the target's name in the temporary's: enough to tell whose it is, short
// enough that the temporary's name stays within the system's limit.
constexpr std::size_t kTempStemBytes = 100;
constexpr int kTempAttempts = 64;
constexpr int kMaxLinkHops = 40;  // as many as the kernel follows
constexpr const char* kWriteProtected = "файл защищен от записи";

std::string Failure(const std::string& path, const std::string& why) {
  return "Не удается записать файл " + EscapedExcerpt(path, kNameChars) + ": " + why + ".";
}

std::string Failure(const std::string& path, std::error_code error) {
  return Failure(path, FileErrorText(error, FileAccess::Write));
}

// The target's name cut to kTempStemBytes, never inside a UTF-8 character.
std::string TempStem(std::string name) {
  if (name.size() <= kTempStemBytes) return name;
  std::size_t end = kTempStemBytes;
  while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
  name.resize(end);
  return name;
}

// ".NAME.<16 hex digits>.tmp": a dot file where those are hidden, and a name
// no other save picks, so two saves never share a temporary.
std::string TempName(const std::string& targetName) {
  std::random_device random;
  const std::uint64_t bits = (std::uint64_t{random()} << 32) ^ random();
  char suffix[17];
  std::snprintf(suffix, sizeof suffix, "%016" PRIx64, bits);
  // Appended piece by piece: GCC 12 sees overlaps in a chain of operator+
  // that are not there (GCC bug 105329).
  std::string name(1, '.');
  name.append(TempStem(targetName)).append(1, '.').append(suffix).append(".tmp");
  return name;
}

#ifdef _WIN32

// The usual Windows failures as the portable codes FileErrorText knows.
std::error_code LastError() {
  const DWORD code = GetLastError();
  switch (code) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return std::make_error_code(std::errc::permission_denied);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return std::make_error_code(std::errc::no_space_on_device);
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
      return std::make_error_code(std::errc::no_such_file_or_directory);
    case ERROR_WRITE_PROTECT:
      return std::make_error_code(std::errc::read_only_file_system);
    case ERROR_FILENAME_EXCED_RANGE:
      return std::make_error_code(std::errc::filename_too_long);
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return std::make_error_code(std::errc::file_exists);
    default:
      return {static_cast<int>(code), std::system_category()};
  }
}

// The temporary until it is renamed into place: closed and removed on any failure.
struct TempFile {
  HANDLE handle = INVALID_HANDLE_VALUE;
  std::filesystem::path path;
  ~TempFile() {
    Close();
    if (!path.empty()) DeleteFileW(path.c_str());
  }
  bool Close() {
    const bool closed = handle == INVALID_HANDLE_VALUE || CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
    return closed;
  }
};

// The wide name as the ANSI functions of the C library take it, if it has
// no character the code page lacks; else its 8.3 short name, where the
// volume keeps those.
bool AnsiName(const std::filesystem::path& name, std::string& ansi) {
  const auto convert = [&ansi](const std::wstring& wide) {
    BOOL lossy = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, nullptr, 0,
                                         nullptr, &lossy);
    if (size <= 0 || lossy) return false;
    ansi.assign(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, ansi.data(), size, nullptr,
                        &lossy);
    ansi.resize(static_cast<std::size_t>(size - 1));
    return !lossy;
  };
  if (convert(name.wstring())) return true;
  std::wstring shortName(32768, L'\0');
  const DWORD length =
      GetShortPathNameW(name.c_str(), shortName.data(), static_cast<DWORD>(shortName.size()));
  if (length == 0 || length >= shortName.size()) return false;
  shortName.resize(length);
  return convert(shortName);
}

// Writes text at the handle's end.
bool WriteAll(HANDLE handle, const std::string& text) {
  for (std::size_t done = 0; done < text.size();) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(handle, text.data() + done, chunk, &written, nullptr) || written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}

// The temporary is filled by fill (false: why, or the system's last error).
bool Replace(const std::string& path, const std::function<bool(TempFile&, std::string&)>& fill,
             std::string& error) {
  namespace fs = std::filesystem;
  fs::path target = PathFromUtf8(path);
  for (int hop = 0;; ++hop) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(target, ec))) break;
    const fs::path next = fs::read_symlink(target, ec);
    if (!ec && hop == kMaxLinkHops)
      ec = std::make_error_code(std::errc::too_many_symbolic_link_levels);
    if (ec) {
      error = Failure(path, ec);
      return false;
    }
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  const DWORD attributes = GetFileAttributesW(target.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    error = Failure(path, std::make_error_code(std::errc::is_a_directory));
    return false;
  }
  if (exists && (attributes & FILE_ATTRIBUTE_READONLY)) {
    error = Failure(path, kWriteProtected);
    return false;
  }

  TempFile temp;
  const std::string name = Utf8FromPath(target.filename());
  for (int attempt = 0; attempt < kTempAttempts && temp.handle == INVALID_HANDLE_VALUE; ++attempt) {
    const fs::path candidate = target.parent_path() / PathFromUtf8(TempName(name));
    temp.handle = CreateFileW(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (temp.handle != INVALID_HANDLE_VALUE) {
      temp.path = candidate;
    } else if (GetLastError() != ERROR_FILE_EXISTS) {
      error = Failure(path, LastError());
      return false;
    }
  }
  if (temp.handle == INVALID_HANDLE_VALUE) {
    error = Failure(path, std::make_error_code(std::errc::file_exists));
    return false;
  }
  std::string why;
  if (!fill(temp, why)) {
    error = why.empty() ? Failure(path, LastError()) : Failure(path, why);
    return false;
  }
  if (!FlushFileBuffers(temp.handle) || !temp.Close()) {
    error = Failure(path, LastError());
    return false;
  }
  // Hidden and system files stay so; read-only ones were refused above.
  const DWORD kept = exists ? attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED)
                            : 0;
  if (kept != 0) SetFileAttributesW(temp.path.c_str(), kept);
  if (!MoveFileExW(temp.path.c_str(), target.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = Failure(path, LastError());
    return false;
  }
  temp.path.clear();
  return true;
}

}  // namespace

bool ReplaceWithText(const std::string& path, const std::string& text, std::string& error) {
  return Replace(
      path, [&text](TempFile& temp, std::string&) { return WriteAll(temp.handle, text); }, error);
}

bool ReplaceByName(const std::string& path, const FillByName& fill, std::string& error) {
  return Replace(
      path,
      [&fill](TempFile& temp, std::string& why) {
        std::string name;
        if (!AnsiName(temp.path, name)) {
          why = "в пути есть знаки, которых нет в кодовой странице Windows";
          return false;
        }
        temp.Close();  // the library opens it by its name
        if (!fill(name, why)) return false;
        // Open again to flush it to the disk before the rename.
        temp.handle = CreateFileW(temp.path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        return temp.handle != INVALID_HANDLE_VALUE;
      },
      error);
}

#else

std::error_code Errno(int code = errno) {
  return {code, std::generic_category()};
}

// "a/b/" of "a/b/c", empty for a bare name.
std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Follows links to the file a save replaces, each read against the folder of
// the link itself; a link to nothing ends at the path it names. info is what
// lstat says of the end, when exists. 0 or the errno that stopped it.
int ResolveLinks(std::string& path, struct stat& info, bool& exists) {
  for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
    exists = ::lstat(path.c_str(), &info) == 0;
    if (!exists) return errno == ENOENT ? 0 : errno;
    if (!S_ISLNK(info.st_mode)) return 0;
    std::string next(4096, '\0');
    const ssize_t length = ::readlink(path.c_str(), next.data(), next.size());
    if (length < 0) return errno;
    if (static_cast<std::size_t>(length) == next.size()) return ENAMETOOLONG;
    next.resize(static_cast<std::size_t>(length));
    path = next.starts_with('/') ? next : FolderOf(path) + next;
  }
  return ELOOP;
}

// The temporary until it is renamed into place: closed and removed on any failure.
struct TempFile {
  int fd = -1;
  std::string path;
  ~TempFile() {
    Close();
    if (!path.empty()) ::unlink(path.c_str());
  }
  bool Close() {
    const bool closed = fd < 0 || ::close(fd) == 0;
    fd = -1;
    return closed;
  }
};

// After the rename, so the new name survives a crash too; a folder that
// cannot be synced still holds the file, so nothing is reported.
void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Writes text at the descriptor's end; false with errno set.
bool WriteAll(int fd, const std::string& text) {
  for (std::size_t done = 0; done < text.size();) {
    const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      if (written == 0) errno = EIO;
      return false;
    }
    done += static_cast<std::size_t>(written);
  }
  return true;
}

// The temporary is filled by fill (false: why, or errno's words).
bool Replace(const std::string& path, const std::function<bool(TempFile&, std::string&)>& fill,
             std::string& error) {
  std::string target = path;
  struct stat info {};
  bool exists = false;
  if (const int code = ResolveLinks(target, info, exists)) {
    error = Failure(path, Errno(code));
    return false;
  }
  if (exists && S_ISDIR(info.st_mode)) {
    error = Failure(path, Errno(EISDIR));
    return false;
  }
  if (exists && !S_ISREG(info.st_mode)) {
    error = Failure(path, FileKindText(InspectFile(target).kind));
    return false;
  }
  // A file without write permission is one its owner means to keep: root,
  // whom the system would let through, is refused it too.
  if (exists && ((info.st_mode & 0222) == 0 ||
                 ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)) {
    const bool denied = (info.st_mode & 0222) == 0 || errno == EACCES;
    error = denied ? Failure(path, kWriteProtected) : Failure(path, Errno());
    return false;
  }

  const std::string folder = FolderOf(target);
  TempFile temp;
  for (int attempt = 0; attempt < kTempAttempts && temp.fd < 0; ++attempt) {
    const std::string candidate = folder + TempName(target.substr(folder.size()));
    // Created here and now, or not at all: whatever stands at that name,
    // a link above all, is left alone.
    temp.fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (temp.fd >= 0) {
      temp.path = candidate;
    } else if (errno != EEXIST) {
      error = Failure(path, Errno());
      return false;
    }
  }
  if (temp.fd < 0) {
    error = Failure(path, Errno(EEXIST));
    return false;
  }
  if (exists) {
    // The owner stays where the system allows (root saving a user's file);
    // the mode after it, as a change of owner clears the set-ID bits.
    if (::fchown(temp.fd, info.st_uid, info.st_gid) != 0) {
      // Not allowed: the file becomes the saver's, as with any editor.
    }
    if (::fchmod(temp.fd, info.st_mode & 07777) != 0) {
      error = Failure(path, Errno());
      return false;
    }
  }
  std::string why;
  if (!fill(temp, why)) {
    error = why.empty() ? Failure(path, Errno()) : Failure(path, why);
    return false;
  }
  // Flushed before the rename: after a crash the name holds the old file or
  // the new one, never an empty one. Some file systems report a failed write
  // only at the close.
  if (::fsync(temp.fd) != 0 || !temp.Close()) {
    error = Failure(path, Errno());
    return false;
  }
  if (::rename(temp.path.c_str(), target.c_str()) != 0) {
    error = Failure(path, Errno());
    return false;
  }
  temp.path.clear();
  SyncFolder(folder);
  return true;
}

}  // namespace

bool ReplaceWithText(const std::string& path, const std::string& text, std::string& error) {
  return Replace(
      path, [&text](TempFile& temp, std::string&) { return WriteAll(temp.fd, text); }, error);
}

bool ReplaceByName(const std::string& path, const FillByName& fill, std::string& error) {
  return Replace(
      path,
      [&fill](TempFile& temp, std::string& why) {
        temp.Close();  // the library opens it by its name
        if (!fill(temp.path, why)) return false;
        // Open again to flush it to the disk before the rename.
        temp.fd = ::open(temp.path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
        return temp.fd >= 0;
      },
      error);
}

#endif

Outcome WriteFileAtomically(const std::string& path, const std::string& text) {
  std::string error;
  if (ReplaceWithText(path, text, error)) return {};
  return {OutcomeKind::FileError, error};
}

Outcome WriteFileAtomicallyBy(const std::string& path, const FillByName& fill) {
  std::string error;
  if (ReplaceByName(path, fill, error)) return {};
  return {OutcomeKind::FileError, error};
}

}  // namespace orten
