// The handlers of the page "Главная": which family the device shall run,
// which firmware file, and "Выполнить", which either writes the chosen file
// or moves to the work page of the device's family.
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>

#include "app/RightColumn.h"
#include "app/TMainForm.h"
#include "base/DataFolders.h"
#include "pages/BackupPage.h"
#include "pages/FirmwarePage.h"
#include "pages/LabelFactsView.h"
#include "pages/RelayPage.h"
#include "widgets/BusyGuard.h"
#include "widgets/GuardedTabWidget.h"
#include "widgets/RadioGroup.h"

namespace orten::gui {

namespace {

constexpr const char* kChangeFirmwareQuestion =
    "Выбранный Вами режим работы прибора не соответствует подключенному!\n"
    "Произвести смену прошивки?";
constexpr const char* kFirmwareMismatch =
    "Выбранный Вами режим работы прибора не соответствует подключенному!\n"
    "Необходимо сменить прошивку!";
constexpr const char* kReadingFirmware = "Чтение файла прошивки ...";

DeviceMode FamilyOfItem(int item) {
  return item == 0 ? DeviceMode::Receiver : item == 1 ? DeviceMode::Relay : DeviceMode::None;
}

}  // namespace

std::string TMainForm::dataFolder(const char* folder) const {
  return QDir::toNativeSeparators(
             QDir(QString::fromStdString(state_.ProgramFolder)).filePath(folder))
      .toStdString();
}

std::string TMainForm::firmwarePath(const QString& name) const {
  const QDir base(QString::fromStdString(dataFolder(kFirmwareFolder)));
  return QDir::toNativeSeparators(name.isEmpty() ? base.path() : base.filePath(name)).toStdString();
}

bool TMainForm::readFirmwareFile(const QString& name, FirmwareReadMode mode) {
  LabelFactsView facts(*UpdateSoftTabSh);
  const FirmwareReadContext context{state_.DeviceMode,
                                    UpdateSoftTabSh->DevOperModeRdG->itemIndex()};
  const bool loaded =
      ReadFirmwareFile(firmwarePath(name), mode, context, facts, ui_, &firmwareImage_);
  if (loaded) state_.FirmwareFileSize = static_cast<int>(firmwareImage_.size());
  return loaded;
}

// Every firmware write ends in a disconnect; after a good one the device
// does not expect the disconnect command.
void TMainForm::writeFirmwareAndDisconnect() {
  UpdateSoftTabSh->SoftUpdateGrB->setVisible(true);
  if (session_.WriteFirmware(firmwareImage_)) state_.DisconnectDue = false;
  ui_.SetProgress(0);
  DisconnectButtonClick();
}

void TMainForm::DevOperModeRdGClick() {
  if (state_.DemoMode) return;
  FirmwarePage* page = UpdateSoftTabSh;
  page->ExecuteButton->setVisible(true);
  const int item = page->DevOperModeRdG->itemIndex();
  if (item >= 0) state_.SelectedMode = static_cast<std::uint8_t>(item);
  if (FamilyOfItem(state_.SelectedMode) == state_.DeviceMode) {
    page->SWVersionRdG->setVisible(false);
    page->SoftUpdateGrB->setVisible(false);
    return;
  }
  // The other family: offer its firmware files, in the order the folder lists them.
  QStringList names;
  for (const std::string& name :
       ListFirmwareFiles(firmwarePath({}), FamilyCode(FamilyOfItem(state_.SelectedMode)))) {
    names << QString::fromStdString(name);
  }
  page->SWVersionRdG->setItems(names);
  if (!names.isEmpty() && ui_.AskYesNo(kChangeFirmwareQuestion, kSystemCaption)) {
    page->SWVersionRdG->setVisible(true);
  }
}

void TMainForm::SWVersionRdGClick() {
  RadioGroup* files = UpdateSoftTabSh->SWVersionRdG;
  UpdateSoftTabSh->SoftUpdateGrB->setVisible(true);
  if (files->itemIndex() < 0) return;
  readFirmwareFile(files->itemText(files->itemIndex()), FirmwareReadMode::Preview);
}

void TMainForm::openWorkPage(int tab) {
  MainPageC->setTabVisible(tab, true);
  MainPageC->setCurrentIndex(tab);
  QWidget* page = tab == kBackupTab ? static_cast<QWidget*>(RegistBackupTabSh)
                                    : static_cast<QWidget*>(ReleSettingsTabSh);
  page->setFocus();
}

void TMainForm::ExecuteButtonClick() {
  BusyGuard busy(this);
  const int item = UpdateSoftTabSh->DevOperModeRdG->itemIndex();
  if (state_.DemoMode) {
    // Files only: the work page opens without a device.
    if (item == 0) {
      Column->DefaultButton->setEnabled(false);
      BackupPage* backup = RegistBackupTabSh;
      backup->RegBackupCreateButton->setEnabled(true);
      backup->RegBackupRestoreButton->setEnabled(true);
      for (QLabel* label :
           {backup->RegFNameLabel2, backup->ConfCodeLabel2, backup->Dev2TypeLabel2}) {
        label->clear();
      }
      backup->ObjNumEdit->clear();
      backup->ModuleNumCmB->clear();
      backup->ModuleNumCmB->clearEditText();
      openWorkPage(kBackupTab);
    } else if (item == 1) {
      for (QPushButton* b : {Column->LoadButton, Column->SaveButton, Column->DefaultButton}) {
        b->setEnabled(true);
      }
      openWorkPage(kRelayTab);
    }
    return;
  }

  RadioGroup* files = UpdateSoftTabSh->SWVersionRdG;
  if (files->itemIndex() >= 0) {  // chosen, even if the list is hidden again
    ui_.SetStatusText(kReadingFirmware);
    if (readFirmwareFile(files->itemText(files->itemIndex()), FirmwareReadMode::Load)) {
      writeFirmwareAndDisconnect();
      return;
    }
  }
  if (FamilyOfItem(state_.SelectedMode) != state_.DeviceMode) {
    ui_.ShowMessage(kFirmwareMismatch, kSystemCaption, BoxIcon::None);
    return;
  }
  if (item != 0 && item != 1) return;
  // Same family: reconnect for the work page (code 0xAA there).
  DisconnectButtonClick();
  Column->DefaultButton->setEnabled(item == 1);
  openWorkPage(item == 0 ? kBackupTab : kRelayTab);
  ConnectButtonClick();
}

}  // namespace orten::gui
