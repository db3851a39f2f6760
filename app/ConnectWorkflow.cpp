// The connect workflow of the window: find the one device, connect with the
// code of the active page, and what each page does once connected.
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/RightColumn.h"
#include "app/TMainForm.h"
#include "base/DataFolders.h"
#include "pages/BackupPage.h"
#include "pages/FirmwarePage.h"
#include "protocol/Packets.h"
#include "widgets/BusyGuard.h"
#include "widgets/GuardedTabWidget.h"
#include "widgets/RadioGroup.h"

namespace orten::gui {

namespace {

constexpr int kDiscoveryPauseMs = 100;
constexpr int kConnectedPauseMs = 100;

constexpr const char* kDeviceFound = "Обнаружен прибор марки Ортен на линии USB!";
constexpr const char* kConnecting = "Устанавливается связь с прибором ...";
constexpr const char* kConnected = "Связь с прибором установлена!";
constexpr const char* kCheckingFirmware = "Проверка наличия новых версий прошивок ...";
constexpr const char* kReadingFirmware = "Чтение файла прошивки ...";

std::string NewerFirmwareQuestion(const std::string& name) {
  return "Найдена более свежая прошивка - " + name + ".\nЖелаете обновить?";
}

}  // namespace

void TMainForm::setLinkButtons(bool connected) {
  Column->ConnectButton->setEnabled(!connected);
  Column->DisconnectButton->setEnabled(connected);
}

void TMainForm::ConnectButtonClick() {
  BusyGuard busy(this);  // the pauses pump events: nothing else may start meanwhile
  setLinkButtons(true);
  if (!session_.Find()) {
    setLinkButtons(false);
    return;
  }
  ui_.SetStatusText(kDeviceFound);
  session_.link().Pause(kDiscoveryPauseMs);
  ui_.SetStatusText(kConnecting);
  ui_.SetProgress(0);
  state_.DeviceMode = DeviceMode::None;

  // The active page is read afresh each time: an update on "Главная" ends
  // with a disconnect that returns there.
  if (MainPageC->currentIndex() == kFirmwareTab) connectOnMainPage();
  const int tab = MainPageC->currentIndex();
  if (tab != kBackupTab && tab != kRelayTab) return;
  const Result<DeviceIdentity> device = session_.Connect(kCmdConnectWork);
  if (!device) {
    setLinkButtons(false);
    return;
  }
  applyIdentity(*device);
  if (tab == kBackupTab) {
    RegistBackupTabSh->RegBackupCreateButton->setEnabled(true);
    RegistBackupTabSh->RegBackupRestoreButton->setEnabled(true);
  } else {
    for (QPushButton* b :
         {Column->ReadButton, Column->WriteButton, Column->LoadButton, Column->SaveButton}) {
      b->setEnabled(true);
    }
  }
}

void TMainForm::applyIdentity(const DeviceIdentity& device) {
  state_.DeviceVersion = device.version;
  state_.DeviceMode = device.mode;
  const QString type = QString::fromStdString(DeviceTypeText(device.mode));
  UpdateSoftTabSh->CurrentSoftVerLabel2->setText(
      QString::fromStdString(VersionText(device.version, device.mode)));
  UpdateSoftTabSh->DevTypeLabel2->setText(type);
  RegistBackupTabSh->Dev2TypeLabel2->setText(type);
}

void TMainForm::connectOnMainPage() {
  const Result<DeviceIdentity> device = session_.Connect(kCmdConnectMain);
  if (!device) {
    setLinkButtons(false);
    return;
  }
  applyIdentity(*device);
  RadioGroup* family = UpdateSoftTabSh->DevOperModeRdG;
  family->setItemIndex(static_cast<int>(device->mode));
  family->setVisible(true);
  UpdateSoftTabSh->ExecuteButton->setEnabled(true);
  family->setEnabled(true);
  DevOperModeRdGClick();

  ui_.SetStatusText(kConnected);
  session_.link().Pause(kConnectedPauseMs);
  ui_.SetStatusText(kCheckingFirmware);
  offerNewerFirmware();
}

void TMainForm::offerNewerFirmware() {
  const std::optional<std::string> newer =
      FindNewerFirmware(firmwarePath({}), state_.DeviceMode, state_.DeviceVersion, ui_);
  if (!newer) {
    ui_.SetStatusText(msg::kNoNewerFirmware);
    return;
  }
  if (ui_.AskYesNo(NewerFirmwareQuestion(*newer), kSystemCaption)) {
    UpdateSoftTabSh->ExecuteButton->setEnabled(false);
    UpdateSoftTabSh->DevOperModeRdG->setEnabled(false);
    ui_.SetStatusText(kReadingFirmware);
    if (readFirmwareFile(QString::fromStdString(*newer), FirmwareReadMode::Load)) {
      writeFirmwareAndDisconnect();
    }
  }
  ui_.SetStatusText("");
}

void TMainForm::DisconnectButtonClick() {
  if (state_.DisconnectDue) session_.Disconnect();
  state_.DeviceMode = DeviceMode::None;
  state_.DisconnectDue = true;
  setLinkButtons(false);
  FirmwarePage* page = UpdateSoftTabSh;
  for (QWidget* w : std::initializer_list<QWidget*>{page->DevOperModeRdG, page->SoftUpdateGrB,
                                                    page->SWVersionRdG, page->ExecuteButton}) {
    w->setVisible(false);
  }
  BackupPage* backup = RegistBackupTabSh;
  for (QWidget* w : std::initializer_list<QWidget*>{
           backup->RegBackupCreateButton, backup->RegBackupRestoreButton, Column->LoadButton,
           Column->SaveButton, Column->WriteButton, Column->ReadButton, backup->RPU_RTRRadioGr,
           backup->ObjNumEdit, backup->ModuleNumCmB, Column->DefaultButton}) {
    w->setEnabled(false);
  }
  ResetDeviceInfo();
  MainPageC->setTabVisible(kBackupTab, false);
  MainPageC->setTabVisible(kRelayTab, false);
  MainPageC->setCurrentIndex(kFirmwareTab);
  UpdateSoftTabSh->setFocus();
}

void TMainForm::ResetDeviceInfo() {
  FirmwarePage* page = UpdateSoftTabSh;
  BackupPage* backup = RegistBackupTabSh;
  for (QLabel* label : {page->DevTypeLabel2, page->CurrentSoftVerLabel2, page->NewSoftVerLabel2,
                        page->SoftFNameLabel2, page->SoftFTypeLabel2, page->SoftFDateLabel2,
                        page->SoftFSizeLabel2, backup->RegFNameLabel2, backup->ConfCodeLabel2}) {
    label->clear();
  }
  backup->RPU_RTRRadioGr->setItemIndex(-1);
  backup->ObjNumEdit->clear();
  backup->ModuleNumCmB->clear();
  backup->ModuleNumCmB->clearEditText();
  page->SWVersionRdG->clearItems();
}

}  // namespace orten::gui
