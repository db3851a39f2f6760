#include "pages/FirmwareFactsLabels.h"

#include <QLabel>

#include "base/DateStamp.h"
#include "base/Wording.h"
#include "pages/FirmwarePage.h"

namespace orten::gui {

void ShowFirmwareFacts(FirmwarePage& page, const FirmwareFile& file, DeviceMode deviceMode) {
  if (!file.facts) return;
  const FirmwareFile::Facts& facts = *file.facts;
  page.SoftFNameLabel2->setText(QString::fromStdString(facts.name));
  page.SoftFSizeLabel2->setText(QString::number(static_cast<qulonglong>(facts.size)));
  // An unknown date is said so: not a date of 1881 or of 1970, nor the previous file's.
  page.SoftFDateLabel2->setText(facts.modified
                                    ? QString::fromStdString(FileDateText(*facts.modified))
                                    : QString::fromUtf8(kUnknownFact));
  if (!file.version) return;
  if (!file.type.empty()) page.SoftFTypeLabel2->setText(QString::fromStdString(file.type));
  page.NewSoftVerLabel2->setText(QString::fromStdString(VersionText(*file.version, deviceMode)));
}

}  // namespace orten::gui
