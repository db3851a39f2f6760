#include "ops/Session.h"

#include <algorithm>

#include "backup/RegistrationImage.h"
#include "base/Pacer.h"
#include "base/Sha256.h"
#include "base/SilentUi.h"
#include "base/UserInterface.h"
#include "base/Utf8Path.h"
#include "base/Wording.h"
#include "ops/Journal.h"
#include "params/ReleSettings.h"
#include "params/ValueFile.h"
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

// A settings or backup file's content, as these programs save it.
std::string ValuesSha256(std::span<const std::int32_t> values) {
  return Sha256Hex(ValueFileText(values));
}

bool IsRegistration(ParameterArea area) {
  return area.startPage == kRegistrationArea.startPage;
}

const char* VerifyOperation(ParameterArea area) {
  return IsRegistration(area) ? "verify-backup" : "verify-settings";
}

// Both areas hold one value a byte; the verdict counts values.
Outcome ComparedVerdict(ParameterArea area, std::size_t differing) {
  if (differing == 0) {
    return Outcome().Said(IsRegistration(area) ? msg::kRegistrationMatch : msg::kSettingsMatch);
  }
  const std::string count =
      std::string(PluralForm(differing, "различается", "различаются", "различаются")) + " " +
      CountText(differing, "значение", "значения", "значений");
  return Outcome(OutcomeKind::VerifyFailed, count).Said("Проверка не пройдена: " + count + ".");
}

Outcome RestartVerdict(const Result<DeviceIdentity>& device, std::optional<std::uint8_t> written) {
  if (!device) return device.outcome().Said(msg::kNoAnswerAfterRestart);
  if (written && device->version != *written) {
    return Outcome(OutcomeKind::VerifyFailed)
        .Said("Проверка не пройдена: прибор сообщает версию " + std::to_string(device->version) +
              " вместо " + std::to_string(*written) + ".");
  }
  return Outcome().Said("Проверка: прибор сообщает версию ПО " +
                        VersionText(device->version, device->mode) + ".");
}

}  // namespace

Session::Session(Transport& transport, Pacer& pacer, UserInterface& ui, TraceLog* trace,
                 Journal* journal)
    : link_(transport, pacer, ui, trace), transport_(transport), pacer_(pacer), journal_(journal) {}

Session::~Session() {
  FinishRecord();
}

void Session::Begin() {
  FinishRecord();
}

void Session::Told(const std::string& words) {
  if (pending_ && !words.empty()) pending_->message = words;
}

void Session::FinishRecord() {
  if (!pending_) return;
  JournalRecord record = std::move(*pending_);
  pending_.reset();
  journal_->Append(std::move(record));
}

void Session::Record(const char* operation, const Outcome& outcome, const std::string& file,
                     const std::string& sha256, const std::optional<DeviceIdentity>& before,
                     const std::optional<DeviceIdentity>& after) {
  if (!journal_) return;
  FinishRecord();
  JournalRecord r;
  r.operation = operation;
  const std::optional<DeviceIdentity> was = before ? before : device_;
  const std::optional<DeviceIdentity> now = after ? after : was;
  if (was) {
    r.familyBefore = FamilyToken(was->mode);
    r.versionBefore = VersionText(was->version, was->mode);
  }
  if (now) {
    r.familyAfter = FamilyToken(now->mode);
    r.versionAfter = VersionText(now->version, now->mode);
  }
  if (!file.empty()) r.file = Utf8FromPath(PathFromUtf8(file).filename());
  r.sha256 = sha256;
  r.outcome = OutcomeKindName(outcome.kind);
  r.message = !outcome.message.empty() ? outcome.message : outcome.detail;
  r.batch = batchMark_.batch;
  r.module = batchMark_.module;
  r.port = batchMark_.port;
  // Written once the program has said its words on it (FinishRecord).
  pending_ = std::move(r);
}

Outcome Session::Find() {
  bool one = link_.DiscoverDevice();
  DeviceChoiceResult choice = DeviceChoiceResult::NotOffered;
  if (!one && link_.DeviceCount() == 0 && emptyLine_) {
    choice = emptyLine_(transport_.LastFault());
    if (choice == DeviceChoiceResult::Chosen) one = link_.DiscoverDevice();
  }
  if (one) return {};
  UserInterface& ui = link_.ui();
  if (choice == DeviceChoiceResult::Declined) {
    ui.SetStatusText(msg::kNoDeviceChosen);
    return {OutcomeKind::Cancelled, msg::kNoDeviceChosen};
  }
  if (link_.DeviceCount() != 0) {
    ui.SetStatusText(msg::kSeveralDevicesStatus);
    ui.ShowMessage(msg::kSeveralDevices, kWarningCaption, BoxIcon::Error);
    return OutcomeKind::SeveralDevices;
  }
  ui.SetStatusText(msg::kNoDevices);
  ui.ShowMessage(msg::kNoDevices, kWarningCaption, BoxIcon::Error);
  const std::optional<std::string> why = NotFoundReason(transport_);
  if (why) {
    ui.ShowMessage(*why, kAppTitle, BoxIcon::Information);
  } else if (!emptyLineAdvice_.empty()) {
    ui.ShowMessage(emptyLineAdvice_, kAppTitle, BoxIcon::Information);
  }
  return {EmptyLineKind(transport_.LastFault()), why.value_or("")};
}

Result<DeviceIdentity> Session::Connect(std::uint8_t code) {
  Result<DeviceIdentity> device = SendConnect(link_, code);
  device_.reset();
  if (device) device_ = *device;
  if (device.kind() == OutcomeKind::AccessRefused) {
    if (accessRefused_) {
      accessRefused_();
    } else if (const std::string advice = transport_.OpenAdvice(); !advice.empty()) {
      link_.ui().ShowMessage(advice, kAppTitle, BoxIcon::Information);
    }
  }
  return device;
}

Result<DeviceIdentity> Session::FindAndConnect(std::uint8_t code) {
  device_.reset();
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
  FinishRecord();  // the program's words on the work are said; the disconnect is not the work's
  const Outcome disconnected = Disconnect();
  return done ? disconnected : done;
}

Result<std::vector<std::int32_t>> Session::ReadReleSettings(const std::string& file) {
  Begin();
  std::vector<std::int32_t> page(kReleSettingsArea.size(), 0);
  const Outcome read = ReadParameterBlock(link_, kReleSettingsArea, page);
  const auto table = std::span<const std::int32_t>(page).first(kReleParamCount);
  Record("read-settings", read, file, read ? ValuesSha256(table) : "");
  if (!read) return read;
  return {std::move(page), read};
}

Outcome Session::WriteReleSettings(std::span<const std::int32_t> table, const std::string& file) {
  Begin();
  std::vector<std::int32_t> page(kReleSettingsArea.size(), 0);
  std::copy_n(table.begin(), std::min(table.size(), page.size()), page.begin());
  const Outcome written = WriteParameterBlock(link_, kReleSettingsArea, page);
  Record("write-settings", written, file,
         ValuesSha256(table.first(std::min(table.size(), kReleParamCount))));
  return written;
}

Result<RegistrationImage> Session::ReadRegistration(const std::string& file) {
  Begin();
  std::vector<std::int32_t> values(RegistrationImage::kSize, 0);
  const Outcome read = ReadParameterBlock(link_, kRegistrationArea, values);
  Record("read-backup", read, file, read ? ValuesSha256(values) : "");
  if (!read) return read;
  RegistrationImage image;
  image.assign(values);
  return {std::move(image), read};
}

Outcome Session::WriteRegistration(const RegistrationImage& image, const std::string& file) {
  Begin();
  const std::vector<std::int32_t> values = image.values();
  const Outcome written = WriteParameterBlock(link_, kRegistrationArea, values);
  Record("write-backup", written, file, ValuesSha256(values));
  return written;
}

Outcome Session::WriteFirmware(const FirmwareImage& image, const std::string& file) {
  Begin();
  firmware_ = {device_, file, Sha256Hex(image.bytes()), image.version(), true};
  const Outcome written = WriteFirmwareImage(link_, image.bytes());
  Record("write-firmware", written, file, firmware_.sha256);
  // The version after is known only once the device has restarted: the
  // check after the restart (AwaitRestart) records it.
  if (pending_) {
    pending_->familyAfter.clear();
    pending_->versionAfter.clear();
  }
  return written;
}

Verdict Session::ReadBackDifferences(ParameterArea area, std::span<const std::int32_t> expected,
                                     const std::string& file) {
  Begin();
  std::vector<std::int32_t> back(area.size(), 0);
  const Outcome read = ReadParameterBlock(link_, area, back);
  Verdict verdict;
  if (!read) {
    verdict.outcome =
        read.Said(IsRegistration(area) ? msg::kRegistrationNotRead : msg::kSettingsNotRead);
  } else {
    for (std::size_t i = 0; i < std::min(expected.size(), back.size()); ++i) {
      if (back[i] != expected[i]) verdict.differences.push_back({i, expected[i], back[i]});
    }
    verdict.outcome = ComparedVerdict(area, verdict.differences.size());
  }
  Record(VerifyOperation(area), verdict.outcome, file, ValuesSha256(expected));
  return verdict;
}

Verdict Session::AwaitRestart() {
  Begin();
  const Result<DeviceIdentity> device = Reidentify();
  Verdict verdict;
  verdict.outcome = RestartVerdict(
      device, firmware_.written ? std::optional<std::uint8_t>(firmware_.version) : std::nullopt);
  if (device) verdict.device = *device;
  Record("verify-firmware", verdict.outcome, firmware_.file, firmware_.sha256, firmware_.before,
         verdict.device);
  return verdict;
}

Result<DeviceIdentity> Session::Reidentify() {
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
