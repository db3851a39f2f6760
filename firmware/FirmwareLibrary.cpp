#include "firmware/FirmwareLibrary.h"

#include <filesystem>
#include <fstream>
#include <limits>

#include "common/Utf8Path.h"
#include "firmware/FirmwareImage.h"
#include "link/Packets.h"
#include "link/Transport.h"
#include "link/UserInterface.h"

namespace fs = std::filesystem;

namespace orten {

namespace {

constexpr std::uintmax_t kHeadChecked = 4;  // sync, sync, type code, version

// Status line first, then the box: the order the window has always used for
// a file it cannot read.
void Refuse(UserInterface& ui, const std::string& text) {
  ui.SetStatusText(text);
  ui.ShowMessage(text);
}

std::string LengthProblem(const std::string& name, std::uintmax_t size) {
  return "Ошибка: Файл прошивки " + name + " имеет длину " + std::to_string(size) +
         " байт; прибор принимает только файлы длиной 10 + 64·n байт.";
}

}  // namespace

std::chrono::system_clock::time_point FileModifiedTime(const std::string& path) {
  std::error_code ec;
  const fs::file_time_type t = fs::last_write_time(PathFromUtf8(path), ec);
  return std::chrono::time_point_cast<std::chrono::system_clock::duration>(
      t - fs::file_time_type::clock::now() + std::chrono::system_clock::now());
}

bool IsWritableFirmwareLength(std::uintmax_t size) {
  return size >= 10 && (size - 10) % kChunkSize == 0;
}

std::string FamilyCode(DeviceMode mode) {
  switch (mode) {
    case DeviceMode::Receiver:
      return "RPU";
    case DeviceMode::Relay:
      return "MRO";
    case DeviceMode::None:
      break;
  }
  return {};
}

std::optional<std::int32_t> FirmwareVersionNumber(std::string_view name) {
  std::int64_t number = 0;
  bool digits = false;
  for (char c : name) {
    if (c < '0' || c > '9') continue;
    digits = true;
    number = number * 10 + (c - '0');
    if (number > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  }
  if (!digits) return std::nullopt;
  return static_cast<std::int32_t>(number);
}

std::vector<std::string> ListFirmwareFiles(const std::string& folder, const std::string& code) {
  std::vector<std::string> names;
  if (code.empty()) return names;
  std::error_code ec;
  for (fs::directory_iterator it(PathFromUtf8(folder), ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string name = Utf8FromPath(it->path().filename());
    // A folder named like firmware cannot be written to a device.
    if (name.find(code) != std::string::npos && !it->is_directory(ec)) names.push_back(name);
  }
  return names;
}

std::optional<FirmwareCandidate> NewestFirmware(const std::vector<std::string>& names) {
  std::optional<FirmwareCandidate> best;
  for (const std::string& name : names) {
    const std::optional<std::int32_t> number = FirmwareVersionNumber(name);
    if (!number) continue;
    if (!best || *number > best->number || (*number == best->number && name > best->name)) {
      best = FirmwareCandidate{name, *number};
    }
  }
  return best;
}

std::optional<std::string> FindNewerFirmware(const std::string& baseFolder, DeviceMode mode,
                                             int deviceVersion, UserInterface& ui) {
  const std::vector<std::string> names = ListFirmwareFiles(baseFolder, FamilyCode(mode));
  if (names.empty()) {
    ui.ShowMessage(msg::kNoFirmwareFiles, kSystemCaption);
    return std::nullopt;
  }
  const std::optional<FirmwareCandidate> newest = NewestFirmware(names);
  if (!newest || newest->number <= deviceVersion) return std::nullopt;
  return newest->name;
}

bool ReadFirmwareFile(const std::string& path, FirmwareReadMode mode,
                      const FirmwareReadContext& context, FirmwareFactsView& view,
                      UserInterface& ui, FirmwareImage* image) {
  const fs::path file = PathFromUtf8(path);
  const std::string name = Utf8FromPath(file.filename());
  std::error_code ec;
  const std::uintmax_t size = fs::is_regular_file(file, ec) ? fs::file_size(file, ec) : 0;
  std::ifstream in(file, std::ios::binary);
  if (ec || !in) {
    Refuse(ui, "Ошибка: Не удается открыть файл прошивки " + path + ".");
    return false;
  }
  // One read of the whole file; nothing is looked at byte by byte.
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (static_cast<std::uintmax_t>(in.gcount()) != size) {
    Refuse(ui, "Ошибка: Не удается прочитать файл прошивки " + path + ".");
    return false;
  }
  if (size < kHeadChecked) {
    Refuse(ui, LengthProblem(name, size));
    return false;
  }
  if (bytes[0] != kPacketSync || bytes[1] != kPacketSync) {
    Refuse(ui, msg::kBadFirmwareFormat);
    return false;
  }
  view.ShowFileName(name);
  view.ShowFileSize(size);
  view.ShowFileDate(FileModifiedTime(path));
  if (bytes[2] != kFirmwareTypeCode) {
    ui.ShowMessage(msg::kFirmwareTypeMismatch);
    ui.SetStatusText(msg::kFirmwareTypeMismatch);
    return false;
  }
  if (context.selectedFamilyItem == 0) view.ShowFileType(msg::kReceiverFirmwareType);
  if (context.selectedFamilyItem == 1) view.ShowFileType(msg::kRelayFirmwareType);
  view.ShowNewVersion(VersionText(bytes[3], context.deviceMode));
  if (!IsWritableFirmwareLength(size)) {
    // The device would never get the incomplete last block: refuse the file
    // before anything is sent.
    ui.ShowMessage(LengthProblem(name, size));
    ui.SetStatusText(LengthProblem(name, size));
    return false;
  }
  if (mode == FirmwareReadMode::Preview) return false;
  if (image) *image = FirmwareImage(std::move(bytes));
  return image != nullptr;
}

}  // namespace orten
