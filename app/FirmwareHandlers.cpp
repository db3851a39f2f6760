// The handlers of the page "Главная": which family the device shall run,
// which firmware file, and "Выполнить", which either writes the chosen file
// or moves to the work page of the device's family.
#include <QDir>
#include <QStringList>
#include <optional>

#include "app/RightColumn.h"
#include "app/TMainForm.h"
#include "base/DataFolders.h"
#include "pages/BackupPage.h"
#include "pages/FirmwareFactsLabels.h"
#include "pages/FirmwarePage.h"
#include "pages/RelayPage.h"
#include "widgets/BusyGuard.h"
#include "widgets/GuardedTabWidget.h"

namespace orten::gui {

namespace {

constexpr const char* kChangeFirmwareQuestion =
    "Выбранный Вами режим работы прибора не соответствует подключенному!\n"
    "Произвести смену прошивки?";
constexpr const char* kFirmwareMismatch =
    "Выбранный Вами режим работы прибора не соответствует подключенному!\n"
    "Необходимо сменить прошивку!";
constexpr const char* kReadingFirmware = "Чтение файла прошивки ...";
constexpr const char* kAwaitingRestart = "Проверка прошивки: ожидание перезапуска прибора ...";

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
  FirmwareFile file =
      ReadFirmwareFile(firmwarePath(name), mode, FamilyOfItem(UpdateSoftTabSh->chosenFamily()));
  ShowFirmwareFacts(*UpdateSoftTabSh, file, state_.DeviceMode);
  ShowFirmwareRefusal(file, ui_);
  if (!file.loaded()) return false;
  firmwareImage_ = std::move(file.image);
  state_.FirmwareFileSize = static_cast<int>(firmwareImage_.size());
  firmwareFile_ = firmwarePath(name);
  return true;
}

// Every firmware write ends in a disconnect; after a good one the device
// does not expect the disconnect command. The status line keeps the write's
// own words.
Outcome TMainForm::writeFirmwareAndDisconnect() {
  UpdateSoftTabSh->showFileFacts(true);
  const Outcome written =
      offThread([this] { return session_.WriteFirmware(firmwareImage_, firmwareFile_); });
  if (written) state_.DisconnectDue = false;
  ui_.SetProgress(0);
  if (!endIfDeviceGone(written, GoneDuring::FirmwareWrite)) endLink(state_.DisconnectDue);
  if (written) checkAfterRestart();
  session_.FinishRecord();
  return written;
}

// The programmed device restarts. The window, idle again, waits for it as
// ortenctl firmware write --verify does, saying so meanwhile, and the journal
// records the version it came back with. A device that does not come back,
// or with another version, is told in a box, in the check's own words; the
// status line then holds the write's words again.
void TMainForm::checkAfterRestart() {
  const std::string written = statusText().toStdString();
  ui_.SetStatusText(kAwaitingRestart);
  const Verdict verdict = offThread([this] { return session_.AwaitRestart(); });
  if (session_.link().transport().ReleaseWhenIdle()) session_.Close();
  ui_.SetStatusText(written);
  if (!verdict) ui().ShowMessage(verdict.message(), kWarningCaption, BoxIcon::Error);
}

void TMainForm::DevOperModeRdGClick() {
  if (state_.DemoMode) return;
  FirmwarePage* page = UpdateSoftTabSh;
  page->showExecuteButton(true);
  const int item = page->chosenFamily();
  if (item >= 0) state_.SelectedMode = static_cast<std::uint8_t>(item);
  if (FamilyOfItem(state_.SelectedMode) == state_.DeviceMode) {
    page->showFirmwareFiles(false);
    page->showFileFacts(false);
    return;
  }
  // The other family: offer its firmware files, in the order the folder lists them.
  // The folder may hold any number of them: it is listed off the window's thread.
  const QStringList names =
      offThread([folder = firmwarePath({}), code = FamilyCode(FamilyOfItem(state_.SelectedMode))] {
        QStringList listed;
        for (const std::string& name : ListFirmwareFiles(folder, code)) {
          listed << QString::fromStdString(name);
        }
        return listed;
      });
  page->setFirmwareFiles(names);
  if (!names.isEmpty() && ui_.AskYesNo(kChangeFirmwareQuestion, kSystemCaption)) {
    page->showFirmwareFiles(true);
  }
}

void TMainForm::SWVersionRdGClick() {
  UpdateSoftTabSh->showFileFacts(true);
  if (const std::optional<QString> file = UpdateSoftTabSh->chosenFirmwareFile()) {
    readFirmwareFile(*file, FirmwareReadMode::Preview);
  }
}

void TMainForm::openWorkPage(const PageController& page) {
  Column->enableFactoryButton(page.hasDefaults());
  MainPageC->setTabVisible(page.tab(), true);
  MainPageC->setCurrentIndex(page.tab());
  MainPageC->widget(page.tab())->setFocus();
}

// Files only: the work page of the chosen family opens without a device.
void TMainForm::openDemoWorkPage(int item) {
  PageController* page = pageOf(FamilyOfItem(item));
  if (!page) return;
  page->openDemo();
  openWorkPage(*page);
}

void TMainForm::ExecuteButtonClick() {
  BusyGuard busy(this);
  const int item = UpdateSoftTabSh->chosenFamily();
  if (state_.DemoMode) {
    openDemoWorkPage(item);
    return;
  }

  // Chosen, even if the list is hidden again.
  if (const std::optional<QString> file = UpdateSoftTabSh->chosenFirmwareFile()) {
    ui_.SetStatusText(kReadingFirmware);
    if (readFirmwareFile(*file, FirmwareReadMode::Load)) {
      writeFirmwareAndDisconnect();
      return;
    }
  }
  if (FamilyOfItem(state_.SelectedMode) != state_.DeviceMode) {
    ui_.ShowMessage(kFirmwareMismatch, kSystemCaption, BoxIcon::None);
    return;
  }
  PageController* page = pageOf(FamilyOfItem(item));
  if (!page) return;
  // Same family: reconnect for the work page (code 0xAA there).
  DisconnectButtonClick();
  openWorkPage(*page);
  ConnectButtonClick();
}

}  // namespace orten::gui
