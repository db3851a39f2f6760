// The page "Режимы реле и выхода ОК" behind the shared buttons: the three
// outputs' settings to and from the device and .cfg files, and the factory
// settings.
#include <vector>

#include "app/RightColumn.h"
#include "app/TMainForm.h"
#include "base/DataFolders.h"
#include "pages/RelayPage.h"
#include "params/ReleSettings.h"

namespace orten::gui {

namespace {

constexpr const char* kDefaultsShown = "Заводские настройки выставлены";
constexpr const char* kReadFromDevice = "Настройки реле считаны успешно";
constexpr const char* kWritingToDevice = "Запись настроек реле в прибор ...";
constexpr const char* kWrittenToDevice = "Настройки реле загружены успешно";

// .cfg files: one value of the settings table a line.
constexpr ValueFiles kSettingsFiles{
    .folder = kSettingsFolder,
    .filter = "Файлы конфигурации (*.cfg)",
    .suffix = "cfg",
    .openTitle = "Открытие файла настроек реле",
    .loading = "Чтение настроек реле из файла",
    .loaded = "Настройки реле успешно считаны",
    .notLoaded = "Настройки реле не считаны",
    .saveTitle = "Сохранение настроек реле в файл",
    .saving = "Сохранение настроек реле в файл",
    .saved = "Настройки реле успешно сохранены",
    .notSaved = "Настройки реле не сохранены",
};

}  // namespace

int RelayController::tab() const {
  return TMainForm::kRelayTab;
}

void RelayController::connected() {
  column().enableDeviceButtons(true, true);
  column().enableFileButtons(true, true);
}

void RelayController::openDemo() {
  column().enableFileButtons(true, true);
}

void RelayController::showFactorySettings() {
  for (int n = 1; n <= window_.state_.ReleCount; ++n)
    window_.ReleSettingsTabSh->CheckReleEvents(n, false);
  window_.ReleSettingsTabSh->ShowReleSettings(kFactoryReleSettings);
}

void TMainForm::DefaultButtonClick() {
  relay_.defaults();
}

void RelayController::defaults() {
  showFactorySettings();
  ui().SetStatusText(kDefaultsShown);
}

void RelayController::read() {
  const Result<std::vector<std::int32_t>> page =
      window_.offThread([this] { return window_.session_.ReadReleSettings(); });
  if (!page) {
    window_.endIfDeviceGone(page.outcome(), TMainForm::GoneDuring::Read);
    return;
  }
  window_.ReleSettingsTabSh->ShowReleSettings(*page);
  reportDone(kReadFromDevice);
  column().enableSave(true);
}

void RelayController::write() {
  ui().SetStatusText(kWritingToDevice);
  std::vector<std::int32_t> table(kReleParamCount, 0);
  window_.ReleSettingsTabSh->CollectReleSettings(table);
  const std::string file = table == fileTable_ ? file_ : std::string();
  if (const Outcome written =
          window_.offThread([&] { return window_.session_.WriteReleSettings(table, file); });
      !written) {
    window_.endIfDeviceGone(written, TMainForm::GoneDuring::Write);
    return;
  }
  reportDone(kWrittenToDevice);
}

void RelayController::load() {
  // A file is taken whole or not at all: the page keeps its settings when
  // the file is short or holds anything but bytes.
  std::vector<std::int32_t> table;
  const std::optional<std::string> path =
      loadValues(kSettingsFiles, std::string(), kReleParamCount, table);
  if (!path) return;
  for (int n = 1; n <= window_.state_.ReleCount; ++n)
    window_.ReleSettingsTabSh->CheckReleEvents(n, false);
  window_.ReleSettingsTabSh->ShowReleSettings(table);
  // As the page holds them: the controls keep only what they can show.
  fileTable_.assign(kReleParamCount, 0);
  window_.ReleSettingsTabSh->CollectReleSettings(fileTable_);
  file_ = *path;
  ui().SetStatusText(kSettingsFiles.loaded);
}

void RelayController::save() {
  ui().SetStatusText(kSettingsFiles.saving);
  const std::optional<std::string> path = askSave(kSettingsFiles, kDefaultReleFileName);
  if (!path) return;
  std::vector<std::int32_t> table(kReleParamCount, 0);
  window_.ReleSettingsTabSh->CollectReleSettings(table);
  if (!saveValues(kSettingsFiles, *path, table)) return;
  file_ = *path;
  fileTable_ = table;
}

}  // namespace orten::gui
