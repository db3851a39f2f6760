#include "pages/FirmwarePage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "widgets/FormParts.h"
#include "widgets/RadioGroup.h"

namespace orten::gui {

FirmwarePage::FirmwarePage(QWidget* parent) : QWidget(parent) {
  setObjectName("UpdateSoftTabSh");
  setAccessibleName("Главная");

  Label43 =
      MakeHeadline("Label43", "Вкладка для обновления или смены ПО подключенного радиоустройства");
  buildDeviceGroup();

  DevOperModeRdG = new RadioGroup("Выберите режим работы прибора: ", 1);
  DevOperModeRdG->setObjectName("DevOperModeRdG");
  DevOperModeRdG->setItems(
      {"радиоприемное устройство (РПУ/РТР)", "модуль реле и оповещения (МРО)"});
  DevOperModeRdG->hide();

  // The other family's files, as many as Base holds: a list that scrolls.
  SWVersionRdG = new RadioGroup("Выберите версию прошивки:", RadioGroup::ScrollingList{});
  SWVersionRdG->setObjectName("SWVersionRdG");
  SWVersionRdG->hide();

  ExecuteButton = MakeButton("ExecuteButton", "Выполнить");
  ExecuteButton->hide();

  buildFileGroup();
  SoftUpdateGrB->hide();

  // Mode choice and execute button on the left, firmware choice and the
  // file facts beside them.
  auto* choice = new QGridLayout();
  choice->addWidget(DevOperModeRdG, 0, 0, Qt::AlignTop);
  choice->addWidget(SWVersionRdG, 0, 1, Qt::AlignTop);
  choice->addWidget(ExecuteButton, 1, 0, Qt::AlignLeft | Qt::AlignTop);
  choice->addWidget(SoftUpdateGrB, 1, 1, Qt::AlignTop);
  choice->setColumnStretch(0, 1);
  choice->setColumnStretch(1, 1);

  auto* page = new QVBoxLayout(this);
  page->addWidget(Label43);
  page->addWidget(SoftUpdateGrB2);
  page->addLayout(choice);
  page->addStretch(1);
}

void FirmwarePage::showDevice(const QString& type, const QString& version) {
  CurrentSoftVerLabel2->setText(version);
  DevTypeLabel2->setText(type);
}

void FirmwarePage::clearDeviceFacts() {
  DevTypeLabel2->clear();
  CurrentSoftVerLabel2->clear();
}

void FirmwarePage::clearFileFacts() {
  for (QLabel* label :
       {NewSoftVerLabel2, SoftFNameLabel2, SoftFTypeLabel2, SoftFDateLabel2, SoftFSizeLabel2}) {
    label->clear();
  }
}

void FirmwarePage::showFamilyChoice(bool shown) {
  DevOperModeRdG->setVisible(shown);
  ExecuteButton->setVisible(shown);
}

void FirmwarePage::offerFamilyChoice(int item) {
  DevOperModeRdG->setItemIndex(item);
  DevOperModeRdG->setVisible(true);
  enableFamilyChoice(true);
}

void FirmwarePage::enableFamilyChoice(bool on) {
  ExecuteButton->setEnabled(on);
  DevOperModeRdG->setEnabled(on);
}

int FirmwarePage::chosenFamily() const {
  return DevOperModeRdG->itemIndex();
}

void FirmwarePage::showExecuteButton(bool shown) {
  ExecuteButton->setVisible(shown);
}

void FirmwarePage::setFirmwareFiles(const QStringList& names) {
  SWVersionRdG->setItems(names);
}

void FirmwarePage::clearFirmwareFiles() {
  SWVersionRdG->clearItems();
}

void FirmwarePage::showFirmwareFiles(bool shown) {
  SWVersionRdG->setVisible(shown);
}

void FirmwarePage::showFileFacts(bool shown) {
  SoftUpdateGrB->setVisible(shown);
}

std::optional<QString> FirmwarePage::chosenFirmwareFile() const {
  const int item = SWVersionRdG->itemIndex();
  if (item < 0) return std::nullopt;
  return SWVersionRdG->itemText(item);
}

void FirmwarePage::hideChoices() {
  for (QWidget* w : std::initializer_list<QWidget*>{DevOperModeRdG, SoftUpdateGrB, SWVersionRdG,
                                                    ExecuteButton}) {
    w->setVisible(false);
  }
}

void FirmwarePage::buildDeviceGroup() {
  SoftUpdateGrB2 = MakeGroup("SoftUpdateGrB2", "Сведения о приборе:");
  DevTypeLabel = MakeCaption("DevTypeLabel", "Тип подключенного прибора: ");
  DevTypeLabel2 = MakeValueLabel("DevTypeLabel2");
  CurrentSoftVerLabel = MakeCaption("CurrentSoftVerLabel", "Текущая версия ПО: ");
  CurrentSoftVerLabel2 = MakeValueLabel("CurrentSoftVerLabel2");

  auto* rows = new QGridLayout(SoftUpdateGrB2);
  AddCaptionedRow(rows, 0, DevTypeLabel, DevTypeLabel2);
  AddCaptionedRow(rows, 1, CurrentSoftVerLabel, CurrentSoftVerLabel2);
  rows->setColumnStretch(1, 1);
}

void FirmwarePage::buildFileGroup() {
  SoftUpdateGrB = MakeGroup("SoftUpdateGrB", "Сведения о файле прошивки:");
  NewSoftVerLabel = MakeCaption("NewSoftVerLabel", "Новая версия ПО: ");
  NewSoftVerLabel2 = MakeValueLabel("NewSoftVerLabel2");
  SoftFNameLabel = MakeCaption("SoftFNameLabel", "Имя файла обновления: ");
  SoftFNameLabel2 = MakeValueLabel("SoftFNameLabel2");
  SoftFTypeLabel = MakeCaption("SoftFTypeLabel", "Тип файла обновления: ");
  SoftFTypeLabel2 = MakeValueLabel("SoftFTypeLabel2");
  SoftFDateLabel = MakeCaption("SoftFDateLabel", "Дата файла обновления: ");
  SoftFDateLabel2 = MakeValueLabel("SoftFDateLabel2");
  SoftFSizeLabel = MakeCaption("SoftFSizeLabel", "Размер файла обновления(байт): ");
  SoftFSizeLabel2 = MakeValueLabel("SoftFSizeLabel2");

  // The group shares its row with the family choice: its captions wrap
  // rather than push the window wider than the screen it was sized for.
  for (QLabel* caption :
       {NewSoftVerLabel, SoftFNameLabel, SoftFTypeLabel, SoftFDateLabel, SoftFSizeLabel}) {
    caption->setWordWrap(true);
  }
  auto* rows = new QGridLayout(SoftUpdateGrB);
  AddCaptionedRow(rows, 0, NewSoftVerLabel, NewSoftVerLabel2);
  AddCaptionedRow(rows, 1, SoftFNameLabel, SoftFNameLabel2);
  AddCaptionedRow(rows, 2, SoftFTypeLabel, SoftFTypeLabel2);
  AddCaptionedRow(rows, 3, SoftFDateLabel, SoftFDateLabel2);
  AddCaptionedRow(rows, 4, SoftFSizeLabel, SoftFSizeLabel2);
  rows->setColumnStretch(1, 1);
}

}  // namespace orten::gui
