// The buttons of the groups "Прибор" and "Файл" act on the active work
// page, through its controller: the registration memory on "Резервная
// копия", the output settings on "Режимы реле и выхода ОК"; on "Главная"
// they do nothing.
#include "app/TMainForm.h"
#include "widgets/BusyGuard.h"
#include "widgets/GuardedTabWidget.h"

namespace orten::gui {

PageController* TMainForm::activePage() {
  for (PageController* page : std::initializer_list<PageController*>{&backup_, &relay_}) {
    if (page->tab() == MainPageC->currentIndex()) return page;
  }
  return nullptr;
}

PageController* TMainForm::pageOfItem(int item) {
  return item == 0   ? static_cast<PageController*>(&backup_)
         : item == 1 ? static_cast<PageController*>(&relay_)
                     : nullptr;
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
