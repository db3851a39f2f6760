// The relay page's controls: names, captions and arrangement, the factory
// settings at start, tables shown and collected, and the work-mode rules a
// user's choice runs.
#include <QAbstractButton>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>

#include "params/ReleModeRules.h"
#include "tests/gui/RelayTestSupport.h"
#include "widgets/RadioGroup.h"

using namespace orten;
using namespace orten::gui;
using namespace orten::gui::test;

namespace {

QString Name(const char* base, int n) {
  return QString(base) + QString::number(n);
}

QRect In(const QWidget* w, const QWidget* page) {
  return QRect(w->mapTo(page, QPoint(0, 0)), w->size());
}

// Output n's bits cleared from every bitmask entry, its times and mode set
// aside: what a mode click on output n must leave as it was.
ReleTable OthersOf(ReleTable t, int n) {
  for (int e = 0; e < static_cast<int>(kReleParamCount); ++e) {
    if (rele::IsBitmask(e)) t[static_cast<std::size_t>(e)] &= ~rele::OutputBit(n);
  }
  for (int e :
       {rele::ClosingEntry(n), rele::OpeningEntry(n), rele::DurationEntry(n), rele::ModeEntry(n)}) {
    t[static_cast<std::size_t>(e)] = 0;
  }
  return t;
}

// Bindings that differ per output and partition.
ReleTable WithBindings(ReleTable t) {
  for (int k = 0; k < kPartitionCount; ++k) t[static_cast<std::size_t>(k)] = (k * 3 + 1) % 8;
  return t;
}

}  // namespace

class RelayPageTest : public QObject {
  Q_OBJECT

 private slots:
  void controlsOfEachOutput_data();
  void controlsOfEachOutput();
  void arrangementFitsTheWindow();
  void factorySettingsAtStart();
  void zeroTable();
  void shownEntries_data();
  void shownEntries();
  void showThenCollectGivesTheTableBack();
  void anyTableComesBackAsThePageKeepsIt();
  void showSetsOnlyTheEnabledStates();
  void modeRowOnEachOutput_data();
  void modeRowOnEachOutput();
  void soundOnRelayAndOpenCollector();
  void specialAfterAnotherModeFreesAndResets();
};

void RelayPageTest::controlsOfEachOutput_data() {
  QTest::addColumn<int>("n");
  QTest::newRow("relay 1") << 1;
  QTest::newRow("relay 2") << 2;
  QTest::newRow("open-collector output") << 3;
}

void RelayPageTest::controlsOfEachOutput() {
  QFETCH(int, n);
  WindowFixture f;
  auto* mode = f.Find<RadioGroup>(qPrintable(Name("ReleWorkMode", n)));
  QVERIFY(mode);
  QCOMPARE(mode->title(),
           n == 3 ? QString("Режим работы выхода ОК:") : QString("Режим работы реле:"));
  QCOMPARE(mode->count(), 7);
  QCOMPARE(mode->itemText(6), QString("Специальный"));
  const char* groups[3][3] = {{"GroupBox19", "GroupBox21", "GroupBox9"},
                              {"GroupBox3", "GroupBox4", "GroupBox5"},
                              {"GroupBox6", "GroupBox7", "GroupBox8"}};
  const char* titles[] = {"Привязки к разделам:", "Обрабатываемые извещения:", "Дополнительно:"};
  for (int g = 0; g < 3; ++g) {
    auto* box = f.Find<QGroupBox>(groups[n - 1][g]);
    QVERIFY2(box, groups[n - 1][g]);
    QCOMPARE(box->title(), QString(titles[g]));
  }
  const int firstPanel = n == 1 ? 109 : n == 2 ? 1 : 5;
  for (int p = 0; p < 4; ++p) {
    auto* panel = f.Find<QFrame>(qPrintable("Panel" + QString::number(firstPanel + p)));
    QVERIFY(panel);
    for (int r = 1; r <= 4; ++r) {
      const int k = 4 * p + r;
      auto* box = panel->findChild<QCheckBox*>(QString("privrele%1%2").arg(n).arg(k));
      QVERIFY2(box, qPrintable(QString::number(k)));
      QVERIFY(box->text().isEmpty());
      QCOMPARE(box->accessibleName(), "Раздел " + QString::number(k));
    }
  }
  for (const NotificationInfo& info : kNotifications) {
    auto* box = f.Find<QCheckBox>(qPrintable(Name(info.name, n)));
    QVERIFY2(box, info.name);
    QCOMPARE(box->text(), QString(info.caption));
  }
  const std::pair<const char*, const char*> unused[] = {
      {"ErrorPower", "Неисправ. питания (разделы)"},
      {"NoConnect", "Неисправность РК (разделы)"},
      {"BoxDamage", "Вскрытие (разделы)"}};
  for (const auto& [base, caption] : unused) {
    auto* box = f.Find<QCheckBox>(qPrintable(Name(base, n)));
    QVERIFY2(box && !box->isEnabled() && !box->isChecked(), base);
    QCOMPARE(box->text(), QString(caption));
  }
  const std::pair<const char*, const char*> lists[] = {{"TimeRzmk", "Размыкание на время"},
                                                       {"TimeZmk", "Замыкание на время"},
                                                       {"TimePeriod", "Длительность извещения "},
                                                       {"InvRele", "Инверсный режим"},
                                                       {"ReleControl", "Управление реле"}};
  for (const auto& [base, caption] : lists) {
    auto* list = f.Find<QComboBox>(qPrintable(Name(base, n)));
    QVERIFY2(list && !list->isEditable(), base);
    auto* label = qobject_cast<QLabel*>(
        Out(f, n).extraGroup->findChild<QLabel*>(Name((std::string(base) + "Label").c_str(), n)));
    QVERIFY2(label && label->buddy() == list, base);
    QCOMPARE(label->text(), QString(caption));
    QCOMPARE(list->accessibleName(), QString(caption).trimmed());
  }
  QCOMPARE(f.Find<QComboBox>(qPrintable(Name("TimeRzmk", n)))->count(), 256);
  QCOMPARE(f.Find<QComboBox>(qPrintable(Name("TimePeriod", n)))->itemText(108), QString("9 мин"));
  auto* inverse = f.Find<QComboBox>(qPrintable(Name("InvRele", n)));
  QCOMPARE(inverse->count(), 2);
  QCOMPARE(inverse->itemText(0), QString("Нет "));
  QCOMPARE(inverse->itemText(1), QString("Да"));
  auto* control = f.Find<QComboBox>(qPrintable(Name("ReleControl", n)));
  QVERIFY(control->isHidden() && !control->isEnabled());
  QVERIFY(Out(f, n).ReleControlLabel->isHidden());
  QCOMPARE(control->itemText(0), QString("по команде"));
  QCOMPARE(control->itemText(1), QString("по событию"));
  // A screen reader can name every input of the page.
  for (QWidget* w :
       Page(f)->outputPages[static_cast<std::size_t>(n - 1)]->findChildren<QWidget*>()) {
    if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w)) {
      QVERIFY2(!w->accessibleName().trimmed().isEmpty(), qPrintable(w->objectName()));
    }
  }
}

// Bindings and mode above, notifications and times below; partitions
// numbered down the panels, panels left to right; all inside the page of
// an 800 x 600 window.
void RelayPageTest::arrangementFitsTheWindow() {
  WindowFixture f;
  QVERIFY(f.Show());
  OpenRelayPageInDemo(f);
  QCOMPARE(f.form->size(), QSize(800, 600));
  for (int n = 1; n <= 3; ++n) {
    ShowOutputPage(f, n);
    const OutputControls& c = Out(f, n);
    const QWidget* page = Page(f)->outputPages[static_cast<std::size_t>(n - 1)];
    const QRect bindings = In(c.bindingsGroup, page);
    const QRect mode = In(c.ReleWorkMode, page);
    const QRect notes = In(c.notificationsGroup, page);
    const QRect extra = In(c.extraGroup, page);
    QVERIFY(bindings.right() < mode.left() && bindings.bottom() < notes.top());
    QVERIFY(notes.right() < extra.left() && mode.bottom() < extra.top());
    for (const QRect& r : {bindings, mode, notes, extra}) QVERIFY(page->rect().contains(r));
    for (int k = 2; k <= 16; ++k) {
      const QRect prev = In(c.privrele[static_cast<std::size_t>(k - 2)], page);
      const QRect box = In(c.privrele[static_cast<std::size_t>(k - 1)], page);
      QVERIFY2(k % 4 == 1 ? box.left() > prev.right() : box.top() > prev.bottom(),
               qPrintable(QString::number(k)));
    }
    const QRect alarm = In(c.notification(Notification::AlarmEvent), page);
    QCOMPARE(In(c.ErrorPower, page).top(), alarm.top());
    QVERIFY(In(c.ErrorPower, page).left() > alarm.right());
    QVERIFY(In(c.NoConnect, page).top() > In(c.notification(Notification::ErrorFire), page).top());
    QVERIFY(In(c.TimeRzmk, page).top() < In(c.TimeZmk, page).top());
    QVERIFY(In(c.TimeZmk, page).top() < In(c.TimePeriod, page).top());
    QVERIFY(In(c.TimePeriod, page).top() < In(c.InvRele, page).top());
  }
}

void RelayPageTest::factorySettingsAtStart() {
  WindowFixture f;
  QCOMPARE(Collect(f), kFactoryReleSettings);
  QCOMPARE(Out(f, 3).TimeZmk->currentText(), QString("---/1 сек"));
  QCOMPARE(Out(f, 3).TimeRzmk->currentText(), QString("пост./1 сек"));
  QCOMPARE(Out(f, 3).TimePeriod->currentText(), QString("2 мин"));
  for (int n = 1; n <= 3; ++n) {
    const bool free = n != 3;  // relays "Специальный", the open-collector output "Звуковой"
    for (QCheckBox* box : Out(f, n).notifications) QCOMPARE(box->isEnabled(), free);
    QCOMPARE(Out(f, n).TimeZmk->isEnabled(), free);
    QCOMPARE(Out(f, n).InvRele->isEnabled(), free);
    QVERIFY(Out(f, n).TimePeriod->isEnabled());
  }
  QVERIFY(f.ui.events().empty());  // start-up reports nothing
}

void RelayPageTest::zeroTable() {
  WindowFixture f;
  Show(f, ReleTable{});
  for (int n = 1; n <= 3; ++n) {
    const OutputControls& c = Out(f, n);
    for (QCheckBox* box : c.privrele) QVERIFY(!box->isChecked() && box->isEnabled());
    for (QCheckBox* box : c.notifications) QVERIFY(!box->isChecked() && !box->isEnabled());
    QCOMPARE(c.TimeZmk->currentText(), QString(n == 3 ? "---/1 сек" : "---"));
    QCOMPARE(c.TimeRzmk->currentText(), QString("---"));
    QCOMPARE(c.TimePeriod->currentText(), QString("---"));
    QCOMPARE(c.InvRele->currentText(), QString("Нет "));
    QCOMPARE(c.ReleWorkMode->itemIndex(), -1);
    QVERIFY(!c.TimeZmk->isEnabled() && !c.TimeRzmk->isEnabled() && !c.InvRele->isEnabled());
    QCOMPARE(c.TimePeriod->isEnabled(), n == 3);
  }
  QCOMPARE(Collect(f), ReleTable{});
}

void RelayPageTest::shownEntries_data() {
  QTest::addColumn<QList<int>>("entries");  // entry, value, entry, value, ...
  QTest::addColumn<QStringList>("checked");
  QTest::addColumn<QStringList>("texts");  // control=text
  QTest::newRow("partition 1 to relay 1 and OK")
      << QList<int>{0, 5} << QStringList{"privrele11", "privrele31"} << QStringList{};
  QTest::newRow("inverse on OK only")
      << QList<int>{32, 4} << QStringList{}
      << QStringList{"InvRele1=Нет ", "InvRele2=Нет ", "InvRele3=Да"};
  QTest::newRow("extreme codes, output 1")
      << QList<int>{33, 255, 34, 1, 35, 254} << QStringList{}
      << QStringList{"TimeZmk1=пост.", "TimeRzmk1=0.5 сек", "TimePeriod1=21 м 10 с"};
  QTest::newRow("extreme codes, output 3")
      << QList<int>{39, 255, 40, 1, 41, 254} << QStringList{}
      << QStringList{"TimeZmk3=пост.", "TimeRzmk3=0.5 сек", "TimePeriod3=21 м 10 с"};
  QTest::newRow("OK specials") << QList<int>{39, 0, 40, 255} << QStringList{}
                               << QStringList{"TimeZmk3=---/1 сек", "TimeRzmk3=пост./1 сек"};
  QTest::newRow("nine minutes") << QList<int>{35, 108} << QStringList{}
                                << QStringList{"TimePeriod1=9 мин"};
  QTest::newRow("notifications by bit")
      << QList<int>{16, 1, 21, 6, 28, 0xF8 | 4}
      << QStringList{"SelfDamage1", "AlarmEvent2", "AlarmEvent3", "NoLine3"} << QStringList{};
}

void RelayPageTest::shownEntries() {
  QFETCH(QList<int>, entries);
  QFETCH(QStringList, checked);
  QFETCH(QStringList, texts);
  WindowFixture f;
  ReleTable t{};
  for (qsizetype i = 0; i + 1 < entries.size(); i += 2) {
    t[static_cast<std::size_t>(entries[i])] = entries[i + 1];
  }
  Show(f, t);
  for (QCheckBox* box : f.form->findChildren<QCheckBox*>()) {
    if (box->objectName() == "CheckBox1") continue;  // "USB-порт", not of this page
    QVERIFY2(box->isChecked() == checked.contains(box->objectName()),
             qPrintable(box->objectName()));
  }
  for (const QString& pair : texts) {
    const QString name = pair.section('=', 0, 0);
    QCOMPARE(f.Find<QComboBox>(qPrintable(name))->currentText(), pair.section('=', 1));
  }
}

void RelayPageTest::showThenCollectGivesTheTableBack() {
  WindowFixture f;
  std::mt19937 rng(20261208);
  for (int i = 0; i < 200; ++i) {
    const ReleTable t = RandomValidTable(rng);
    Show(f, t);
    QCOMPARE(Collect(f), t);
  }
}

// Bits that name no output, reserved entries, codes outside their ranges:
// the page keeps what NormalizeReleSettings says, and nothing else.
void RelayPageTest::anyTableComesBackAsThePageKeepsIt() {
  WindowFixture f;
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> any(-300, 300);
  for (int i = 0; i < 100; ++i) {
    ReleTable t{};
    for (auto& v : t) v = any(rng);
    Show(f, t);
    const ReleTable back = Collect(f);
    QCOMPARE(back, NormalizeReleSettings(t));
    for (int e : rele::kReserved) QCOMPARE(back[static_cast<std::size_t>(e)], 0);
  }
}

// Showing never runs the rules: a stored "Тревога" with other times keeps
// them, locked; only "Специальный" frees the output.
void RelayPageTest::showSetsOnlyTheEnabledStates() {
  WindowFixture f;
  for (int code : {0, 1, 4, 5, 7, 9}) {
    ReleTable t = kFactoryReleSettings;
    t[static_cast<std::size_t>(rele::ModeEntry(1))] = code;
    t[static_cast<std::size_t>(rele::ClosingEntry(1))] = 77;
    Show(f, t);
    const OutputControls& c = Out(f, 1);
    const bool free = code >= 7;
    QCOMPARE(c.TimeZmk->currentIndex(), 77);
    QCOMPARE(c.ReleWorkMode->itemIndex(), ModeItemOfCode(code));
    for (QWidget* w : std::initializer_list<QWidget*>{c.TimeZmk, c.TimeRzmk, c.TimePeriod,
                                                      c.InvRele, c.notifications[0]}) {
      QVERIFY2(w->isEnabled() == free, qPrintable(QString::number(code) + w->objectName()));
    }
    for (QCheckBox* box : c.privrele) QVERIFY(box->isEnabled());
  }
}

void RelayPageTest::modeRowOnEachOutput_data() {
  QTest::addColumn<int>("n");
  QTest::addColumn<int>("item");
  for (int n = 1; n <= 3; ++n) {
    for (int item = 0; item < 7; ++item) {
      QTest::addRow("%s on %d", kWorkModeNames[static_cast<std::size_t>(item)], n) << n << item;
    }
  }
}

void RelayPageTest::modeRowOnEachOutput() {
  QFETCH(int, n);
  QFETCH(int, item);
  WindowFixture f;
  QVERIFY(f.Show());
  OpenRelayPageInDemo(f);
  ShowOutputPage(f, n);
  // No mode selected yet, so any item is a new choice.
  ReleTable start = WithBindings(kFactoryReleSettings);
  start[static_cast<std::size_t>(rele::ModeEntry(n))] = 0;
  start[static_cast<std::size_t>(rele::kInvRele)] = 7;
  Show(f, start);
  f.ui.Clear();
  f.Pick(qPrintable(Name("ReleWorkMode", n)), item);

  const OutputControls& c = Out(f, n);
  const ModeRule rule = ModeRuleFor(item, n);
  const std::pair<QComboBox*, ComboRule> lists[] = {{c.TimeRzmk, rule.opening},
                                                    {c.TimeZmk, rule.closing},
                                                    {c.TimePeriod, rule.duration},
                                                    {c.InvRele, rule.inverse}};
  for (const auto& [list, expected] : lists) {
    QCOMPARE(list->currentIndex(), expected.code);
    QCOMPARE(list->isEnabled(), expected.enabled);
  }
  for (int i = 0; i < kNotificationCount; ++i) {
    QCheckBox* box = c.notifications[static_cast<std::size_t>(i)];
    QVERIFY2(box->isChecked() == ((rule.checked >> i & 1) != 0), qPrintable(box->objectName()));
    QCOMPARE(box->isEnabled(), item == 6);
  }
  const ReleTable after = Collect(f);
  QCOMPARE(after[static_cast<std::size_t>(rele::ModeEntry(n))], item + 1);
  for (int k = 0; k < kPartitionCount; ++k) {  // bindings kept and editable
    QCOMPARE(after[static_cast<std::size_t>(k)], start[static_cast<std::size_t>(k)]);
    QVERIFY(c.privrele[static_cast<std::size_t>(k)]->isEnabled());
  }
  QCOMPARE(OthersOf(after, n), OthersOf(start, n));
  for (QCheckBox* box : {c.ErrorPower, c.NoConnect, c.BoxDamage}) {
    QVERIFY(!box->isEnabled() && !box->isChecked());
  }
  QVERIFY(c.ReleControl->isHidden() && !c.ReleControl->isEnabled());
  QVERIFY(!Page(f)->ReleModeClickActive());
  QVERIFY(f.ui.events().empty());
}

void RelayPageTest::soundOnRelayAndOpenCollector() {
  WindowFixture f;
  QVERIFY(f.Show());
  OpenRelayPageInDemo(f);
  ReleTable start = kFactoryReleSettings;
  start[static_cast<std::size_t>(rele::ModeEntry(1))] = 5;
  start[static_cast<std::size_t>(rele::ModeEntry(3))] = 7;
  Show(f, start);
  f.Pick("ReleWorkMode1", kSoundModeItem);
  ShowOutputPage(f, 3);
  f.Pick("ReleWorkMode3", kSoundModeItem);
  const std::pair<const char*, const char*> shown[] = {
      {"TimeRzmk1", "пост."},       {"TimeZmk1", "---"},
      {"TimePeriod1", "---"},       {"InvRele1", "Да"},
      {"TimeRzmk3", "пост./1 сек"}, {"TimeZmk3", "---/1 сек"},
      {"TimePeriod3", "2 мин"},     {"InvRele3", "Да"}};
  for (const auto& [name, text] : shown) {
    QCOMPARE(f.Find<QComboBox>(name)->currentText(), QString(text));
  }
  QVERIFY(!f.Enabled("TimePeriod1"));
  QVERIFY(f.Enabled("TimePeriod3"));
  QVERIFY(f.Find<QCheckBox>("AlarmEvent1")->isChecked() &&
          f.Find<QCheckBox>("AlarmEvent3")->isChecked());
}

// "Специальный" after any other mode: times back to "---", inverse "Нет ",
// only OnOffLine checked, everything free; bindings as they were.
void RelayPageTest::specialAfterAnotherModeFreesAndResets() {
  WindowFixture f;
  QVERIFY(f.Show());
  OpenRelayPageInDemo(f);
  ShowOutputPage(f, 3);
  ReleTable start = WithBindings(kFactoryReleSettings);
  Show(f, start);
  f.Pick("ReleWorkMode3", 1);  // "Контрольная лампа"
  f.Pick("ReleWorkMode3", kSpecialModeItem);
  const OutputControls& c = Out(f, 3);
  QCOMPARE(c.TimeZmk->currentText(), QString("---/1 сек"));
  QCOMPARE(c.TimeRzmk->currentIndex(), 0);
  QCOMPARE(c.TimePeriod->currentIndex(), 0);
  QCOMPARE(c.InvRele->currentText(), QString("Нет "));
  for (int i = 0; i < kNotificationCount; ++i) {
    QCheckBox* box = c.notifications[static_cast<std::size_t>(i)];
    QCOMPARE(box->isChecked(), i == static_cast<int>(Notification::OnOffLine));
    QVERIFY(box->isEnabled());
  }
  for (QWidget* w :
       std::initializer_list<QWidget*>{c.TimeZmk, c.TimeRzmk, c.TimePeriod, c.InvRele}) {
    QVERIFY(w->isEnabled());
  }
  const ReleTable after = Collect(f);
  for (std::size_t k = 0; k < 16; ++k) QCOMPARE(after[k], start[k]);
}

QTEST_MAIN(RelayPageTest)
#include "RelayPageTest.moc"
