// The page "Резервная копия": its three actions set up the work, and the
// shared buttons then move the registration memory between the device, the
// window and a backup file.
#include <QFileInfo>
#include <QPushButton>
#include <filesystem>

#include "app/RightColumn.h"
#include "app/TMainForm.h"
#include "base/DataFolders.h"
#include "base/FileKind.h"
#include "base/Utf8Path.h"
#include "pages/BackupPage.h"
#include "params/ValueFile.h"
#include "widgets/RadioGroup.h"

namespace orten::gui {

namespace {

constexpr const char* kBackupFilter = "Файлы регистрации (*.rrg)";
constexpr const char* kBackupSuffix = "rrg";
constexpr const char* kDeleting = "Удаление файла регистрации...";
constexpr const char* kDeleteTitle = "Удаление файла регистрации";
constexpr const char* kDeleted = "Файл регистрации успешно удален";
constexpr const char* kBadModule = "Введено недопустимое значение номера модуля!";
constexpr const char* kBackupRead = "Резервная копия считана успешно";
constexpr const char* kBackupWritten = "Резервная копия загружена успешно";
constexpr const char* kLoading = "Чтение сведений о регистрации из файла";
constexpr const char* kLoadTitle = "Открытие файла регистрации";
constexpr const char* kLoaded = "Сведения о регистрации успешно считаны";
constexpr const char* kSaveNeedsNumbers =
    "Внимание! Для сохранения файла необходимо указать номер модуля и номер объекта!";
constexpr const char* kSaving = "Сохранение сведений о регистрации в файл";
constexpr const char* kSaveTitle = "Сохранение файла регистрации";
constexpr const char* kSaved = "Сведения о регистрации успешно сохранены";
constexpr const char* kNothingToWrite =
    "Нет резервной копии для записи: сначала считайте её из прибора или из файла.";

QString FileName(const std::string& path) {
  return QFileInfo(QString::fromStdString(path)).fileName();
}

}  // namespace

void TMainForm::connectBackupHandlers() {
  BackupPage* page = RegistBackupTabSh;
  for (QPushButton* b :
       {page->RegBackupCreateButton, page->RegBackupRestoreButton, page->RegBackupDeleteButton}) {
    connect(b, &QPushButton::clicked, this, [this, b] { RegBackupCreateButtonClick(b); });
  }
  connect(page->RPU_RTRRadioGr, &RadioGroup::clicked, this, &TMainForm::RPU_RTRRadioGrClick);
  connect(page, &BackupPage::moduleNumberLeft, this, &TMainForm::ModuleNumCmBExit);
}

// The open dialog of the backup folder, offering the chosen system mode's files.
FileDialogRequest TMainForm::backupOpenRequest(const char* title) const {
  const std::string prefix = SystemModePrefix(RegistBackupTabSh->systemMode());
  return {title, dataFolder(kBackupFolder), prefix.empty() ? "" : prefix + "*", kBackupFilter,
          kBackupSuffix};
}

void TMainForm::RegBackupCreateButtonClick(QObject* sender) {
  BackupPage* page = RegistBackupTabSh;
  const QString action = sender ? sender->objectName() : QString();
  const bool online = !state_.DemoMode;
  page->clearFileFields();
  if (action == "RegBackupCreateButton") {
    // A new backup: read from the device, then named by the numbers typed here.
    if (online) Column->enableDeviceButtons(true, false);
    Column->enableFileButtons(false, false);
    page->clearSystemMode();
    page->enableFields(true);
  }
  if (action == "RegBackupRestoreButton") {
    // A backup file to the device: its name fills in the numbers.
    Column->enableLoad(true);
    if (online) Column->enableRead(false);
    page->enableFields(false);
  }
  if (action == "RegBackupDeleteButton") deleteBackupFile();
  page->clearFileFields();
  dropRegistrationImage();
}

int BackupController::tab() const {
  return TMainForm::kBackupTab;
}

void BackupController::connected() {
  window_.RegistBackupTabSh->enableCreateAndRestore(true);
}

void BackupController::openDemo() {
  BackupPage* page = window_.RegistBackupTabSh;
  page->enableCreateAndRestore(true);
  page->clearDeviceType();
  page->clearFileFields();
  drop();
}

void BackupController::drop() {
  image_ = RegistrationImage();
  file_.clear();
  window_.Column->enableWrite(false);
}

void TMainForm::deleteBackupFile() {
  RegistBackupTabSh->enableNumbers(false);
  ui_.SetStatusText(kDeleting);
  const std::optional<std::string> path = ui_.AskOpenFile(backupOpenRequest(kDeleteTitle));
  if (!path) return;
  const QString name = FileName(*path);
  RegistBackupTabSh->showFileName(name);
  if (!ui_.AskYesNo("Вы уверены, что хотите удалить файл регистрации " + name.toStdString() + " ?",
                    "Confirm", BoxIcon::Question)) {
    return;
  }
  std::error_code ec;
  if (!std::filesystem::remove(PathFromUtf8(*path), ec)) {
    // Deleting nothing is no success: say what went wrong.
    const std::string why = ec ? FileErrorText(ec) : "файла нет";
    const std::string text =
        "Не удалось удалить файл регистрации " + name.toStdString() + ": " + why + ".";
    ui_.SetStatusText(text);
    ui_.ShowMessage(text, kAppTitle, BoxIcon::Error);
    return;
  }
  ui_.SetStatusText(kDeleted);
}

void TMainForm::RPU_RTRRadioGrClick() {
  RegistBackupTabSh->fillModuleNumbers(RegistBackupTabSh->systemMode());
}

void TMainForm::ModuleNumCmBExit() {
  BackupPage* page = RegistBackupTabSh;
  if (ModuleNumberAccepted(page->systemMode(), page->moduleNumber().toStdString())) return;
  ui_.ShowMessage(kBadModule, kAppTitle, BoxIcon::None);
  page->focusModuleNumber();
}

void BackupController::read() {
  Result<RegistrationImage> image =
      window_.offThread([this] { return window_.session_.ReadRegistration(); });
  if (!image) {
    window_.endIfDeviceGone(image.outcome(), TMainForm::GoneDuring::Read);
    return;
  }
  image_ = std::move(*image);
  file_.clear();
  window_.RegistBackupTabSh->showConfigurationCode(image_.configurationCode());
  window_.ui().SetProgress(0);
  window_.ui().SetStatusText(kBackupRead);
  window_.ui().ShowMessage(kBackupRead, kAppTitle, BoxIcon::None);
  window_.session_.Told(kBackupRead);
  window_.Column->enableSave(true);
}

void BackupController::write() {
  if (image_.empty()) {
    window_.ui_.ShowMessage(kNothingToWrite, kAppTitle, BoxIcon::Error);
    return;
  }
  if (const Outcome written =
          window_.offThread([this] { return window_.session_.WriteRegistration(image_, file_); });
      !written) {
    window_.endIfDeviceGone(written, TMainForm::GoneDuring::Write);
    return;
  }
  window_.ui().SetProgress(0);
  window_.ui().SetStatusText(kBackupWritten);
  window_.ui().ShowMessage(kBackupWritten, kAppTitle, BoxIcon::None);
  window_.session_.Told(kBackupWritten);
}

void BackupController::load() {
  window_.ui_.SetStatusText(kLoading);
  const std::optional<std::string> path =
      window_.ui_.AskOpenFile(window_.backupOpenRequest(kLoadTitle));
  if (!path) return;
  std::vector<std::int32_t> values;
  if (const Outcome read = ReadValueFile(*path, RegistrationImage::kSize, values); !read) {
    window_.ui_.ShowMessage(read.detail, kAppTitle, BoxIcon::Error);  // nothing of the page changes
    return;
  }
  image_.assign(values);
  file_ = *path;
  // The device's role, module and object as the file's name records them.
  window_.RegistBackupTabSh->showBackup(FileName(*path), image_.configurationCode(),
                                        ReadBackupName(*path));
  window_.ui_.SetStatusText(kLoaded);
  // Online the backup goes on to the device; in demo only to another file.
  if (window_.state_.DemoMode) {
    window_.Column->enableSave(true);
  } else {
    window_.Column->enableWrite(true);
  }
}

void BackupController::save() {
  BackupPage* page = window_.RegistBackupTabSh;
  const std::string module = page->moduleNumber().toStdString();
  const std::string object = page->objectNumber().toStdString();
  if (module.empty() || object.empty()) {
    window_.ui_.ShowMessage(kSaveNeedsNumbers, kAppTitle, BoxIcon::None);
    return;
  }
  window_.ui_.SetStatusText(kSaving);
  const std::string name = DefaultBackupName(page->systemMode(), module, window_.state_.DateStamp,
                                             object, page->configurationCodeText().toStdString());
  page->showFileName(QString::fromStdString(name));
  const std::optional<std::string> path = window_.ui_.AskSaveFile(
      {kSaveTitle, window_.dataFolder(kBackupFolder), name, kBackupFilter, kBackupSuffix});
  if (!path) return;
  if (image_.empty()) {
    window_.ui_.ShowMessage(kNothingToWrite, kAppTitle, BoxIcon::Error);
    return;
  }
  if (const Outcome saved = WriteValueFile(*path, image_.values()); !saved) {
    window_.ui_.SetStatusText(saved.detail);
    window_.ui_.ShowMessage(saved.detail, kAppTitle, BoxIcon::Error);
    return;
  }
  page->showFileName(FileName(*path));
  file_ = *path;
  window_.ui_.SetStatusText(kSaved);
}

}  // namespace orten::gui
