#include "app/TMainForm.h"

namespace orten::gui {

void TMainForm::DefaultButtonClick() {}
void TMainForm::readReleSettings() {}
void TMainForm::writeReleSettings() {}
void TMainForm::saveReleSettingsFile() {}
void TMainForm::loadReleSettingsFile() {}

}  // namespace orten::gui
