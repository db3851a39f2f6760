// The jobs ortenctl batch repeats: each reads its file once, then on each
// device writes it and checks what the device then holds.
#include <memory>

#include "backup/RegistrationImage.h"
#include "base/DataFolders.h"
#include "base/UserInterface.h"
#include "base/Utf8Path.h"
#include "base/Wording.h"
#include "cli/BatchJob.h"
#include "cli/InputFile.h"
#include "firmware/FirmwareLibrary.h"
#include "ops/Session.h"
#include "params/ValueFile.h"
#include "protocol/FirmwareImage.h"
#include "protocol/Packets.h"
#include "protocol/ParameterExchange.h"

namespace orten::cli {

namespace {

std::string NameOf(const std::string& path) {
  return Utf8FromPath(PathFromUtf8(path).filename());
}

// Read back, the area must hold what was written. The verdict's detail
// (how many values differ) goes into the module's line.
Outcome CompareBack(Session& session, ParameterArea area, std::span<const std::int32_t> written,
                    const std::string& file) {
  return session.ReadBackDifferences(area, written, file).outcome;
}

DeviceMode FamilyOfFirmwareName(const std::string& name) {
  for (const DeviceMode mode : {DeviceMode::Receiver, DeviceMode::Relay}) {
    if (name.find(FamilyCode(mode)) != std::string::npos) return mode;
  }
  return DeviceMode::None;
}

}  // namespace

Result<BatchJob> SettingsJob(CommandContext& ctx, const std::string& arg) {
  const std::string path = InputFile(ctx.programFolder, arg, kSettingsFolder);
  auto table = std::make_shared<ReleTable>();
  if (Outcome read = ReadSettingsFile(ctx, path, *table); !read) return read;
  Session& session = *ctx.session;
  return BatchJob{DeviceMode::Relay, "настройки " + ShownPath(NameOf(path)), [&session, table, path] {
                    return session.OnWorkPage(DeviceMode::Relay, [&session, &table, &path] {
                      if (Outcome w = session.WriteReleSettings(*table, path); !w) return w;
                      return CompareBack(session, kReleSettingsArea, *table, path);
                    });
                  }};
}

Result<BatchJob> RestoreJob(CommandContext& ctx, const std::string& arg) {
  const std::string path = InputFile(ctx.programFolder, arg, kBackupFolder);
  std::vector<std::int32_t> values;
  if (Outcome read = ReadValueFile(path, RegistrationImage::kSize, values); !read) {
    ctx.ui.ShowMessage(read.detail);
    return read;
  }
  // Registration memory is the receiver's, whichever role (РПУ or РТР) the name gives.
  auto image = std::make_shared<RegistrationImage>();
  image->assign(values);
  Session& session = *ctx.session;
  return BatchJob{DeviceMode::Receiver, "резервная копия " + ShownPath(NameOf(path)),
                  [&session, image, path] {
                    return session.OnWorkPage(DeviceMode::Receiver, [&session, &image, &path] {
                      if (Outcome w = session.WriteRegistration(*image, path); !w) return w;
                      return CompareBack(session, kRegistrationArea, image->values(), path);
                    });
                  }};
}

Result<BatchJob> FirmwareJob(CommandContext& ctx, const std::string& arg) {
  const std::string path = InputFile(ctx.programFolder, arg, kFirmwareFolder);
  const DeviceMode family = FamilyOfFirmwareName(NameOf(path));
  if (family == DeviceMode::None) {
    // A batch writes one family's devices only: the name must say which.
    ctx.ui.ShowMessage("В имени файла " + ShownPath(NameOf(path)) + " нет кода семейства (" +
                       FamilyCode(DeviceMode::Receiver) + " или " + FamilyCode(DeviceMode::Relay) +
                       "): неизвестно, для каких приборов прошивка.");
    return OutcomeKind::FileError;
  }
  // A batch shows no file facts per device: its first line names the file.
  FirmwareFile file = ReadFirmwareFile(path, FirmwareReadMode::Load, family);
  if (!file.outcome) {
    ShowFirmwareRefusal(file, ctx.ui);
    return file.outcome;
  }
  auto image = std::make_shared<FirmwareImage>(std::move(file.image));
  Session& session = *ctx.session;
  return BatchJob{family,
                  "прошивка " + ShownPath(NameOf(path)) + " (версия " +
                      VersionText(*file.version, family) + ")",
                  [&session, image, family, path]() -> Outcome {
                    const Result<DeviceIdentity> device = session.FindAndConnect(kCmdConnectMain);
                    if (!device) return device.outcome();
                    if (device->mode != family) {
                      session.Disconnect();
                      return {OutcomeKind::WrongFamily, DeviceTypeText(device->mode)};
                    }
                    // The device's verdict on the image is the check; after it the
                    // device restarts and expects no disconnect command.
                    const Outcome written = session.WriteFirmware(*image, path);
                    if (!written) session.Disconnect();
                    return written;
                  }};
}

}  // namespace orten::cli
