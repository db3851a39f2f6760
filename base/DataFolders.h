#pragma once

#include <string>

namespace orten {

inline constexpr const char* kBackupFolder = "Reg_RPU";
inline constexpr const char* kFirmwareFolder = "Base";
inline constexpr const char* kSettingsFolder = "ReleCfg";

// The folder of the running executable (argv0 is the fallback where the
// system cannot tell).
std::string ExecutableFolder(const std::string& argv0);
// Where this user's data goes when the program's own folder is not used.
// Empty when the environment names no absolute folder for it (HOME unset, a
// relative XDG_DATA_HOME, on Windows no LOCALAPPDATA): the current folder
// is never taken instead.
std::string UserDataFolder();
#ifdef _WIN32
inline constexpr const char* kNoDataFolder =
    "нет папки данных пользователя: переменная LOCALAPPDATA не задана или не является полным "
    "путем; укажите папку данных параметром --data-dir";
#else
inline constexpr const char* kNoDataFolder =
    "нет папки данных пользователя: переменная HOME не задана или не является полным путем (как "
    "и XDG_DATA_HOME); задайте ее или укажите папку данных параметром --data-dir";
#endif
// Whether a file can be made in folder: tried with a probe file of its own,
// which is then removed; nothing already in the folder is touched.
bool IsWritableFolder(const std::string& folder);
// An installed program: its executable sits in PREFIX/bin and the install's
// PREFIX/share/ortenconf is there.
bool IsInstalledProgram(const std::string& executableFolder);
// The program's folder: dataDir when given; else, for a program that is not
// installed, the executable's folder when it is writable; else the user's
// data folder, or empty when there is none (kNoDataFolder says why).
std::string ResolveProgramFolder(const std::string& executableFolder, const std::string& dataDir);
// Creates "Reg_RPU", "Base" and "ReleCfg" inside programFolder where they are
// missing (on Windows hidden, system and read-only, as the device's tools
// keep them). Existing folders are left alone. Failures are not reported:
// the file operations that need a folder report their own.
void EnsureDataFolders(const std::string& programFolder);

}  // namespace orten
