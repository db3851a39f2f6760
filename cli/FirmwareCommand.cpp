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
class PrintedFacts final : public FirmwareFactsView {
 public:
  explicit PrintedFacts(std::ostream& out) : out_(out) {}
  void ShowFileName(const std::string& name) override {
    out_ << "Имя файла обновления: " << Shown(name) << '\n';
  }
  void ShowFileSize(std::uintmax_t size) override {
    out_ << "Размер файла обновления(байт): " << size << '\n';
  }
  void ShowFileDate(std::chrono::system_clock::time_point t) override {
    out_ << "Дата файла обновления: " << FileDateText(t) << '\n';
  }
  void ShowUnknownFileDate() override { out_ << "Дата файла обновления: " << kUnknownFact << '\n'; }
  void ShowFileType(const std::string& text) override {
    out_ << "Тип файла обновления: " << text << '\n';
  }
  void ShowNewVersion(const std::string& text) override {
    out_ << "Новая версия ПО: " << text << '\n';
  }

 private:
  std::ostream& out_;
};

// The same facts, kept for one JSON object.
class RecordedFacts final : public FirmwareFactsView {
 public:
  void ShowFileName(const std::string& name) override { name_ = name; }
  void ShowFileSize(std::uintmax_t size) override { size_ = size; }
  void ShowFileDate(std::chrono::system_clock::time_point t) override { date_ = FileDateText(t); }
  void ShowFileType(const std::string& text) override { type_ = text; }
  void ShowNewVersion(const std::string& text) override { version_ = text; }

  void Write(JsonWriter& json) const {
    json.Field("file", name_);
    json.Key("size");
    size_ ? json.Number(static_cast<std::int64_t>(*size_)) : json.Null();
    json.Key("modified");
    date_ ? json.String(*date_) : json.Null();
    json.Field("type", type_).Field("new_version", version_);
  }

 private:
  std::string name_;
  std::optional<std::uintmax_t> size_;
  std::optional<std::string> date_;
  std::string type_;
  std::string version_;
};

DeviceMode FamilyOfName(const std::string& name) {
  if (name.find(FamilyCode(DeviceMode::Receiver)) != std::string::npos) return DeviceMode::Receiver;
  if (name.find(FamilyCode(DeviceMode::Relay)) != std::string::npos) return DeviceMode::Relay;
  return DeviceMode::None;
}

int FamilyItem(DeviceMode mode) {
  return mode == DeviceMode::None ? -1 : static_cast<int>(mode);
}

std::string BaseFolder(const CommandContext& ctx) {
  return Utf8FromPath(PathFromUtf8(ctx.programFolder) / kFirmwareFolder);
}

std::string FirmwarePath(const CommandContext& ctx, const std::string& arg) {
  return InputFile(ctx.programFolder, arg, kFirmwareFolder);
}

// Checks and loads a firmware file as the window does. Its refusals are the
// window's words, which need not name the file: a line of its own does.
bool LoadFirmware(CommandContext& ctx, const std::string& path, FirmwareFactsView& facts,
                  FirmwareImage& image) {
  const DeviceMode family = FamilyOfName(Utf8FromPath(PathFromUtf8(path).filename()));
  if (ReadFirmwareFile(path, FirmwareReadMode::Load, {family, FamilyItem(family)}, facts, ctx.ui,
                       &image)) {
    return true;
  }
  ctx.ui.ShowMessage("Файл прошивки: " + ShownPath(path));
  return false;
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
  PrintedFacts printed(ctx.out);
  RecordedFacts recorded;
  FirmwareFactsView& facts = ctx.options.json ? static_cast<FirmwareFactsView&>(recorded) : printed;
  FirmwareImage image;
  if (!LoadFirmware(ctx, path, facts, image)) return OutcomeKind::FileError;
  if (ctx.options.json) {
    JsonWriter json(ctx.out);
    json.BeginObject();
    recorded.Write(json);
    json.Field("version_byte", int{image.version()}).EndObject();
    ctx.out << '\n';
    return {};
  }
  ctx.out << "Байт версии: " << int{image.version()} << '\n' << "Файл можно записать в прибор.\n";
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
  PrintedFacts facts(ctx.out);
  FirmwareImage image;
  if (!LoadFirmware(ctx, path, facts, image)) return OutcomeKind::FileError;
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
