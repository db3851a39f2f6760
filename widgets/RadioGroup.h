#pragma once

#include <QGroupBox>
#include <QStringList>
#include <vector>

class QButtonGroup;
class QGridLayout;
class QListView;
class QRadioButton;
class QStringListModel;

namespace orten::gui {

// A captioned group of single-choice items. The selection is an item index,
// -1 for none. clicked() fires only when the user picks another item; setting
// the index from code never does, so handlers run only where the code calls
// them.
//
// Two forms: radio buttons laid out in columns (filled top to bottom, then
// left to right), for the few fixed choices; or one column in a list that
// scrolls, for items without a bound on their count (a folder's files): a
// widget per item would make the window as tall as the list and cost memory
// and time in proportion.
class RadioGroup : public QGroupBox {
  Q_OBJECT

 public:
  struct ScrollingList {};

  explicit RadioGroup(const QString& caption, int columns = 1, QWidget* parent = nullptr);
  RadioGroup(const QString& caption, ScrollingList, QWidget* parent = nullptr);

  void setItems(const QStringList& items);
  void clearItems();
  int count() const;
  QString itemText(int index) const;
  // The item's radio button; null in the list form and out of range.
  QRadioButton* button(int index) const;
  // The list of the list form, null for buttons.
  QListView* list() const { return list_; }

  int itemIndex() const { return index_; }
  // -1 (or any index out of range) clears the selection.
  void setItemIndex(int index);

 signals:
  void clicked(int index);

 private:
  void onButtonClicked(int id);
  void onListSelectionChanged();
  void arrange();
  void fitListHeight();

  QGridLayout* grid_ = nullptr;
  QButtonGroup* group_ = nullptr;
  std::vector<QRadioButton*> buttons_;
  int columns_ = 1;
  QListView* list_ = nullptr;
  QStringListModel* model_ = nullptr;
  int index_ = -1;
};

}  // namespace orten::gui
