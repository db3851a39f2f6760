#include "widgets/RadioGroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>
#include <algorithm>

namespace orten::gui {

RadioGroup::RadioGroup(const QString& caption, int columns, QWidget* parent)
    : QGroupBox(caption, parent),
      grid_(new QGridLayout(this)),
      group_(new QButtonGroup(this)),
      columns_(std::max(columns, 1)) {
  setAccessibleName(caption.trimmed());
  connect(group_, &QButtonGroup::idClicked, this, &RadioGroup::onButtonClicked);
}

void RadioGroup::setItems(const QStringList& items) {
  clearItems();
  for (const QString& text : items) {
    auto* button = new QRadioButton(text, this);
    button->setAccessibleName(text.trimmed());
    group_->addButton(button, count());
    buttons_.push_back(button);
  }
  arrange();
}

void RadioGroup::clearItems() {
  for (QRadioButton* button : buttons_) {
    group_->removeButton(button);
    grid_->removeWidget(button);
    button->hide();
    // The button may be the sender of the click being handled right now.
    button->deleteLater();
  }
  buttons_.clear();
  index_ = -1;
}

QString RadioGroup::itemText(int index) const {
  const QRadioButton* b = button(index);
  return b ? b->text() : QString();
}

QRadioButton* RadioGroup::button(int index) const {
  return index >= 0 && index < count() ? buttons_[static_cast<std::size_t>(index)] : nullptr;
}

void RadioGroup::setItemIndex(int index) {
  if (index < 0 || index >= count()) {
    // An exclusive group refuses to uncheck its last checked button.
    group_->setExclusive(false);
    for (QRadioButton* b : buttons_) b->setChecked(false);
    group_->setExclusive(true);
    index_ = -1;
    return;
  }
  button(index)->setChecked(true);
  index_ = index;
}

void RadioGroup::onButtonClicked(int id) {
  // A click on the item already selected is no new choice.
  if (id == index_) return;
  index_ = id;
  emit clicked(id);
}

void RadioGroup::arrange() {
  const int perColumn = (count() + columns_ - 1) / columns_;
  for (int i = 0; i < count(); ++i) {
    grid_->addWidget(button(i), i % perColumn, i / perColumn);
  }
}

}  // namespace orten::gui
