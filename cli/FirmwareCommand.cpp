// ortenctl firmware list | check | write: the firmware page's work for scripts.
#include <algorithm>
#include <ctime>
#include <iomanip>
#include <ostream>

#include "base/DataFolders.h"
#include "base/DateStamp.h"
#include "base/UserInterface.h"
#include "base/Utf8Path.h"
#include "base/Wording.h"
#include "cli/Commands.h"
#include "cli/InputFile.h"
#include "cli/JsonOutput.h"
#include "firmware/FirmwareLibrary.h"
#include "ops/Session.h"
#include "protocol/DeviceCommands.h"
#include "protocol/FirmwareImage.h"
#include "protocol/Packets.h"
#include "startup/LinkEnvironment.h"

namespace orten::cli {

namespace {

constexpr std::size_t kNameChars = 200;

// Names come from the disk: nothing in them may steer the terminal.
std::string Shown(const std::string& name) {
  return EscapedExcerpt(name, kNameChars);
}

// The facts the firmware page shows, as lines under the same captions.
void PrintFacts(std::ostream& out, const FirmwareFile& file, DeviceMode family) {
  if (!file.facts) return;
  const FirmwareFile::Facts& facts = *file.facts;
  out << "Имя файла обновления: " << Shown(facts.name) << '\n'
      << "Размер файла обновления(байт): " << facts.size << '\n'
      << "Дата файла обновления: "
      << (facts.modified ? FileDateText(*facts.modified) : kUnknownFact) << '\n';
  if (!file.version) return;
  if (!file.type.empty()) out << "Тип файла обновления: " << file.type << '\n';
  out << "Новая версия ПО: " << VersionText(*file.version, family) << '\n';
}

// The same facts as fields of one JSON object.
void WriteFacts(JsonWriter& json, const FirmwareFile& file, DeviceMode family) {
  const FirmwareFile::Facts& facts = *file.facts;
  json.Field("file", facts.name).Key("size").Number(static_cast<std::int64_t>(facts.size));
  json.Key("modified");
  facts.modified ? json.String(FileDateText(*facts.modified)) : json.Null();
  json.Field("type", file.type).Field("new_version", VersionText(*file.version, family));
}

DeviceMode FamilyOfName(const std::string& name) {
  if (name.find(FamilyCode(DeviceMode::Receiver)) != std::string::npos) return DeviceMode::Receiver;
  if (name.find(FamilyCode(DeviceMode::Relay)) != std::string::npos) return DeviceMode::Relay;
  return DeviceMode::None;
}

std::string BaseFolder(const CommandContext& ctx) {
  return Utf8FromPath(PathFromUtf8(ctx.programFolder) / kFirmwareFolder);
}

std::string FirmwarePath(const CommandContext& ctx, const std::string& arg) {
  return InputFile(ctx.programFolder, arg, kFirmwareFolder);
}

// Checks and loads a firmware file as the window does, for the family its
// name gives; the facts are printed when facts go to out. Its refusals are
// the window's words, which need not name the file: a line of its own does.
FirmwareFile LoadFirmware(CommandContext& ctx, const std::string& path, bool printFacts) {
  const DeviceMode family = FamilyOfName(Utf8FromPath(PathFromUtf8(path).filename()));
  FirmwareFile file = ReadFirmwareFile(path, FirmwareReadMode::Load, family);
  if (printFacts) PrintFacts(ctx.out, file, family);
  if (!file.outcome) {
    ShowFirmwareRefusal(file, ctx.ui);
    ctx.ui.ShowMessage("Файл прошивки: " + ShownPath(path));
  }
  return file;
}

void WriteFirmwareList(std::ostream& out, const std::string& folder, DeviceMode mode,
                       const std::optional<DeviceIdentity>& device,
                       const std::vector<FirmwareEntry>& entries, const std::string* offered) {
  JsonWriter json(out);
  json.BeginObject().Field("folder", folder).Key("family");
  WriteFamily(json, mode);
  json.Key("device");
  device ? WriteDevice(json, *device) : void(json.Null());
  json.Key("files").BeginArray();
  for (const FirmwareEntry& entry : entries) {
    const std::optional<std::int32_t> number = FirmwareVersionNumber(entry.name);
    const FileFacts& facts = entry.facts;
    json.BeginObject().Field("name", entry.name).Key("number");
    number ? json.Number(*number) : json.Null();
    json.Key("size");
    facts.size ? json.Number(static_cast<std::int64_t>(*facts.size)) : json.Null();
    json.Key("modified");
    facts.modified ? json.String(FileDateText(*facts.modified)) : json.Null();
    json.Field("kind", FileKindText(facts.kind))
        .Field("offered", offered && entry.name == *offered)
        .EndObject();
  }
  json.EndArray().Key("offered");
  offered ? json.String(*offered) : json.Null();
  json.EndObject();
  out << '\n';
}

// Name, version number, size, date; what is not known is said so, and an
// entry that is no file says what it is instead of being offered.
void PrintEntry(std::ostream& out, const FirmwareEntry& entry, const char* mark) {
  const std::optional<std::int32_t> number = FirmwareVersionNumber(entry.name);
  const FileFacts& facts = entry.facts;
  out << std::left << std::setw(24) << Shown(entry.name) << ' ' << std::right << std::setw(10)
      << (number ? std::to_string(*number) : "-") << ' ' << std::setw(10)
      << (facts.size ? std::to_string(*facts.size) : kUnknownFact) << ' '
      << (facts.modified ? FileDateText(*facts.modified) : kUnknownFact);
  if (facts.kind != FileKind::Regular) {
    out << "  не является обычным файлом (" << FileKindText(facts.kind) << ")";
  }
  out << mark << '\n';
}

}  // namespace

Outcome RunFirmwareList(CommandContext& ctx) {
  DeviceMode mode = FamilyOfToken(ctx.options.family);
  std::optional<DeviceIdentity> device;
  if (mode == DeviceMode::None) {
    const Result<DeviceIdentity> found = ctx.session->FindAndConnect(kCmdConnectMain);
    if (!found) return found.outcome();
    ctx.session->Disconnect();
    device = *found;
    mode = device->mode;
    if (!ctx.options.json) {
      ctx.out << "Прибор: " << DeviceTypeText(mode) << ", версия ПО "
              << VersionText(device->version, mode) << '\n';
    }
  }
  std::optional<std::int32_t> deviceVersion;
  if (device) deviceVersion = device->version;
  const std::string folder = Utf8FromPath(PathFromUtf8(BaseFolder(ctx)).make_preferred());
  // Where Base is, also when it is empty: on Windows it is a hidden folder.
  if (!ctx.options.json) ctx.out << "Папка " << kFirmwareFolder << ": " << folder << '\n';
  std::vector<FirmwareEntry> entries = ListFirmwareEntries(folder, FamilyCode(mode));
  std::vector<std::string> names;
  for (const FirmwareEntry& entry : entries) {
    if (entry.facts.kind == FileKind::Regular) names.push_back(entry.name);
  }
  if (names.empty()) ctx.ui.ShowMessage(msg::kNoFirmwareFiles, kSystemCaption);
  if (names.empty() && !ctx.options.json) return {};
  std::sort(entries.begin(), entries.end(),
            [](const FirmwareEntry& a, const FirmwareEntry& b) { return a.name < b.name; });
  const std::optional<FirmwareCandidate> newest =
      NewestFirmwareOf(folder, names, mode, deviceVersion);
  const bool offered = newest.has_value();
  if (ctx.options.json) {
    WriteFirmwareList(ctx.out, folder, mode, device, entries, offered ? &newest->name : nullptr);
    return {};
  }
  for (const FirmwareEntry& entry : entries) {
    const bool marked = offered && entry.name == newest->name;
    std::string mark = !marked ? "" : deviceVersion ? "  <- будет предложена" : "  <- новейшая";
    // A file of the other family by its version byte is listed, never offered.
    const std::optional<std::uint8_t> version =
        entry.facts.kind == FileKind::Regular
            ? ReadFirmwareVersionByte(Utf8FromPath(PathFromUtf8(folder) / PathFromUtf8(entry.name)))
            : std::nullopt;
    if (version && FamilyOfVersion(*version) != mode) {
      mark += "  по байту версии (" + std::to_string(*version) + ") это прошивка " +
              FamilyCode(FamilyOfVersion(*version));
    }
    PrintEntry(ctx.out, entry, mark.c_str());
  }
  if (deviceVersion && !offered) ctx.out << msg::kNoNewerFirmware << '\n';
  return {};
}

Outcome RunFirmwareCheck(CommandContext& ctx) {
  const std::string path = FirmwarePath(ctx, ctx.arguments[0]);
  const FirmwareFile file = LoadFirmware(ctx, path, !ctx.options.json);
  if (!file.outcome) return file.outcome;
  if (ctx.options.json) {
    JsonWriter json(ctx.out);
    json.BeginObject();
    WriteFacts(json, file, FamilyOfName(file.facts->name));
    json.Field("version_byte", int{*file.version}).EndObject();
    ctx.out << '\n';
    return {};
  }
  ctx.out << "Байт версии: " << int{*file.version} << '\n' << "Файл можно записать в прибор.\n";
  return {};
}

namespace {

// After programming the device restarts: reach it again and ask its version.
Outcome Verify(CommandContext& ctx) {
  return SayVerdict(ctx, ctx.session->AwaitRestart());
}

}  // namespace

Outcome RunFirmwareWrite(CommandContext& ctx) {
  const std::string path = FirmwarePath(ctx, ctx.arguments[0]);
  const std::string name = Utf8FromPath(PathFromUtf8(path).filename());
  const DeviceMode family = FamilyOfName(name);
  // The file is checked before the device hears anything.
  FirmwareFile file = LoadFirmware(ctx, path, true);
  if (!file.outcome) return file.outcome;
  const FirmwareImage image = std::move(file.image);
  const Result<DeviceIdentity> device = ctx.session->FindAndConnect(kCmdConnectMain);
  if (!device) return device.outcome();
  ctx.out << "Прибор: " << DeviceTypeText(device->mode) << ", версия ПО "
          << VersionText(device->version, device->mode) << '\n';
  if (family != device->mode && !ctx.options.changeFamily) {
    ctx.ui.ShowMessage(
        "Файл " + name + " не является прошивкой " + FamilyCode(device->mode) +
        " для подключенного прибора; чтобы сменить прошивку, укажите --change-family.");
    ctx.session->Disconnect();
    return OutcomeKind::Usage;
  }
  if (!ctx.ui.AskYesNo("Записать прошивку " + name + " в прибор?", kSystemCaption)) {
    ctx.session->Disconnect();
    ctx.ui.ShowMessage("Запись отменена.");
    return OutcomeKind::Cancelled;
  }
  if (Outcome written = ctx.session->WriteFirmware(image, path); !written) {
    ctx.session->Disconnect();  // as the window does after a refused image
    return written;
  }
  // Programmed: the device does not expect the disconnect command now.
  return ctx.options.verify ? Verify(ctx) : Outcome{};
}

}  // namespace orten::cli
