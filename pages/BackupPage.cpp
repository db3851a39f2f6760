#include "pages/BackupPage.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "widgets/FormParts.h"
#include "widgets/RadioGroup.h"

namespace orten::gui {

BackupPage::BackupPage(QWidget* parent) : QWidget(parent) {
  setObjectName("RegistBackupTabSh");
  setAccessibleName("Резервная копия");

  Label125 = MakeHeadline("Label125",
                          "Вкладка для создания файла, восстановления из файла или удаления файла "
                          "резервной копии памяти регистрации");
  buildDeviceGroup();
  buildActionsGroup();
  buildParamsGroup();

  ModuleNumCmB->installEventFilter(this);
  if (ModuleNumCmB->lineEdit()) ModuleNumCmB->lineEdit()->installEventFilter(this);

  auto* page = new QVBoxLayout(this);
  page->addWidget(Label125);
  page->addWidget(RegistBackupGrB);
  page->addWidget(RegistBackupModeGrB);
  page->addWidget(RegistBackupParamsGrB);
  page->addStretch(1);
}

bool BackupPage::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    const auto reason = static_cast<QFocusEvent*>(event)->reason();
    // The edit inside the box and the box itself both lose the focus: one
    // report, and none while the focus only moves within the box.
    QWidget* now = QApplication::focusWidget();
    const bool stillInside = now && (now == ModuleNumCmB || ModuleNumCmB->isAncestorOf(now));
    // Switching to another window, or closing this one, is no leaving of the box.
    const bool windowChange =
        reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
    if (!windowChange && !stillInside && watched == ModuleNumCmB) emit moduleNumberLeft();
  }
  return QWidget::eventFilter(watched, event);
}

void BackupPage::enableCreateAndRestore(bool on) {
  RegBackupCreateButton->setEnabled(on);
  RegBackupRestoreButton->setEnabled(on);
}

void BackupPage::enableNumbers(bool on) {
  ObjNumEdit->setEnabled(on);
  ModuleNumCmB->setEnabled(on);
}

void BackupPage::enableFields(bool on) {
  enableNumbers(on);
  RPU_RTRRadioGr->setEnabled(on);
}

void BackupPage::showDeviceType(const QString& type) {
  Dev2TypeLabel2->setText(type);
}

void BackupPage::clearDeviceType() {
  Dev2TypeLabel2->clear();
}

void BackupPage::clearNumbers() {
  ObjNumEdit->clear();
  ModuleNumCmB->clear();
  ModuleNumCmB->clearEditText();
}

void BackupPage::clearFileFields() {
  RegFNameLabel2->clear();
  ConfCodeLabel2->clear();
  clearNumbers();
}

void BackupPage::clearBackup() {
  RegFNameLabel2->clear();
  ConfCodeLabel2->clear();
  clearSystemMode();
  clearNumbers();
}

SystemMode BackupPage::systemMode() const {
  const int item = RPU_RTRRadioGr->itemIndex();
  return item == 0 ? SystemMode::Rpu : item == 1 ? SystemMode::Rtr : SystemMode::None;
}

void BackupPage::clearSystemMode() {
  RPU_RTRRadioGr->setItemIndex(-1);
}

void BackupPage::fillModuleNumbers(SystemMode mode) {
  ModuleNumCmB->clear();
  ModuleNumCmB->clearEditText();
  ObjNumEdit->clear();
  for (const std::string& n : ModuleNumbers(mode)) ModuleNumCmB->addItem(QString::fromStdString(n));
  ModuleNumCmB->setCurrentIndex(-1);
  ModuleNumCmB->clearEditText();
}

void BackupPage::showFileName(const QString& name) {
  RegFNameLabel2->setText(name);
}

void BackupPage::showConfigurationCode(int code) {
  ConfCodeLabel2->setText(QString::number(code));
}

QString BackupPage::configurationCodeText() const {
  return ConfCodeLabel2->text();
}

void BackupPage::showBackup(const QString& fileName, int configurationCode,
                            const BackupNameFacts& facts) {
  showFileName(fileName);
  showConfigurationCode(configurationCode);
  if (facts.mode != SystemMode::None) {
    RPU_RTRRadioGr->setItemIndex(static_cast<int>(facts.mode));
    fillModuleNumbers(systemMode());
  }
  ModuleNumCmB->setEditText(QString::fromStdString(facts.module.value_or("")));
  ObjNumEdit->setText(QString::fromStdString(facts.object.value_or("")));
}

QString BackupPage::moduleNumber() const {
  return ModuleNumCmB->currentText();
}

QString BackupPage::objectNumber() const {
  return ObjNumEdit->text();
}

void BackupPage::focusModuleNumber() {
  ModuleNumCmB->setFocus();
}

void BackupPage::buildDeviceGroup() {
  RegistBackupGrB = MakeGroup("RegistBackupGrB", "Сведения о приборе:");
  Dev2TypeLabel = MakeCaption("Dev2TypeLabel", "Тип подключенного прибора: ");
  Dev2TypeLabel2 = MakeValueLabel("Dev2TypeLabel2");
  auto* rows = new QGridLayout(RegistBackupGrB);
  AddCaptionedRow(rows, 0, Dev2TypeLabel, Dev2TypeLabel2);
  rows->setColumnStretch(1, 1);
}

void BackupPage::buildActionsGroup() {
  RegistBackupModeGrB = MakeGroup("RegistBackupModeGrB", "Действия с резервной копией:");
  RegBackupCreateButton = MakeButton("RegBackupCreateButton", "Создать");
  RegBackupRestoreButton = MakeButton("RegBackupRestoreButton", "Восстановить");
  RegBackupDeleteButton = MakeButton("RegBackupDeleteButton", "Удалить");
  RegBackupCreateButton->setEnabled(false);
  RegBackupRestoreButton->setEnabled(false);

  auto* row = new QHBoxLayout(RegistBackupModeGrB);
  row->addWidget(RegBackupCreateButton);
  row->addWidget(RegBackupRestoreButton);
  row->addWidget(RegBackupDeleteButton);
  row->addStretch(1);
}

void BackupPage::buildParamsGroup() {
  RegistBackupParamsGrB = MakeGroup("RegistBackupParamsGrB", "Параметры:");

  ObjNumLabel = MakeCaption("ObjNumLabel", "Номер объекта(системы): ");
  ObjNumEdit = new QLineEdit();
  ObjNumEdit->setObjectName("ObjNumEdit");
  ObjNumEdit->setEnabled(false);

  ModuleNumLabel = MakeCaption("ModuleNumLabel", "Адрес прибора в системе:");
  ModuleNumCmB = new QComboBox();
  ModuleNumCmB->setObjectName("ModuleNumCmB");
  ModuleNumCmB->setEditable(true);
  // The list is filled by code; typed text is a value, not a new item.
  ModuleNumCmB->setInsertPolicy(QComboBox::NoInsert);
  ModuleNumCmB->setMaxVisibleItems(10);
  ModuleNumCmB->setEnabled(false);

  RegFNameLabel = MakeCaption("RegFNameLabel", "Имя файла резервной копии:");
  RegFNameLabel2 = MakeValueLabel("RegFNameLabel2");
  ConfCodeLabel = MakeCaption("ConfCodeLabel", "Код конфигурации:");
  ConfCodeLabel2 = MakeValueLabel("ConfCodeLabel2");

  RPU_RTRRadioGr = new RadioGroup("Режим работы в системе:", 2);
  RPU_RTRRadioGr->setObjectName("RPU_RTRRadioGr");
  RPU_RTRRadioGr->setItems({"РПУ", "РТР"});
  RPU_RTRRadioGr->setEnabled(false);

  auto* rows = new QGridLayout(RegistBackupParamsGrB);
  AddCaptionedRow(rows, 0, ObjNumLabel, ObjNumEdit);
  AddCaptionedRow(rows, 1, ModuleNumLabel, ModuleNumCmB);
  // The system mode stands beside the object number and the address; below
  // it the file name may use the whole width before it is cut.
  rows->addWidget(RPU_RTRRadioGr, 0, 2, 2, 1);
  rows->addWidget(RegFNameLabel, 2, 0);
  rows->addWidget(RegFNameLabel2, 2, 1, 1, 2);
  Caption(RegFNameLabel, RegFNameLabel2);
  AddCaptionedRow(rows, 3, ConfCodeLabel, ConfCodeLabel2);
  rows->setColumnStretch(1, 1);
  rows->setColumnStretch(2, 1);
}

}  // namespace orten::gui
