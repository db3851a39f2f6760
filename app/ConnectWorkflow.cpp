// The connect workflow of the window: find the one device, connect with the
// code of the active page, and what each page does once connected.
#include <QScopeGuard>
#include <QString>

#include "app/RightColumn.h"
#include "app/TMainForm.h"
#include "pages/BackupPage.h"
#include "pages/FirmwarePage.h"
#include "protocol/Packets.h"
#include "startup/DeviceChooser.h"
#include "widgets/BusyGuard.h"
#include "widgets/GuardedTabWidget.h"

namespace orten::gui {

namespace {

constexpr int kDiscoveryPauseMs = 100;
constexpr int kConnectedPauseMs = 100;

constexpr const char* kDeviceFound = "Обнаружен прибор марки Ортен на линии USB!";
constexpr const char* kConnecting = "Устанавливается связь с прибором ...";
constexpr const char* kConnected = "Связь с прибором установлена!";
constexpr const char* kCheckingFirmware = "Проверка наличия новых версий прошивок ...";
constexpr const char* kReadingFirmware = "Чтение файла прошивки ...";
constexpr const char* kDeviceGone = "Прибор отключен от линии USB, связь разорвана";

// What the device may hold now, and how to go on.
const char* GoneText(TMainForm::GoneDuring during) {
  switch (during) {
    case TMainForm::GoneDuring::Connect:
      return "Прибор отключен от линии USB. В приборе ничего не изменено.\n"
             "Подключите прибор и установите связь снова.";
    case TMainForm::GoneDuring::Read:
      return "Прибор отключен от линии USB во время чтения. В приборе ничего не изменено.\n"
             "Подключите прибор, установите связь и повторите чтение.";
    case TMainForm::GoneDuring::Write:
      return "Прибор отключен от линии USB во время записи: прибор мог сохранить только часть "
             "данных.\nПодключите прибор, установите связь и повторите запись.";
    case TMainForm::GoneDuring::FirmwareWrite:
      return "Прибор отключен от линии USB во время записи прошивки: в приборе может не быть "
             "рабочей прошивки.\nПодключите прибор, установите связь и запишите прошивку снова.";
  }
  return "";
}

// A pipe of the device found would not open: nothing to keep.
bool OpenFailed(const Transport& line) {
  return line.WritePipeState() == PipeState::Invalid || line.ReadPipeState() == PipeState::Invalid;
}

std::string NewerFirmwareQuestion(const std::string& name) {
  return "Найдена более свежая прошивка - " + name + ".\nЖелаете обновить?";
}

}  // namespace

void TMainForm::ConnectButtonClick() {
  BusyGuard busy(this);  // from the first exchange to the last, nothing else may start
  // A connect that fails leaves the window idle. The pipes stay open until
  // the window closes, as after a disconnect, unless they would not open or
  // the line wants them let go.
  const auto letGoWhenIdle = qScopeGuard([this] {
    const Transport& line = session_.link().transport();
    if (!Column->linked() && (OpenFailed(line) || line.ReleaseWhenIdle())) session_.Close();
  });
  Column->enableLinkButtons(true);
  if (!offThread([this] { return session_.Find(); })) {
    Column->enableLinkButtons(false);
    return;
  }
  ui_.SetStatusText(kDeviceFound);
  offThread([this] { session_.link().Pause(kDiscoveryPauseMs); });
  ui_.SetStatusText(kConnecting);
  ui_.SetProgress(0);
  state_.DeviceMode = DeviceMode::None;

  // On "Главная" the connect looks for newer firmware; a work page's
  // connect is for its work.
  PageController* page = activePage();
  if (!page) {
    connectOnMainPage();
    return;
  }
  const Result<DeviceIdentity> device =
      offThread([this] { return session_.Connect(kCmdConnectWork); });
  if (!device) {
    connectFailed(device.outcome());
    return;
  }
  applyIdentity(*device);
  page->connected();
}

void TMainForm::connectFailed(const Outcome& outcome) {
  if (!endIfDeviceGone(outcome, GoneDuring::Connect)) Column->enableLinkButtons(false);
}

void TMainForm::applyIdentity(const DeviceIdentity& device) {
  state_.DeviceVersion = device.version;
  state_.DeviceMode = device.mode;
  const QString type = QString::fromStdString(DeviceTypeText(device.mode));
  UpdateSoftTabSh->showDevice(type,
                              QString::fromStdString(VersionText(device.version, device.mode)));
  RegistBackupTabSh->showDeviceType(type);
}

void TMainForm::connectOnMainPage() {
  const Result<DeviceIdentity> device =
      offThread([this] { return session_.Connect(kCmdConnectMain); });
  if (!device) {
    connectFailed(device.outcome());
    return;
  }
  applyIdentity(*device);
  UpdateSoftTabSh->offerFamilyChoice(static_cast<int>(device->mode));
  DevOperModeRdGClick();

  ui_.SetStatusText(kConnected);
  offThread([this] { session_.link().Pause(kConnectedPauseMs); });
  ui_.SetStatusText(kCheckingFirmware);
  offerNewerFirmware();
}

void TMainForm::offerNewerFirmware() {
  // The library may hold any number of files: its scan runs off the window's thread.
  const std::optional<std::string> newer = offThread([this, base = firmwarePath({})] {
    return FindNewerFirmware(base, state_.DeviceMode, state_.DeviceVersion, ui_,
                             &session_.link().pacer());
  });
  if (!newer) {
    ui_.SetStatusText(msg::kNoNewerFirmware);
    return;
  }
  if (ui_.AskYesNo(NewerFirmwareQuestion(*newer), kSystemCaption)) {
    UpdateSoftTabSh->enableFamilyChoice(false);
    ui_.SetStatusText(kReadingFirmware);
    if (!readFirmwareFile(QString::fromStdString(*newer), FirmwareReadMode::Load)) {
      // Nothing was sent: the device stays connected here, for another choice.
      UpdateSoftTabSh->enableFamilyChoice(true);
    } else if (writeFirmwareAndDisconnect().kind == OutcomeKind::DeviceGone) {
      return;  // the status line says where the device went
    }
  }
  ui_.SetStatusText("");
}

void TMainForm::DisconnectButtonClick() {
  // The status line and the progress bar keep what the last exchange left there.
  endLink(state_.DisconnectDue);
}

bool TMainForm::endIfDeviceGone(const Outcome& outcome, GoneDuring during) {
  if (outcome.kind != OutcomeKind::DeviceGone) return false;
  endLink(false);    // there is no one to hear the disconnect command
  session_.Close();  // nor anything behind the pipes
  ui().SetStatusText(kDeviceGone);
  ui().ShowMessage(GoneText(during), kWarningCaption, BoxIcon::Error);
  session_.Told(GoneText(during));  // the journal's words on what the device left undone
  return true;
}

void TMainForm::endLink(bool sendDisconnect) {
  if (sendDisconnect) offThread([this] { session_.Disconnect(); });
  // The pipes stay open until the window closes (the next connect replaces
  // them), unless the line wants them let go for the other programs.
  if (session_.link().transport().ReleaseWhenIdle()) session_.Close();
  state_.DeviceMode = DeviceMode::None;
  state_.DisconnectDue = true;
  Column->enableLinkButtons(false);
  UpdateSoftTabSh->hideChoices();
  RegistBackupTabSh->enableCreateAndRestore(false);
  Column->disableWorkButtons();
  RegistBackupTabSh->enableFields(false);
  ResetDeviceInfo();
  closeWorkPages();
  UpdateSoftTabSh->setFocus();
}

void TMainForm::ResetDeviceInfo() {
  UpdateSoftTabSh->clearDeviceFacts();
  UpdateSoftTabSh->clearFileFacts();
  RegistBackupTabSh->clearBackup();
  backup_.drop();
  UpdateSoftTabSh->clearFirmwareFiles();
}

}  // namespace orten::gui
