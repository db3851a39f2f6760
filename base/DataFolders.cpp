#include "base/DataFolders.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "base/Utf8Path.h"

#ifdef _WIN32
#include <windows.h>

#include <random>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace orten {

#ifdef _WIN32
namespace {

constexpr int kProbeAttempts = 16;  // a name taken by chance is tried again

// The full path of the running program; empty where the system cannot tell.
// Grows the buffer: a path may be longer than MAX_PATH.
std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD size = static_cast<DWORD>(path.size());
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), size);
    if (length == 0) return {};
    if (length < size) {
      path.resize(length);
      return path;
    }
    if (path.size() >= 32768) return {};  // beyond the longest path the system has
    path.resize(path.size() * 2);
  }
}

// A variable of the wide environment: the narrow one is ANSI.
std::wstring EnvironmentValue(const wchar_t* name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  const DWORD length = GetEnvironmentVariableW(name, value.data(), size);
  value.resize(length < size ? length : 0);
  return value;
}

}  // namespace
#endif

std::string ExecutableFolder(const std::string& argv0) {
  std::error_code ec;
#ifdef _WIN32
  const std::wstring self = ModulePath();
  if (!self.empty()) return Utf8FromPath(fs::path(self).parent_path());
#else
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) return self.parent_path().string();
#endif
  const fs::path fromArgs = fs::absolute(PathFromUtf8(argv0), ec);
  return Utf8FromPath(ec ? fs::current_path(ec) : fromArgs.parent_path());
}

std::string UserDataFolder() {
  // A relative value, or none, is to be ignored (the XDG base-directory
  // rules): it would put the data wherever the program happens to be started.
#ifdef _WIN32
  const fs::path base = EnvironmentValue(L"LOCALAPPDATA");
  if (!base.is_absolute()) return {};
  return Utf8FromPath(base / "ortenconf");
#else
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && fs::path(xdg).is_absolute()) {
    return (fs::path(xdg) / "ortenconf").string();
  }
  const char* home = std::getenv("HOME");
  if (!home || !fs::path(home).is_absolute()) return {};
  return (fs::path(home) / ".local" / "share" / "ortenconf").string();
#endif
}

bool IsWritableFolder(const std::string& folder) {
  // Asking for permissions misses read-only mounts and ACLs: try it, with a
  // file of a name no one else has, made afresh. Whatever is already there,
  // a link or a file of ours from an earlier start, is neither followed,
  // emptied nor removed.
#ifdef _WIN32
  std::random_device random;
  for (int attempt = 0; attempt < kProbeAttempts; ++attempt) {
    const fs::path probe =
        PathFromUtf8(folder) / (L".ortenconf-write-probe." + std::to_wstring(random()));
    const HANDLE handle = CreateFileW(probe.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      CloseHandle(handle);
      return true;
    }
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
#else
  std::string probe = (fs::path(folder) / ".ortenconf-write-probe.XXXXXX").string();
  const int fd = ::mkostemp(probe.data(), O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
#endif
}

bool IsInstalledProgram(const std::string& executableFolder) {
  // The install puts the program's shared files next to its bin folder; a
  // build tree and the portable Windows copy have neither. The Windows
  // installer lays out the same bin and share folders, so this also holds
  // under a writable Program Files (as an administrator's is).
  const fs::path bin = PathFromUtf8(executableFolder).lexically_normal();
  if (bin.filename() != "bin") return false;
  std::error_code ec;
  return fs::is_directory(bin.parent_path() / "share" / "ortenconf", ec);
}

std::string ResolveProgramFolder(const std::string& executableFolder, const std::string& dataDir) {
  std::error_code ec;
  if (!dataDir.empty()) {
    const fs::path dir = PathFromUtf8(dataDir);
    fs::create_directories(dir, ec);
    return Utf8FromPath(fs::absolute(dir, ec).lexically_normal());
  }
  // An installed program never keeps data beside itself, even where it
  // could (run as root, /usr/bin is writable).
  if (!IsInstalledProgram(executableFolder) && IsWritableFolder(executableFolder)) {
    return executableFolder;
  }
  const std::string user = UserDataFolder();
  if (!user.empty()) fs::create_directories(PathFromUtf8(user), ec);
  return user;
}

void EnsureDataFolders(const std::string& programFolder) {
  for (const char* name : {kBackupFolder, kFirmwareFolder, kSettingsFolder}) {
    const fs::path folder = PathFromUtf8(programFolder) / name;
    std::error_code ec;
    if (fs::exists(folder, ec)) continue;
    if (!fs::create_directory(folder, ec)) continue;
#ifdef _WIN32
    SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                           FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY |
                                           FILE_ATTRIBUTE_ARCHIVE);
#endif
  }
}

}  // namespace orten
