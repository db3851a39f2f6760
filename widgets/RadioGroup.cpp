#include "widgets/RadioGroup.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGridLayout>
#include <QHelpEvent>
#include <QListView>
#include <QRadioButton>
#include <QStringListModel>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>

namespace orten::gui {

namespace {

// The list form shows this many rows at most and scrolls the rest.
constexpr int kListRows = 8;

QStyle* StyleOf(const QStyleOptionViewItem& item) {
  return item.widget ? item.widget->style() : QApplication::style();
}

// The row as a radio button, on for the selected row. A text wider than the
// row loses its middle, where a file name varies least.
QStyleOptionButton RadioOption(const QStyleOptionViewItem& item, const QString& text) {
  QStyleOptionButton radio;
  radio.rect = item.rect;
  radio.fontMetrics = item.fontMetrics;
  radio.palette = item.palette;
  radio.direction = item.direction;
  radio.state = item.state & (QStyle::State_Enabled | QStyle::State_HasFocus |
                              QStyle::State_MouseOver | QStyle::State_Active);
  radio.state |= item.state & QStyle::State_Selected ? QStyle::State_On : QStyle::State_Off;
  const int width =
      StyleOf(item)->subElementRect(QStyle::SE_RadioButtonContents, &radio, item.widget).width();
  // Names are shown as they are: an ampersand is no shortcut.
  radio.text = item.fontMetrics.elidedText(text, Qt::ElideMiddle, width).replace('&', "&&");
  return radio;
}

// Draws the list form's rows as radio buttons, so it reads like the other.
class RadioItemDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    const QStyleOptionButton radio = RadioOption(option, index.data().toString());
    StyleOf(option)->drawControl(QStyle::CE_RadioButton, &radio, painter, option.widget);
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionButton radio = RadioOption(option, {});
    const QSize text = option.fontMetrics.size(Qt::TextSingleLine, index.data().toString());
    return StyleOf(option)->sizeFromContents(QStyle::CT_RadioButton, &radio, text, option.widget);
  }

  // A name cut short is shown whole in its tooltip.
  bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                 const QModelIndex& index) override {
    if (event->type() != QEvent::ToolTip) return false;
    const QString text = index.data().toString();
    const bool cut = RadioOption(option, text).text != QString(text).replace('&', "&&");
    QToolTip::showText(event->globalPos(), cut ? text : QString(), view);
    return true;
  }
};

}  // namespace

RadioGroup::RadioGroup(const QString& caption, int columns, QWidget* parent)
    : QGroupBox(caption, parent),
      grid_(new QGridLayout(this)),
      group_(new QButtonGroup(this)),
      columns_(std::max(columns, 1)) {
  setAccessibleName(caption.trimmed());
  connect(group_, &QButtonGroup::idClicked, this, &RadioGroup::onButtonClicked);
}

RadioGroup::RadioGroup(const QString& caption, ScrollingList, QWidget* parent)
    : QGroupBox(caption, parent), list_(new QListView(this)), model_(new QStringListModel(this)) {
  setAccessibleName(caption.trimmed());
  list_->setAccessibleName(caption.trimmed());
  list_->setModel(model_);
  list_->setItemDelegate(new RadioItemDelegate(list_));
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setUniformItemSizes(true);
  // The group's frame is the list's: the rows sit in it like buttons.
  list_->setFrameShape(QFrame::NoFrame);
  list_->viewport()->setAutoFillBackground(false);
  connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &RadioGroup::onListSelectionChanged);
  auto* column = new QVBoxLayout(this);
  column->addWidget(list_);
  fitListHeight();
}

void RadioGroup::setItems(const QStringList& items) {
  if (list_) {
    index_ = -1;
    model_->setStringList(items);  // the model's reset drops the selection
    fitListHeight();
    return;
  }
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
  if (list_) {
    setItems({});
    return;
  }
  index_ = -1;
  for (QRadioButton* button : buttons_) {
    group_->removeButton(button);
    grid_->removeWidget(button);
    button->hide();
    // The button may be the sender of the click being handled right now.
    button->deleteLater();
  }
  buttons_.clear();
}

int RadioGroup::count() const {
  return list_ ? model_->rowCount() : static_cast<int>(buttons_.size());
}

QString RadioGroup::itemText(int index) const {
  if (list_) return model_->index(index).data().toString();
  const QRadioButton* b = button(index);
  return b ? b->text() : QString();
}

QRadioButton* RadioGroup::button(int index) const {
  return index >= 0 && index < static_cast<int>(buttons_.size())
             ? buttons_[static_cast<std::size_t>(index)]
             : nullptr;
}

void RadioGroup::setItemIndex(int index) {
  const bool valid = index >= 0 && index < count();
  // Before the list's selection changes: its signal then sees no new choice.
  index_ = valid ? index : -1;
  if (list_) {
    if (valid) {
      list_->selectionModel()->setCurrentIndex(model_->index(index),
                                               QItemSelectionModel::ClearAndSelect);
    } else {
      list_->selectionModel()->clear();
    }
    return;
  }
  if (!valid) {
    // An exclusive group refuses to uncheck its last checked button.
    group_->setExclusive(false);
    for (QRadioButton* b : buttons_) b->setChecked(false);
    group_->setExclusive(true);
    return;
  }
  button(index)->setChecked(true);
}

void RadioGroup::onButtonClicked(int id) {
  // A click on the item already selected is no new choice.
  if (id == index_) return;
  index_ = id;
  emit clicked(id);
}

void RadioGroup::onListSelectionChanged() {
  const QModelIndexList selected = list_->selectionModel()->selectedIndexes();
  if (selected.isEmpty()) {
    // Ctrl+click deselects in a list; a single choice, once made, stays made.
    setItemIndex(index_);
    return;
  }
  const int row = selected.constFirst().row();
  if (row == index_) return;
  index_ = row;
  emit clicked(row);
}

void RadioGroup::arrange() {
  const int perColumn = (count() + columns_ - 1) / columns_;
  for (int i = 0; i < count(); ++i) {
    grid_->addWidget(button(i), i % perColumn, i / perColumn);
  }
}

// As tall as the items, up to kListRows; the rest scrolls.
void RadioGroup::fitListHeight() {
  QStyleOptionButton radio;
  radio.initFrom(list_);
  const int row = style()
                      ->sizeFromContents(QStyle::CT_RadioButton, &radio,
                                         list_->fontMetrics().size(Qt::TextSingleLine, "X"), list_)
                      .height();
  const int rows = std::clamp(count(), 1, kListRows);
  list_->setFixedHeight(rows * row + 2 * list_->frameWidth());
}

}  // namespace orten::gui
