// The buttons of the groups "Прибор" and "Файл" act on the active work
// page: the registration memory on "Резервная копия", the output settings
// on "Режимы реле и выхода ОК"; on "Главная" they do nothing.
#include "app/TMainForm.h"
#include "widgets/BusyGuard.h"
#include "widgets/GuardedTabWidget.h"

namespace orten::gui {

void TMainForm::ReadButtonClick() {
  BusyGuard busy(this);
  const int tab = MainPageC->currentIndex();
  if (tab == kBackupTab) readRegistration();
  if (tab == kRelayTab) readReleSettings();
  session_.FinishRecord();  // with the words just shown
}

void TMainForm::WriteButtonClick() {
  BusyGuard busy(this);  // the write pumps events while it paces the device
  const int tab = MainPageC->currentIndex();
  if (tab == kBackupTab) writeRegistration();
  if (tab == kRelayTab) writeReleSettings();
  session_.FinishRecord();  // with the words just shown
}

void TMainForm::SaveButtonClick() {
  const int tab = MainPageC->currentIndex();
  if (tab == kBackupTab) saveRegistrationFile();
  if (tab == kRelayTab) saveReleSettingsFile();
}

void TMainForm::LoadButtonClick() {
  const int tab = MainPageC->currentIndex();
  if (tab == kBackupTab) loadRegistrationFile();
  if (tab == kRelayTab) loadReleSettingsFile();
}

}  // namespace orten::gui
