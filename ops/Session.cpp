#include "ops/Session.h"

#include <algorithm>

#include "backup/RegistrationImage.h"
#include "base/Pacer.h"
#include "base/SilentUi.h"
#include "base/UserInterface.h"
#include "protocol/FirmwareImage.h"
#include "protocol/FirmwareWriter.h"
#include "protocol/Packets.h"
#include "transport/DiscoveryAdvice.h"

namespace orten {

namespace {

constexpr int kRestartAttempts = 10;  // one a second: the device restarts after programming
constexpr int kRestartIntervalMs = 1000;

// Why an empty line is empty, as a kind.
OutcomeKind EmptyLineKind(LinkFault fault) {
  switch (fault) {
    case LinkFault::NotConfigured:
      return OutcomeKind::NotConfigured;
    case LinkFault::Access:
      return OutcomeKind::AccessRefused;
    case LinkFault::Unavailable:
      return OutcomeKind::UsbUnavailable;
    default:
      return OutcomeKind::NoDevice;
  }
}

}  // namespace

Session::Session(Transport& transport, Pacer& pacer, UserInterface& ui, TraceLog* trace)
    : link_(transport, pacer, ui, trace), transport_(transport), pacer_(pacer) {}

Outcome Session::Find() {
  if (link_.DiscoverDevice()) return {};
  UserInterface& ui = link_.ui();
  if (link_.DeviceCount() != 0) {
    ui.SetStatusText(msg::kSeveralDevicesStatus);
    ui.ShowMessage(msg::kSeveralDevices, kWarningCaption, BoxIcon::Error);
    return OutcomeKind::SeveralDevices;
  }
  ui.SetStatusText(msg::kNoDevices);
  ui.ShowMessage(msg::kNoDevices, kWarningCaption, BoxIcon::Error);
  const std::optional<std::string> why = NotFoundReason(transport_);
  if (why) ui.ShowMessage(*why, kAppTitle, BoxIcon::Information);
  return {EmptyLineKind(transport_.LastFault()), why.value_or("")};
}

Result<DeviceIdentity> Session::Connect(std::uint8_t code) {
  return SendConnect(link_, code);
}

Result<DeviceIdentity> Session::FindAndConnect(std::uint8_t code) {
  if (Outcome found = Find(); !found) return found;
  return Connect(code);
}

Outcome Session::Disconnect() {
  return SendDisconnect(link_);
}

Outcome Session::OnWorkPage(DeviceMode family, const std::function<Outcome()>& work) {
  refusedFamily_ = DeviceMode::None;
  const Result<DeviceIdentity> device = FindAndConnect(kCmdConnectWork);
  if (!device) return device.outcome();
  if (device->mode != family) {
    // Its memory is laid out otherwise: nothing is asked of it.
    refusedFamily_ = device->mode;
    Disconnect();
    return {OutcomeKind::WrongFamily, DeviceTypeText(device->mode)};
  }
  const Outcome done = work();
  const Outcome disconnected = Disconnect();
  return done ? disconnected : done;
}

Result<std::vector<std::int32_t>> Session::ReadReleSettings() {
  std::vector<std::int32_t> page(kReleSettingsArea.size(), 0);
  if (Outcome read = ReadParameterBlock(link_, kReleSettingsArea, page); !read) return read;
  return page;
}

Outcome Session::WriteReleSettings(std::span<const std::int32_t> table) {
  std::vector<std::int32_t> page(kReleSettingsArea.size(), 0);
  std::copy_n(table.begin(), std::min(table.size(), page.size()), page.begin());
  return WriteParameterBlock(link_, kReleSettingsArea, page);
}

Result<RegistrationImage> Session::ReadRegistration() {
  std::vector<std::int32_t> values(RegistrationImage::kSize, 0);
  if (Outcome read = ReadParameterBlock(link_, kRegistrationArea, values); !read) return read;
  RegistrationImage image;
  image.assign(values);
  return image;
}

Outcome Session::WriteRegistration(const RegistrationImage& image) {
  return WriteParameterBlock(link_, kRegistrationArea, image.values());
}

Outcome Session::WriteFirmware(const FirmwareImage& image) {
  return WriteFirmwareImage(link_, image.bytes());
}

Result<std::vector<Difference>> Session::ReadBackDifferences(
    ParameterArea area, std::span<const std::int32_t> expected) {
  std::vector<std::int32_t> back(area.size(), 0);
  if (Outcome read = ReadParameterBlock(link_, area, back); !read) return read;
  std::vector<Difference> differences;
  for (std::size_t i = 0; i < std::min(expected.size(), back.size()); ++i) {
    if (back[i] != expected[i]) differences.push_back({i, expected[i], back[i]});
  }
  return differences;
}

Result<DeviceIdentity> Session::AwaitRestart() {
  SilentUi quiet;  // the attempts to reach a restarting device are expected to fail
  DeviceLink retry(transport_, pacer_, quiet);
  for (int attempt = 0; attempt < kRestartAttempts; ++attempt) {
    pacer_.Pause(kRestartIntervalMs);
    if (!retry.DiscoverDevice()) continue;
    const Result<DeviceIdentity> device = SendConnect(retry, kCmdConnectMain);
    if (!device) continue;
    Disconnect();
    return device;
  }
  return OutcomeKind::NoAnswer;
}

}  // namespace orten
