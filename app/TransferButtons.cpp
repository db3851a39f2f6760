// The buttons of the groups "Прибор" and "Файл" act on the active work
// page, through its controller: the registration memory on "Резервная
// копия", the output settings on "Режимы реле и выхода ОК"; on "Главная"
// they do nothing.
#include "app/TMainForm.h"
#include "widgets/BusyGuard.h"
#include "widgets/GuardedTabWidget.h"

namespace orten::gui {

PageController* TMainForm::activePage() {
  switch (MainPageC->currentIndex()) {
    case kBackupTab:
      return &backup_;
    case kRelayTab:
      return &relay_;
    default:
      return nullptr;
  }
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
