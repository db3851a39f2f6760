#include "app/TMainForm.h"

namespace orten::gui {

void TMainForm::RegBackupCreateButtonClick(QObject*) {}
void TMainForm::RPU_RTRRadioGrClick() {}
void TMainForm::ModuleNumCmBExit() {}
void TMainForm::readRegistration() {}
void TMainForm::writeRegistration() {}
void TMainForm::saveRegistrationFile() {}
void TMainForm::loadRegistrationFile() {}

}  // namespace orten::gui
