#include "app/RightColumn.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>

#include "widgets/FormParts.h"

namespace orten::gui {

RightColumn::RightColumn(QWidget* parent) : QWidget(parent) {
  setObjectName("RightColumn");
  buildPortGroup();
  buildModeGroup();

  ConnectButton = MakeButton("ConnectButton", "Установить", "Устанавливает связь с прибором");
  DisconnectButton = MakeButton("DisconnectButton", "Разорвать", "Разрывает связь с прибором");
  GroupBox39 = buttonPair("GroupBox39", "Связь", ConnectButton, DisconnectButton);

  WriteButton = MakeButton("WriteButton", "Записать в", "Записывает настройки в прибор");
  ReadButton = MakeButton("ReadButton", "Считать из", "Считывает настройки из прибора");
  GroupBox40 = buttonPair("GroupBox40", "Прибор", WriteButton, ReadButton);

  SaveButton = MakeButton("SaveButton", "Записать в", "Записывает настройки в файл");
  LoadButton = MakeButton("LoadButton", "Считать из", "Считывает настройки из файла");
  GroupBox41 = buttonPair("GroupBox41", "Файл", SaveButton, LoadButton);

  DefaultButton = MakeButton("DefaultButton", "Завод. настройки", "Выставление заводских настроек");
  Help = MakeButton("Help", "Help  ", "Вызов справки по программе");
  GroupBox42 = buttonPair("GroupBox42", "Прочее", DefaultButton, Help);

  DisconnectButton->setEnabled(false);
  WriteButton->setEnabled(false);
  ReadButton->setEnabled(false);
  SaveButton->setEnabled(false);
  LoadButton->setEnabled(false);
  DefaultButton->setEnabled(false);

  // Some breathing room around the longest caption ("Завод. настройки").
  const int padding = fontMetrics().horizontalAdvance(QStringLiteral("MM"));
  for (QPushButton* b : {ConnectButton, DisconnectButton, WriteButton, ReadButton, SaveButton,
                         LoadButton, DefaultButton, Help}) {
    b->setMinimumWidth(b->sizeHint().width() + padding);
  }

  // Equal widths: the column is as wide as its widest group, and every
  // group stretches to it.
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  for (QGroupBox* g : {GroupBox1, OperModeGrB, GroupBox39, GroupBox40, GroupBox41, GroupBox42}) {
    column->addWidget(g);
  }
  column->addStretch(1);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
}

int RightColumn::operModeItem() const {
  return OperModeCmB->findText(OperModeCmB->currentText(),
                               Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void RightColumn::chooseOperMode(int item) {
  OperModeCmB->setCurrentIndex(item);
}

void RightColumn::enableLinkButtons(bool connected) {
  ConnectButton->setEnabled(!connected);
  DisconnectButton->setEnabled(connected);
}

void RightColumn::enableConnect(bool on) {
  ConnectButton->setEnabled(on);
}

bool RightColumn::linked() const {
  return DisconnectButton->isEnabled();
}

void RightColumn::enableDeviceButtons(bool read, bool write) {
  ReadButton->setEnabled(read);
  WriteButton->setEnabled(write);
}

void RightColumn::enableFileButtons(bool load, bool save) {
  LoadButton->setEnabled(load);
  SaveButton->setEnabled(save);
}

void RightColumn::enableRead(bool on) {
  ReadButton->setEnabled(on);
}

void RightColumn::enableWrite(bool on) {
  WriteButton->setEnabled(on);
}

void RightColumn::enableLoad(bool on) {
  LoadButton->setEnabled(on);
}

void RightColumn::enableSave(bool on) {
  SaveButton->setEnabled(on);
}

void RightColumn::enableFactoryButton(bool on) {
  DefaultButton->setEnabled(on);
}

void RightColumn::disableWorkButtons() {
  for (QPushButton* b : {SaveButton, LoadButton, WriteButton, ReadButton, DefaultButton}) {
    b->setEnabled(false);
  }
}

void RightColumn::buildPortGroup() {
  GroupBox1 = MakeGroup("GroupBox1", "Порт связи");
  CheckBox1 = new QCheckBox("USB-порт");
  CheckBox1->setObjectName("CheckBox1");
  CheckBox1->setAccessibleName("USB-порт");
  CheckBox1->setChecked(true);
  // Red in every state: the group is always disabled, and the box should
  // still read as a marker rather than as greyed-out text.
  QPalette palette = CheckBox1->palette();
  palette.setColor(QPalette::WindowText, Qt::red);
  palette.setColor(QPalette::ButtonText, Qt::red);
  palette.setColor(QPalette::Text, Qt::red);
  CheckBox1->setPalette(palette);
  auto* layout = new QVBoxLayout(GroupBox1);
  layout->addWidget(CheckBox1);
  GroupBox1->setEnabled(false);
}

void RightColumn::buildModeGroup() {
  OperModeGrB = MakeGroup("OperModeGrB", "Режим работы:");
  OperModeCmB = new QComboBox();
  OperModeCmB->setObjectName("OperModeCmB");
  OperModeCmB->setAccessibleName("Режим работы");
  OperModeCmB->setEditable(true);
  // Typed text chooses nothing by itself and must not become an item.
  OperModeCmB->setInsertPolicy(QComboBox::NoInsert);
  OperModeCmB->addItems({"демо", "on-line"});
  OperModeCmB->setCurrentIndex(0);
  auto* layout = new QVBoxLayout(OperModeGrB);
  layout->addWidget(OperModeCmB);
}

QGroupBox* RightColumn::buttonPair(const QString& name, const QString& title, QPushButton* first,
                                   QPushButton* second) {
  QGroupBox* group = MakeGroup(name, title);
  auto* layout = new QVBoxLayout(group);
  layout->addWidget(first);
  layout->addWidget(second);
  return group;
}

}  // namespace orten::gui
