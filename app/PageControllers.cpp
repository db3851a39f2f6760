// The buttons of the groups "Прибор" and "Файл" act on the active work
// page, through its controller: the registration memory on "Резервная
// копия", the output settings on "Режимы реле и выхода ОК"; on "Главная"
// they do nothing. The steps both pages share are here, so each page
// says only what is its own.
#include "app/PageControllers.h"

#include "app/RightColumn.h"
#include "app/TMainForm.h"
#include "params/ValueFile.h"
#include "widgets/BusyGuard.h"
#include "widgets/GuardedTabWidget.h"

namespace orten::gui {

RightColumn& PageController::column() {
  return *window_.Column;
}

UserInterface& PageController::ui() {
  return window_.ui();
}

void PageController::reportDone(const char* text) {
  ui().SetProgress(0);
  ui().SetStatusText(text);
  ui().ShowMessage(text);
  window_.session_.Told(text);
}

std::optional<std::string> PageController::loadValues(const ValueFiles& files,
                                                      const std::string& pattern, std::size_t count,
                                                      std::vector<std::int32_t>& values) {
  ui().SetStatusText(files.loading);
  std::optional<std::string> path = ui().AskOpenFile(
      {files.openTitle, window_.dataFolder(files.folder), pattern, files.filter, files.suffix});
  if (!path) return std::nullopt;
  if (const Outcome read = ReadValueFile(*path, count, values); !read) {
    refused(read.detail, files.notLoaded);
    return std::nullopt;
  }
  return path;
}

std::optional<std::string> PageController::askSave(const ValueFiles& files,
                                                   const std::string& name) {
  return ui().AskSaveFile(
      {files.saveTitle, window_.dataFolder(files.folder), name, files.filter, files.suffix});
}

bool PageController::saveValues(const ValueFiles& files, const std::string& path,
                                const std::vector<std::int32_t>& values) {
  if (const Outcome saved = WriteValueFile(path, values); !saved) {
    refused(saved.detail, files.notSaved);
    return false;
  }
  ui().SetStatusText(files.saved);
  return true;
}

// A file refused on either page: why, in an error box, and the status line
// no longer says the work is under way.
void PageController::refused(const std::string& why, const char* status) {
  ui().ShowMessage(why, kAppTitle, BoxIcon::Error);
  ui().SetStatusText(status);
}

PageController* TMainForm::pageAt(int tab) {
  for (PageController* page : pages()) {
    if (page->tab() == tab) return page;
  }
  return nullptr;
}

PageController* TMainForm::activePage() {
  return pageAt(MainPageC->currentIndex());
}

PageController* TMainForm::pageOf(DeviceMode family) {
  for (PageController* page : pages()) {
    if (page->family() == family) return page;
  }
  return nullptr;
}

void TMainForm::closeWorkPages() {
  MainPageC->setCurrentIndex(kFirmwareTab);
  for (PageController* page : pages()) MainPageC->setTabVisible(page->tab(), false);
}

void TMainForm::ReadButtonClick() {
  BusyGuard busy(this);
  if (PageController* page = activePage()) page->read();
  session_.FinishRecord();  // with the words just shown
}

void TMainForm::WriteButtonClick() {
  BusyGuard busy(this);
  if (PageController* page = activePage()) page->write();
  session_.FinishRecord();  // with the words just shown
}

void TMainForm::SaveButtonClick() {
  if (PageController* page = activePage()) page->save();
}

void TMainForm::LoadButtonClick() {
  if (PageController* page = activePage()) page->load();
}

}  // namespace orten::gui
