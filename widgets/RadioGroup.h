#pragma once

#include <QGroupBox>
#include <QStringList>
#include <vector>

class QButtonGroup;
class QGridLayout;
class QRadioButton;

namespace orten::gui {

// A captioned group of radio buttons laid out in columns (filled top to
// bottom, then left to right). The selection is an item index, -1 for none.
// clicked() fires only when the user picks another item; setting the index
// from code never does, so handlers run only where the code calls them.
class RadioGroup : public QGroupBox {
  Q_OBJECT

 public:
  explicit RadioGroup(const QString& caption, int columns = 1, QWidget* parent = nullptr);

  void setItems(const QStringList& items);
  void clearItems();
  int count() const { return static_cast<int>(buttons_.size()); }
  QString itemText(int index) const;
  QRadioButton* button(int index) const;

  int itemIndex() const { return index_; }
  // -1 (or any index out of range) clears the selection.
  void setItemIndex(int index);

 signals:
  void clicked(int index);

 private:
  void onButtonClicked(int id);
  void arrange();

  QGridLayout* grid_;
  QButtonGroup* group_;
  std::vector<QRadioButton*> buttons_;
  int columns_;
  int index_ = -1;
};

}  // namespace orten::gui
