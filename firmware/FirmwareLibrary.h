#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/FileKind.h"
#include "base/Outcome.h"
#include "protocol/DeviceCommands.h"
#include "protocol/FirmwareImage.h"

namespace orten {

class Pacer;
class UserInterface;

namespace msg {
inline constexpr const char* kNoFirmwareFiles =
    "Внимание!\nВ папке Base не найдено ни одного файла прошивок!";
inline constexpr const char* kNoNewerFirmware = "Новых версий прошивок не найдено";
inline constexpr const char* kBadFirmwareFormat = "Ошибка: Неверный формат файла.";
inline constexpr const char* kFirmwareTypeMismatch =
    "Ошибка: Несовпадение типа прибора - Запись не доступна";
inline constexpr const char* kReceiverFirmwareType = "ПО для DEZ-RPU";
inline constexpr const char* kRelayFirmwareType = "ПО для DEZ-MRO";
}  // namespace msg

// Firmware images are some tens of KiB; a file past this is no firmware and
// is refused before it is read.
inline constexpr std::uintmax_t kMaxFirmwareFileBytes = 16 * 1024 * 1024;

// When a file was last changed, as the system clock counts; the clock's
// epoch when that cannot be found out (InspectFile tells the two apart).
std::chrono::system_clock::time_point FileModifiedTime(const std::string& path);

// "RPU" for the receiver family, "MRO" for the relay module, empty otherwise.
std::string FamilyCode(DeviceMode mode);
// The number all decimal digits of a file name spell, left to right;
// nothing for a name without digits or one beyond a signed 32-bit number.
std::optional<std::int32_t> FirmwareVersionNumber(std::string_view name);

// A name that carries one family's code and a version byte of the other
// family: the file would turn the device into the other kind.
std::string FirmwareFamilyProblem(const std::string& name, std::uint8_t version);

// Whether a version byte's family (FamilyOfVersion) is one the name may
// carry: the name holds that family's code, or no family code at all.
bool NameFitsFirmwareVersion(std::string_view name, std::uint8_t version);
// Byte 3 of a firmware head (55 55 TYPE VERSION), read from the first bytes
// of a regular file alone; nothing when there is no such head to read.
std::optional<std::uint8_t> ReadFirmwareVersionByte(const std::string& path);

// The entries of a folder whose name contains the family code
// (case-sensitive), whatever they are, in the order the folder lists them.
struct FirmwareEntry {
  std::string name;
  FileFacts facts;
};
std::vector<FirmwareEntry> ListFirmwareEntries(const std::string& folder, const std::string& code);
// Firmware files of a family in a folder: the entries above that are regular
// files (or links to one). Folders, FIFOs, devices, sockets and links to
// nothing are never offered: none of them can be read as firmware. A pacer,
// when given, is pumped as the folder is read, so a window stays alive over
// a folder of any size.
std::vector<std::string> ListFirmwareFiles(const std::string& folder, const std::string& code,
                                           Pacer* pacer = nullptr);

struct FirmwareCandidate {
  std::string name;
  std::int32_t number = 0;
};
// The most preferred of names (files in folder) whose number is above
// `above`, when given, and whose version byte is of family `mode`: the
// greatest version number (ties: the greater name); names without a usable
// number are left out. Heads are read one at a time in order of preference,
// up to the first that fits; a file whose head cannot be read stays a
// candidate (loading it says why).
std::optional<FirmwareCandidate> NewestFirmwareOf(const std::string& folder,
                                                  const std::vector<std::string>& names,
                                                  DeviceMode mode,
                                                  std::optional<std::int32_t> above = {});

// The newest firmware of the device's family in baseFolder, when its number
// is greater than the device's version; files whose version byte is of the
// other family are passed over. With no file of the family at all, says so
// in a box. The pacer as for ListFirmwareFiles.
std::optional<std::string> FindNewerFirmware(const std::string& baseFolder, DeviceMode mode,
                                             int deviceVersion, UserInterface& ui,
                                             Pacer* pacer = nullptr);

enum class FirmwareReadMode { Preview, Load };

// What a firmware file turned out to be, as far as its checks got. A
// refused file still brings the facts found before the refusing check, and
// they are shown before the refusal.
struct FirmwareFile {
  struct Facts {
    std::string name;
    std::uintmax_t size = 0;
    std::optional<std::chrono::system_clock::time_point> modified;  // nothing: unknown
  };
  std::optional<Facts> facts;           // once it has a firmware head
  std::optional<std::uint8_t> version;  // once its type and family fit
  std::string type;     // with the version: the caption of the family read for, or none
  FirmwareImage image;  // in Load mode, once every check passed
  Outcome outcome;      // Done, or FileError with the words to show

  bool loaded() const { return outcome.ok() && !image.empty(); }
};

// Checks one firmware file for a family (the one the user chose; None when
// no choice is made) and returns its facts; in Load mode also its image (in
// one read). A version byte of another family than the name's code is
// refused. Only a regular file of at most kMaxFirmwareFileBytes is read;
// anything else is refused, saying what it is, without being opened.
FirmwareFile ReadFirmwareFile(const std::string& path, FirmwareReadMode mode, DeviceMode family);

// Shows a refusal as the window always has: refused before any fact was
// found, status line then box; after them, box then status line.
void ShowFirmwareRefusal(const FirmwareFile& file, UserInterface& ui);

}  // namespace orten
