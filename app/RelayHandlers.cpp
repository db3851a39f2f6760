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

int RelayController::tab() const {
  return TMainForm::kRelayTab;
}

void RelayController::connected() {
  window_.Column->enableDeviceButtons(true, true);
  window_.Column->enableFileButtons(true, true);
}

void RelayController::openDemo() {
  window_.Column->enableFileButtons(true, true);
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
  window_.ui().SetStatusText(kDefaultsShown);
}

void RelayController::read() {
  const Result<std::vector<std::int32_t>> page =
      window_.offThread([this] { return window_.session_.ReadReleSettings(); });
  if (!page) {
    window_.endIfDeviceGone(page.outcome(), TMainForm::GoneDuring::Read);
    return;
  }
  window_.ReleSettingsTabSh->ShowReleSettings(*page);
  window_.ui().SetProgress(0);
  window_.ui().SetStatusText(kReadFromDevice);
  window_.ui().ShowMessage(kReadFromDevice);
  window_.session_.Told(kReadFromDevice);
  window_.Column->enableSave(true);
}

void RelayController::write() {
  window_.ui().SetStatusText(kWritingToDevice);
  std::vector<std::int32_t> table(kReleParamCount, 0);
  window_.ReleSettingsTabSh->CollectReleSettings(table);
  const std::string file = table == fileTable_ ? file_ : std::string();
  if (const Outcome written =
          window_.offThread([&] { return window_.session_.WriteReleSettings(table, file); });
      !written) {
    window_.endIfDeviceGone(written, TMainForm::GoneDuring::Write);
    return;
  }
  window_.ui().SetProgress(0);
  window_.ui().SetStatusText(kWrittenToDevice);
  window_.ui().ShowMessage(kWrittenToDevice);
  window_.session_.Told(kWrittenToDevice);
}

void RelayController::load() {
  window_.ui().SetStatusText(kLoadingFile);
  const std::optional<std::string> path = window_.ui().AskOpenFile(
      {kOpenTitle, window_.dataFolder(kSettingsFolder), std::string(), kFilter, kSuffix});
  if (!path) return;
  // A file is taken whole or not at all: the page keeps its settings when
  // the file is short or holds anything but bytes.
  std::vector<std::int32_t> table;
  if (const Outcome read = ReadValueFile(*path, kReleParamCount, table); !read) {
    window_.ui().ShowMessage(read.detail);
    window_.ui().SetStatusText(kFileNotLoaded);
    return;
  }
  for (int n = 1; n <= window_.state_.ReleCount; ++n)
    window_.ReleSettingsTabSh->CheckReleEvents(n, false);
  window_.ReleSettingsTabSh->ShowReleSettings(table);
  // As the page holds them: the controls keep only what they can show.
  fileTable_.assign(kReleParamCount, 0);
  window_.ReleSettingsTabSh->CollectReleSettings(fileTable_);
  file_ = *path;
  window_.ui().SetStatusText(kFileLoaded);
}

void RelayController::save() {
  window_.ui().SetStatusText(kSavingFile);
  const std::optional<std::string> path = window_.ui().AskSaveFile(
      {kSaveTitle, window_.dataFolder(kSettingsFolder), kDefaultReleFileName, kFilter, kSuffix});
  if (!path) return;
  std::vector<std::int32_t> table(kReleParamCount, 0);
  window_.ReleSettingsTabSh->CollectReleSettings(table);
  if (const Outcome saved = WriteValueFile(*path, table); !saved) {
    window_.ui().ShowMessage(saved.detail);
    window_.ui().SetStatusText(kFileNotSaved);
    return;
  }
  file_ = *path;
  fileTable_ = table;
  window_.ui().SetStatusText(kFileSaved);
}

}  // namespace orten::gui
