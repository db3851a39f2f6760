#pragma once

#include "firmware/FirmwareLibrary.h"

namespace orten::gui {

class FirmwarePage;

// The facts of a firmware file as the page "Главная" shows them, in the
// group "Сведения о файле прошивки:": name, size, date (in local time, date
// only, as dd.MM.yyyy, as ortenctl prints it), type and the version under
// the connected device's family. Labels of facts the file did not get to
// keep what they showed.
void ShowFirmwareFacts(FirmwarePage& page, const FirmwareFile& file, DeviceMode deviceMode);

}  // namespace orten::gui
