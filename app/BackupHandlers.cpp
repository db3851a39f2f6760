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
#include "widgets/RadioGroup.h"

namespace orten::gui {

namespace {

constexpr const char* kDeleting = "Удаление файла регистрации...";
constexpr const char* kDeleteTitle = "Удаление файла регистрации";
constexpr const char* kDeleted = "Файл регистрации успешно удален";
constexpr const char* kBadModule = "Введено недопустимое значение номера модуля!";
constexpr const char* kBackupRead = "Резервная копия считана успешно";
constexpr const char* kBackupWritten = "Резервная копия загружена успешно";
constexpr const char* kSaveNeedsNumbers =
    "Внимание! Для сохранения файла необходимо указать номер модуля и номер объекта!";
constexpr const char* kNothingToWrite =
    "Нет резервной копии для записи: сначала считайте её из прибора или из файла.";

// Backup files: one value of the registration memory a line.
constexpr ValueFiles kBackupFiles{
    .folder = kBackupFolder,
    .filter = "Файлы регистрации (*.rrg)",
    .suffix = "rrg",
    .openTitle = "Открытие файла регистрации",
    .loading = "Чтение сведений о регистрации из файла",
    .loaded = "Сведения о регистрации успешно считаны",
    .notLoaded = "Сведения о регистрации не считаны",
    .saveTitle = "Сохранение файла регистрации",
    .saving = "Сохранение сведений о регистрации в файл",
    .saved = "Сведения о регистрации успешно сохранены",
    .notSaved = "Сведения о регистрации не сохранены",
};

// The file dialogs offer the chosen system mode's files.
std::string BackupPattern(const BackupPage& page) {
  const std::string prefix = SystemModePrefix(page.systemMode());
  return prefix.empty() ? "" : prefix + "*";
}

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

void TMainForm::RegBackupCreateButtonClick(QObject* sender) {
  backup_.begin(sender ? sender->objectName().toStdString() : std::string());
}

void BackupController::begin(const std::string& action) {
  BackupPage* page = window_.RegistBackupTabSh;
  const bool online = !window_.state_.DemoMode;
  page->clearFileFields();
  if (action == "RegBackupCreateButton") {
    // A new backup: read from the device, then named by the numbers typed here.
    if (online) column().enableDeviceButtons(true, false);
    column().enableFileButtons(false, false);
    page->clearSystemMode();
    page->enableFields(true);
  }
  if (action == "RegBackupRestoreButton") {
    // A backup file to the device: its name fills in the numbers.
    column().enableLoad(true);
    if (online) column().enableRead(false);
    page->enableFields(false);
  }
  if (action == "RegBackupDeleteButton") deleteFile();
  page->clearFileFields();
  drop();
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
  column().enableWrite(false);
}

void BackupController::deleteFile() {
  BackupPage* page = window_.RegistBackupTabSh;
  page->enableNumbers(false);
  ui().SetStatusText(kDeleting);
  const std::optional<std::string> path =
      ui().AskOpenFile({kDeleteTitle, window_.dataFolder(kBackupFiles.folder), BackupPattern(*page),
                        kBackupFiles.filter, kBackupFiles.suffix});
  if (!path) return;
  const QString name = FileName(*path);
  page->showFileName(name);
  if (!ui().AskYesNo("Вы уверены, что хотите удалить файл регистрации " + name.toStdString() + " ?",
                     "Confirm", BoxIcon::Question)) {
    return;
  }
  std::error_code ec;
  if (!std::filesystem::remove(PathFromUtf8(*path), ec)) {
    // Deleting nothing is no success: say what went wrong.
    const std::string why = ec ? FileErrorText(ec) : "файла нет";
    const std::string text =
        "Не удалось удалить файл регистрации " + name.toStdString() + ": " + why + ".";
    ui().SetStatusText(text);
    ui().ShowMessage(text, kAppTitle, BoxIcon::Error);
    return;
  }
  ui().SetStatusText(kDeleted);
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
  reportDone(kBackupRead);
  column().enableSave(true);
}

void BackupController::write() {
  if (image_.empty()) {
    ui().ShowMessage(kNothingToWrite, kAppTitle, BoxIcon::Error);
    return;
  }
  if (const Outcome written =
          window_.offThread([this] { return window_.session_.WriteRegistration(image_, file_); });
      !written) {
    window_.endIfDeviceGone(written, TMainForm::GoneDuring::Write);
    return;
  }
  reportDone(kBackupWritten);
}

void BackupController::load() {
  std::vector<std::int32_t> values;
  const std::optional<std::string> path = loadValues(
      kBackupFiles, BackupPattern(*window_.RegistBackupTabSh), RegistrationImage::kSize, values);
  if (!path) return;
  image_.assign(values);
  file_ = *path;
  // The device's role, module and object as the file's name records them.
  window_.RegistBackupTabSh->showBackup(FileName(*path), image_.configurationCode(),
                                        ReadBackupName(*path));
  ui().SetStatusText(kBackupFiles.loaded);
  // Online the backup goes on to the device; in demo only to another file.
  if (window_.state_.DemoMode) {
    column().enableSave(true);
  } else {
    column().enableWrite(true);
  }
}

void BackupController::save() {
  BackupPage* page = window_.RegistBackupTabSh;
  const std::string module = page->moduleNumber().toStdString();
  const std::string object = page->objectNumber().toStdString();
  if (module.empty() || object.empty()) {
    ui().ShowMessage(kSaveNeedsNumbers, kAppTitle, BoxIcon::None);
    return;
  }
  ui().SetStatusText(kBackupFiles.saving);
  const std::string name = DefaultBackupName(page->systemMode(), module, window_.state_.DateStamp,
                                             object, page->configurationCodeText().toStdString());
  page->showFileName(QString::fromStdString(name));
  const std::optional<std::string> path = askSave(kBackupFiles, name);
  if (!path) return;
  if (image_.empty()) {
    ui().ShowMessage(kNothingToWrite, kAppTitle, BoxIcon::Error);
    return;
  }
  if (!saveValues(kBackupFiles, *path, image_.values())) return;
  page->showFileName(FileName(*path));
  file_ = *path;
}

}  // namespace orten::gui
