#include "pages/LabelFactsView.h"

#include <QLabel>

#include "base/DateStamp.h"
#include "base/Wording.h"
#include "pages/FirmwarePage.h"

namespace orten::gui {

void LabelFactsView::ShowFileName(const std::string& name) {
  page_.SoftFNameLabel2->setText(QString::fromStdString(name));
}

void LabelFactsView::ShowFileSize(std::uintmax_t size) {
  page_.SoftFSizeLabel2->setText(QString::number(static_cast<qulonglong>(size)));
}

void LabelFactsView::ShowFileDate(std::chrono::system_clock::time_point modified) {
  page_.SoftFDateLabel2->setText(QString::fromStdString(FileDateText(modified)));
}

// Not a date of 1881 or of 1970, nor the previous file's.
void LabelFactsView::ShowUnknownFileDate() {
  page_.SoftFDateLabel2->setText(QString::fromUtf8(kUnknownFact));
}

void LabelFactsView::ShowFileType(const std::string& text) {
  page_.SoftFTypeLabel2->setText(QString::fromStdString(text));
}

void LabelFactsView::ShowNewVersion(const std::string& text) {
  page_.NewSoftVerLabel2->setText(QString::fromStdString(text));
}

}  // namespace orten::gui
