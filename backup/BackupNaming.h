#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orten {

// The device's role in the alarm system, as the backup page's "РПУ"/"РТР" choice.
enum class SystemMode { None = -1, Rpu = 0, Rtr = 1 };

inline constexpr const char* kRpuPrefix = "DEZ_RPU_";
inline constexpr const char* kRtrPrefix = "DEZ_RTR_";
inline constexpr const char* kObjectPart = "object_";
inline constexpr const char* kConfCodePart = "_conf_";

// "DEZ_RPU_", "DEZ_RTR_", or empty without a system mode.
std::string SystemModePrefix(SystemMode mode);

// DEZ_RPU_3_071226_object_125_conf_17 (the dialog adds ".rrg"); with no
// system mode only "_conf_" and the code remain.
std::string DefaultBackupName(SystemMode mode, const std::string& module,
                              const std::string& dateStamp, const std::string& object,
                              const std::string& confCode);

// What a backup's path tells about the device: the first "DEZ_RPU_" or
// "DEZ_RTR_" in the whole path (RTR wins when both occur) gives the system
// mode and starts the module number, "object_" starts the object number;
// each number runs to the next "_" or the end of the path.
struct BackupNameFacts {
  SystemMode mode = SystemMode::None;
  std::optional<std::string> module;
  std::optional<std::string> object;
};
BackupNameFacts ReadBackupName(const std::string& path);

// The module numbers of a system mode: 1-4 for РПУ, 5-196 for РТР.
std::vector<std::string> ModuleNumbers(SystemMode mode);
// Whether typed module text passes: empty text always does, and without a
// system mode there is no test; text that is not a number fails.
bool ModuleNumberAccepted(SystemMode mode, const std::string& text);

// The object number as it goes into a backup's name: one to kMaxObjectDigits
// decimal digits, so no name made with it leaves its folder or hides anything.
inline constexpr std::size_t kMaxObjectDigits = 9;
bool ObjectNumberAccepted(const std::string& text);

}  // namespace orten
