#include "common/DataFolders.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace orten {

std::string ExecutableFolder(const std::string& argv0) {
  std::error_code ec;
#ifdef _WIN32
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length > 0 && length < MAX_PATH) return fs::path(path).parent_path().string();
#else
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) return self.parent_path().string();
#endif
  const fs::path fromArgs = fs::absolute(fs::path(argv0), ec);
  return ec ? fs::current_path(ec).string() : fromArgs.parent_path().string();
}

std::string UserDataFolder() {
#ifdef _WIN32
  const char* base = std::getenv("LOCALAPPDATA");
  return (fs::path(base ? base : ".") / "ortenconf").string();
#else
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
    return (fs::path(xdg) / "ortenconf").string();
  }
  const char* home = std::getenv("HOME");
  return (fs::path(home ? home : ".") / ".local" / "share" / "ortenconf").string();
#endif
}

bool IsWritableFolder(const std::string& folder) {
  // Asking for permissions misses read-only mounts and ACLs: try it.
  const fs::path probe = fs::path(folder) / ".ortenconf-write-probe";
  {
    std::ofstream out(probe, std::ios::binary | std::ios::trunc);
    if (!out) return false;
  }
  std::error_code ec;
  fs::remove(probe, ec);
  return true;
}

bool IsInstalledProgram(const std::string& executableFolder) {
  // The install puts the program's shared files next to its bin folder; a
  // build tree has neither.
  const fs::path bin = fs::path(executableFolder).lexically_normal();
  if (bin.filename() != "bin") return false;
  std::error_code ec;
  return fs::is_directory(bin.parent_path() / "share" / "ortenconf", ec);
}

std::string ResolveProgramFolder(const std::string& executableFolder, const std::string& dataDir) {
  std::error_code ec;
  if (!dataDir.empty()) {
    fs::create_directories(dataDir, ec);
    return fs::absolute(dataDir, ec).lexically_normal().string();
  }
  // An installed program never keeps data beside itself, even where it
  // could (run as root, /usr/bin is writable).
  if (!IsInstalledProgram(executableFolder) && IsWritableFolder(executableFolder)) {
    return executableFolder;
  }
  const std::string user = UserDataFolder();
  fs::create_directories(user, ec);
  return user;
}

void EnsureDataFolders(const std::string& programFolder) {
  for (const char* name : {kBackupFolder, kFirmwareFolder, kSettingsFolder}) {
    const fs::path folder = fs::path(programFolder) / name;
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
