// The page "Режимы реле и выхода ОК" behind the shared buttons: the three
// outputs' settings to and from the device and .cfg files, and the factory
// settings.
#include <vector>

#include "app/RightColumn.h"
#include "app/TMainForm.h"
#include "base/DataFolders.h"
#include "pages/RelayPage.h"
#include "params/ReleSettings.h"
#include "params/ValueFile.h"

namespace orten::gui {

namespace {

constexpr const char* kDefaultsShown = "Заводские настройки выставлены";
constexpr const char* kReadFromDevice = "Настройки реле считаны успешно";
constexpr const char* kWritingToDevice = "Запись настроек реле в прибор ...";
constexpr const char* kWrittenToDevice = "Настройки реле загружены успешно";
constexpr const char* kLoadingFile = "Чтение настроек реле из файла";
constexpr const char* kFileLoaded = "Настройки реле успешно считаны";
constexpr const char* kFileNotLoaded = "Настройки реле не считаны";
constexpr const char* kSavingFile = "Сохранение настроек реле в файл";
constexpr const char* kFileSaved = "Настройки реле успешно сохранены";
constexpr const char* kFileNotSaved = "Настройки реле не сохранены";

constexpr const char* kOpenTitle = "Открытие файла настроек реле";
constexpr const char* kSaveTitle = "Сохранение настроек реле в файл";
constexpr const char* kFilter = "Файлы конфигурации (*.cfg)";
constexpr const char* kSuffix = "cfg";

}  // namespace

void TMainForm::showFactoryReleSettings() {
  for (int n = 1; n <= state_.ReleCount; ++n) ReleSettingsTabSh->CheckReleEvents(n, false);
  ReleSettingsTabSh->ShowReleSettings(kFactoryReleSettings);
}

void TMainForm::DefaultButtonClick() {
  showFactoryReleSettings();
  ui().SetStatusText(kDefaultsShown);
}

void TMainForm::readReleSettings() {
  const Result<std::vector<std::int32_t>> page =
      offThread([this] { return session_.ReadReleSettings(); });
  if (!page) {
    endIfDeviceGone(page.outcome(), GoneDuring::Read);
    return;
  }
  ReleSettingsTabSh->ShowReleSettings(*page);
  ui().SetProgress(0);
  ui().SetStatusText(kReadFromDevice);
  ui().ShowMessage(kReadFromDevice);
  Column->enableSave(true);
}

void TMainForm::writeReleSettings() {
  ui().SetStatusText(kWritingToDevice);
  std::vector<std::int32_t> table(kReleParamCount, 0);
  ReleSettingsTabSh->CollectReleSettings(table);
  const std::string file = table == releFileTable_ ? releFile_ : std::string();
  if (const Outcome written = offThread([&] { return session_.WriteReleSettings(table, file); });
      !written) {
    endIfDeviceGone(written, GoneDuring::Write);
    return;
  }
  ui().SetProgress(0);
  ui().SetStatusText(kWrittenToDevice);
  ui().ShowMessage(kWrittenToDevice);
}

void TMainForm::loadReleSettingsFile() {
  ui().SetStatusText(kLoadingFile);
  const std::optional<std::string> path =
      ui().AskOpenFile({kOpenTitle, dataFolder(kSettingsFolder), std::string(), kFilter, kSuffix});
  if (!path) return;
  // A file is taken whole or not at all: the page keeps its settings when
  // the file is short or holds anything but bytes.
  std::vector<std::int32_t> table;
  std::string error;
  if (!ReadValueFile(*path, kReleParamCount, table, error)) {
    ui().ShowMessage(error);
    ui().SetStatusText(kFileNotLoaded);
    return;
  }
  for (int n = 1; n <= state_.ReleCount; ++n) ReleSettingsTabSh->CheckReleEvents(n, false);
  ReleSettingsTabSh->ShowReleSettings(table);
  // As the page holds them: the controls keep only what they can show.
  releFileTable_.assign(kReleParamCount, 0);
  ReleSettingsTabSh->CollectReleSettings(releFileTable_);
  releFile_ = *path;
  ui().SetStatusText(kFileLoaded);
}

void TMainForm::saveReleSettingsFile() {
  ui().SetStatusText(kSavingFile);
  const std::optional<std::string> path = ui().AskSaveFile(
      {kSaveTitle, dataFolder(kSettingsFolder), kDefaultReleFileName, kFilter, kSuffix});
  if (!path) return;
  std::vector<std::int32_t> table(kReleParamCount, 0);
  ReleSettingsTabSh->CollectReleSettings(table);
  std::string error;
  if (!WriteValueFile(*path, table, error)) {
    ui().ShowMessage(error);
    ui().SetStatusText(kFileNotSaved);
    return;
  }
  releFile_ = *path;
  releFileTable_ = table;
  ui().SetStatusText(kFileSaved);
}

}  // namespace orten::gui
