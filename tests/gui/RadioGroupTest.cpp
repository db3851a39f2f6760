#include <QGridLayout>
#include <QListView>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "tests/gui/WindowFixture.h"
#include "widgets/RadioGroup.h"

using orten::gui::RadioGroup;
using orten::gui::test::ClickItem;

namespace {

std::unique_ptr<RadioGroup> Make(bool list, const QString& caption) {
  return list ? std::make_unique<RadioGroup>(caption, RadioGroup::ScrollingList{})
              : std::make_unique<RadioGroup>(caption);
}

// Which items show as chosen: a checked button, a selected row.
QList<bool> Checked(const RadioGroup& group) {
  QList<bool> checked;
  for (int i = 0; i < group.count(); ++i) {
    checked << (group.list() ? group.list()->selectionModel()->isRowSelected(i, {})
                             : group.button(i)->isChecked());
  }
  return checked;
}

QPoint Cell(const RadioGroup& group, int index) {
  auto* grid = qobject_cast<QGridLayout*>(group.layout());
  int row = -1, column = -1, span = 0;
  grid->getItemPosition(grid->indexOf(group.button(index)), &row, &column, &span, &span);
  return {column, row};
}

}  // namespace

class RadioGroupTest : public QObject {
  Q_OBJECT

 private slots:
  void setItemIndex_data();
  void setItemIndex();
  void userClickSignalsNewChoiceOnly_data();
  void userClickSignalsNewChoiceOnly();
  void setItemsReplacesItems();
  void columnsFillTopToBottom_data();
  void columnsFillTopToBottom();
};

void RadioGroupTest::setItemIndex_data() {
  QTest::addColumn<bool>("list");
  QTest::addColumn<int>("before");
  QTest::addColumn<int>("index");
  QTest::addColumn<int>("expected");
  QTest::addColumn<QList<bool>>("checked");
  for (const bool list : {false, true}) {
    const char* form = list ? "list" : "buttons";
    QTest::addRow("%s: select", form) << list << -1 << 1 << 1 << QList<bool>{false, true, false};
    QTest::addRow("%s: move", form) << list << 0 << 2 << 2 << QList<bool>{false, false, true};
    QTest::addRow("%s: clear", form) << list << 1 << -1 << -1 << QList<bool>{false, false, false};
    QTest::addRow("%s: out of range clears", form)
        << list << 2 << 3 << -1 << QList<bool>{false, false, false};
  }
}

void RadioGroupTest::setItemIndex() {
  QFETCH(bool, list);
  QFETCH(int, before);
  QFETCH(int, index);
  QFETCH(int, expected);
  QFETCH(QList<bool>, checked);
  const auto group = Make(list, "Выбор");
  group->setItems({"a", "b", "c"});
  group->setItemIndex(before);
  QSignalSpy clicks(group.get(), &RadioGroup::clicked);

  group->setItemIndex(index);

  QCOMPARE(group->itemIndex(), expected);
  QCOMPARE(Checked(*group), checked);
  QCOMPARE(clicks.count(), 0);  // code never runs the handler
}

void RadioGroupTest::userClickSignalsNewChoiceOnly_data() {
  QTest::addColumn<bool>("list");
  QTest::newRow("buttons") << false;
  QTest::newRow("list") << true;
}

void RadioGroupTest::userClickSignalsNewChoiceOnly() {
  QFETCH(bool, list);
  const auto group = Make(list, "Выбор");
  group->setItems({"a", "b"});
  group->show();
  QVERIFY(QTest::qWaitForWindowExposed(group.get()));
  QSignalSpy clicks(group.get(), &RadioGroup::clicked);

  ClickItem(*group, 1);
  QCOMPARE(clicks.count(), 1);
  QCOMPARE(clicks.at(0).at(0).toInt(), 1);
  QCOMPARE(group->itemIndex(), 1);

  ClickItem(*group, 1);
  QCOMPARE(clicks.count(), 1);
  // Ctrl+click takes a row out of a list's selection; a choice stays made.
  ClickItem(*group, 1, Qt::ControlModifier);
  QCOMPARE(clicks.count(), 1);
  QCOMPARE(Checked(*group), (QList<bool>{false, true}));

  ClickItem(*group, 0);
  QCOMPARE(clicks.count(), 2);
  QCOMPARE(clicks.at(1).at(0).toInt(), 0);
  QCOMPARE(Checked(*group), (QList<bool>{true, false}));

  // After the selection was cleared from code, a click on the old item is new.
  group->setItemIndex(-1);
  ClickItem(*group, 0);
  QCOMPARE(clicks.count(), 3);
}

void RadioGroupTest::setItemsReplacesItems() {
  RadioGroup group("Файлы");
  group.setItems({"RPU_1.bin", "RPU_2.bin"});
  group.setItemIndex(1);
  group.setItems({"MRO_4.bin"});
  QCOMPARE(group.count(), 1);
  QCOMPARE(group.itemText(0), QString("MRO_4.bin"));
  QCOMPARE(group.itemIndex(), -1);
  QVERIFY(!group.button(0)->isChecked());
  QVERIFY(!group.button(1));

  group.clearItems();
  QCOMPARE(group.count(), 0);
  QCOMPARE(group.itemIndex(), -1);
  QCOMPARE(group.itemText(0), QString());
  group.setItemIndex(0);  // nothing to select
  QCOMPARE(group.itemIndex(), -1);
}

void RadioGroupTest::columnsFillTopToBottom_data() {
  QTest::addColumn<int>("columns");
  QTest::addColumn<int>("items");
  QTest::addColumn<QList<QPoint>>("cells");  // (column, row) of each item
  QTest::newRow("one column") << 1 << 3 << QList<QPoint>{{0, 0}, {0, 1}, {0, 2}};
  QTest::newRow("two columns, two items") << 2 << 2 << QList<QPoint>{{0, 0}, {1, 0}};
  QTest::newRow("two columns, three items") << 2 << 3 << QList<QPoint>{{0, 0}, {0, 1}, {1, 0}};
}

void RadioGroupTest::columnsFillTopToBottom() {
  QFETCH(int, columns);
  QFETCH(int, items);
  QFETCH(QList<QPoint>, cells);
  RadioGroup group("Выбор", columns);
  QStringList texts;
  for (int i = 0; i < items; ++i) texts << QString::number(i);
  group.setItems(texts);
  for (int i = 0; i < items; ++i) QCOMPARE(Cell(group, i), cells.at(i));
}

QTEST_MAIN(RadioGroupTest)
#include "RadioGroupTest.moc"
