#include "widgets/DeviceChoiceDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace orten::gui {

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

QString AccessText(const std::optional<bool>& mayOpen) {
  if (!mayOpen) return QStringLiteral("неизвестно");
  return *mayOpen ? QStringLiteral("есть") : QStringLiteral("нет (нужно правило udev)");
}

QString OrUnknown(const std::string& text) {
  return text.empty() ? QStringLiteral("?") : Q(text);
}

}  // namespace

DeviceChoiceDialog::DeviceChoiceDialog(const DeviceChoice& choice, QWidget* parent)
    : QDialog(parent) {
  setObjectName("DeviceChoiceDialog");
  setWindowTitle(Q(choice.title));
  auto* layout = new QVBoxLayout(this);

  DeviceChoiceText = new QLabel(Q(choice.text), this);
  DeviceChoiceText->setObjectName("DeviceChoiceText");
  DeviceChoiceText->setTextFormat(Qt::PlainText);  // makers' strings are not markup
  DeviceChoiceText->setWordWrap(true);
  layout->addWidget(DeviceChoiceText);

  DeviceChoiceList = new QTreeWidget(this);
  DeviceChoiceList->setObjectName("DeviceChoiceList");
  DeviceChoiceList->setRootIsDecorated(false);
  DeviceChoiceList->setHeaderLabels(
      {"Изготовитель", "Изделие", "VID:PID", "Порт USB", "Доступ у пользователя"});
  for (const DeviceChoiceItem& item : choice.items) {
    DeviceChoiceList->addTopLevelItem(
        new QTreeWidgetItem({OrUnknown(item.manufacturer), OrUnknown(item.product), Q(item.id),
                             Q(item.port), AccessText(item.mayOpen)}));
  }
  DeviceChoiceList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  if (DeviceChoiceList->topLevelItemCount() > 0) {
    DeviceChoiceList->setCurrentItem(DeviceChoiceList->topLevelItem(0));
  }
  layout->addWidget(DeviceChoiceList);

  auto* buttons = new QDialogButtonBox(this);
  DeviceChoiceOkButton = buttons->addButton("Выбрать", QDialogButtonBox::AcceptRole);
  DeviceChoiceOkButton->setObjectName("DeviceChoiceOkButton");
  DeviceChoiceCancelButton = buttons->addButton("Отмена", QDialogButtonBox::RejectRole);
  DeviceChoiceCancelButton->setObjectName("DeviceChoiceCancelButton");
  DeviceChoiceOkButton->setDefault(true);
  layout->addWidget(buttons);

  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(DeviceChoiceList, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
  // Nothing to choose without a row.
  connect(DeviceChoiceList, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current) { DeviceChoiceOkButton->setEnabled(current); });
  DeviceChoiceOkButton->setEnabled(DeviceChoiceList->currentItem());
  resize(640, 300);
}

std::optional<std::size_t> DeviceChoiceDialog::chosenRow() const {
  QTreeWidgetItem* current = DeviceChoiceList->currentItem();
  if (result() != QDialog::Accepted || !current) return std::nullopt;
  return static_cast<std::size_t>(DeviceChoiceList->indexOfTopLevelItem(current));
}

}  // namespace orten::gui
