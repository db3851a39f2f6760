#include "firmware/FirmwareLibrary.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <limits>

#include "base/Pacer.h"
#include "base/RegularFileReader.h"
#include "base/UserInterface.h"
#include "base/Utf8Path.h"
#include "base/Wording.h"
#include "protocol/FirmwareImage.h"
#include "protocol/Packets.h"

namespace fs = std::filesystem;

namespace orten {

namespace {

constexpr std::uintmax_t kHeadChecked = 4;  // sync, sync, type code, version
constexpr std::size_t kNameChars = 200;
// Folder entries between two turns of the window while Base is listed: a
// hundred thousand of them take long enough to freeze it otherwise.
constexpr int kEntriesPerPump = 256;

// Calls use(entry, name) for each entry of folder whose name holds code.
template <typename Use>
void ForEachFamilyEntry(const std::string& folder, const std::string& code, Pacer* pacer, Use use) {
  if (code.empty()) return;
  std::error_code ec;
  int sincePump = 0;
  for (fs::directory_iterator it(PathFromUtf8(folder), ec), end; !ec && it != end;
       it.increment(ec)) {
    if (pacer && ++sincePump == kEntriesPerPump) {
      sincePump = 0;
      pacer->Pump();
    }
    std::string name = Utf8FromPath(it->path().filename());
    if (name.find(code) != std::string::npos) use(*it, std::move(name));
  }
}

// File names and paths come from the user's disk: shown escaped.
std::string Shown(const std::string& text) {
  return EscapedExcerpt(text, kNameChars);
}

std::string LengthProblem(const std::string& name, std::uintmax_t size) {
  return "Ошибка: Файл прошивки " + Shown(name) + " имеет длину " + ByteCountText(size) +
         "; прибор принимает только файлы длиной 10 + 64·n байт.";
}

std::string FileRefusal(const std::string& path, const RegularFileRead& read) {
  return ReadRefusal(read, {"Ошибка: Файл прошивки " + Shown(path),
                            "Ошибка: Не удается открыть файл прошивки " + Shown(path),
                            "файлы прошивок не бывают больше " +
                                std::to_string(kMaxFirmwareFileBytes / (1024 * 1024)) + " МиБ"});
}

DeviceMode OtherFamily(DeviceMode mode) {
  return mode == DeviceMode::Receiver ? DeviceMode::Relay : DeviceMode::Receiver;
}

// "RPU (РПУ/РТР)": the code as file names carry it, the kind as the user knows it.
std::string FamilyWords(DeviceMode mode) {
  return FamilyCode(mode) + (mode == DeviceMode::Receiver ? " (РПУ/РТР)" : " (МРО)");
}

// The greater version number is preferred; of equal numbers, the greater name.
bool LessPreferred(const FirmwareCandidate& a, const FirmwareCandidate& b) {
  return a.number != b.number ? a.number < b.number : a.name < b.name;
}

bool Holds(std::string_view name, DeviceMode mode) {
  return name.find(FamilyCode(mode)) != std::string_view::npos;
}

}  // namespace

std::string FirmwareFamilyProblem(const std::string& name, std::uint8_t version) {
  const DeviceMode byVersion = FamilyOfVersion(version);
  return "Ошибка: Имя файла прошивки " + Shown(name) + " указывает на " +
         FamilyWords(OtherFamily(byVersion)) + ", а байт версии " + std::to_string(version) +
         " - на " + FamilyWords(byVersion) + ". Запись не доступна.";
}

bool NameFitsFirmwareVersion(std::string_view name, std::uint8_t version) {
  const DeviceMode byVersion = FamilyOfVersion(version);
  return Holds(name, byVersion) || !Holds(name, OtherFamily(byVersion));
}

std::optional<std::uint8_t> ReadFirmwareVersionByte(const std::string& path) {
  // Only a regular file is opened: a FIFO would keep the search waiting.
  if (InspectFile(path).kind != FileKind::Regular) return std::nullopt;
  std::ifstream in(PathFromUtf8(path), std::ios::binary);
  std::array<char, kHeadChecked> head{};
  if (!in.read(head.data(), head.size())) return std::nullopt;
  if (static_cast<std::uint8_t>(head[0]) != kPacketSync ||
      static_cast<std::uint8_t>(head[1]) != kPacketSync) {
    return std::nullopt;
  }
  return static_cast<std::uint8_t>(head[3]);
}

std::chrono::system_clock::time_point FileModifiedTime(const std::string& path) {
  return InspectFile(path).modified.value_or(std::chrono::system_clock::time_point{});
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

std::vector<FirmwareEntry> ListFirmwareEntries(const std::string& folder, const std::string& code) {
  std::vector<FirmwareEntry> entries;
  ForEachFamilyEntry(
      folder, code, nullptr, [&](const fs::directory_entry& entry, std::string name) {
        entries.push_back({std::move(name), InspectFile(Utf8FromPath(entry.path()))});
      });
  return entries;
}

std::vector<std::string> ListFirmwareFiles(const std::string& folder, const std::string& code,
                                           Pacer* pacer) {
  std::vector<std::string> names;
  ForEachFamilyEntry(folder, code, pacer, [&](const fs::directory_entry& entry, std::string name) {
    // The kind the listing already brought: no stat, except to follow a link
    // or where the file system does not say.
    std::error_code ec;
    if (entry.is_regular_file(ec)) names.push_back(std::move(name));
  });
  return names;
}

std::optional<FirmwareCandidate> NewestFirmwareOf(const std::string& folder,
                                                  const std::vector<std::string>& names,
                                                  DeviceMode mode,
                                                  std::optional<std::int32_t> above) {
  // One pass gathers what may be offered; a heap built over it in linear
  // time gives the most preferred first, and the next only when a head
  // names the other family. Base may hold a hundred thousand names.
  std::vector<FirmwareCandidate> candidates;
  for (const std::string& name : names) {
    const std::optional<std::int32_t> number = FirmwareVersionNumber(name);
    if (number && (!above || *number > *above)) candidates.push_back({name, *number});
  }
  std::make_heap(candidates.begin(), candidates.end(), LessPreferred);
  for (auto end = candidates.end(); end != candidates.begin(); --end) {
    std::pop_heap(candidates.begin(), end, LessPreferred);
    FirmwareCandidate& candidate = *(end - 1);
    const std::optional<std::uint8_t> version =
        ReadFirmwareVersionByte(Utf8FromPath(PathFromUtf8(folder) / PathFromUtf8(candidate.name)));
    if (version && FamilyOfVersion(*version) != mode) continue;
    return std::move(candidate);
  }
  return std::nullopt;
}

std::optional<std::string> FindNewerFirmware(const std::string& baseFolder, DeviceMode mode,
                                             int deviceVersion, UserInterface& ui, Pacer* pacer) {
  const std::vector<std::string> names = ListFirmwareFiles(baseFolder, FamilyCode(mode), pacer);
  if (names.empty()) {
    ui.ShowMessage(msg::kNoFirmwareFiles, kSystemCaption);
    return std::nullopt;
  }
  const std::optional<FirmwareCandidate> newest =
      NewestFirmwareOf(baseFolder, names, mode, deviceVersion);
  if (!newest) return std::nullopt;
  return newest->name;
}

FirmwareFile ReadFirmwareFile(const std::string& path, FirmwareReadMode mode, DeviceMode family) {
  FirmwareFile file;
  const auto refuse = [&file](std::string words) {
    file.outcome = {OutcomeKind::FileError, std::move(words)};
    return file;
  };
  const std::string name = Utf8FromPath(PathFromUtf8(path).filename());
  // One bounded read of the whole file; nothing is looked at byte by byte.
  const RegularFileRead read = ReadRegularFile(path, kMaxFirmwareFileBytes);
  if (read.status != RegularFileRead::Status::Read) return refuse(FileRefusal(path, read));
  std::vector<std::uint8_t> bytes(read.bytes.begin(), read.bytes.end());
  const std::uintmax_t size = bytes.size();
  if (size < kHeadChecked) return refuse(LengthProblem(name, size));
  if (bytes[0] != kPacketSync || bytes[1] != kPacketSync) return refuse(msg::kBadFirmwareFormat);
  file.facts = FirmwareFile::Facts{name, size, read.facts.modified};
  if (bytes[2] != kFirmwareTypeCode) return refuse(msg::kFirmwareTypeMismatch);
  // Written, it would turn the device into the other kind.
  if (!NameFitsFirmwareVersion(name, bytes[3]))
    return refuse(FirmwareFamilyProblem(name, bytes[3]));
  file.version = bytes[3];
  if (family == DeviceMode::Receiver) file.type = msg::kReceiverFirmwareType;
  if (family == DeviceMode::Relay) file.type = msg::kRelayFirmwareType;
  // The device would never get the incomplete last block: refuse the file
  // before anything is sent.
  if (!IsWritableFirmwareLength(size)) return refuse(LengthProblem(name, size));
  if (mode == FirmwareReadMode::Load) file.image = FirmwareImage(std::move(bytes));
  return file;
}

void ShowFirmwareRefusal(const FirmwareFile& file, UserInterface& ui) {
  if (file.outcome.ok()) return;
  const std::string& words = file.outcome.detail;
  if (!file.facts) ui.SetStatusText(words);
  ui.ShowMessage(words);
  if (file.facts) ui.SetStatusText(words);
}

}  // namespace orten
