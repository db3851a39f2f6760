// Every control of the window: its name, caption, hint and accessibility,
// and where it sits relative to the others.
#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QRadioButton>
#include <QSet>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>

#include "tests/gui/WindowFixture.h"
#include "widgets/RadioGroup.h"

using namespace orten::gui;
using namespace orten::gui::test;

namespace {

// The caption a user reads on a control: a label's or a button's text, a
// group's title, a page's tab.
QString CaptionOf(const QWidget* w) {
  if (const auto* label = qobject_cast<const QLabel*>(w)) return label->text();
  if (const auto* button = qobject_cast<const QAbstractButton*>(w)) return button->text();
  if (const auto* group = qobject_cast<const QGroupBox*>(w)) return group->title();
  // A page: the stacked widget inside a tab widget holds it.
  for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
    if (const auto* tabs = qobject_cast<const QTabWidget*>(p)) {
      const int index = tabs->indexOf(const_cast<QWidget*>(w));
      return index >= 0 ? tabs->tabText(index) : QString();
    }
  }
  return {};
}

struct Row {
  const char* name;
  const char* caption;
  const char* hint;
};

// All captioned controls, with texts exactly as the user must see them.
const Row kControls[] = {
    {"UpdateSoftTabSh", "Главная", ""},
    {"RegistBackupTabSh", "Резервная копия", ""},
    {"ReleSettingsTabSh", "Режимы реле и выхода ОК", ""},
    {"Label43", "Вкладка для обновления или смены ПО подключенного радиоустройства", ""},
    {"SoftUpdateGrB", "Сведения о файле прошивки:", ""},
    {"SoftUpdateGrB2", "Сведения о приборе:", ""},
    {"DevOperModeRdG", "Выберите режим работы прибора: ", ""},
    {"SWVersionRdG", "Выберите версию прошивки:", ""},
    {"ExecuteButton", "Выполнить", ""},
    {"NewSoftVerLabel", "Новая версия ПО: ", ""},
    {"SoftFNameLabel", "Имя файла обновления: ", ""},
    {"SoftFTypeLabel", "Тип файла обновления: ", ""},
    {"SoftFDateLabel", "Дата файла обновления: ", ""},
    {"SoftFSizeLabel", "Размер файла обновления(байт): ", ""},
    {"DevTypeLabel", "Тип подключенного прибора: ", ""},
    {"CurrentSoftVerLabel", "Текущая версия ПО: ", ""},
    {"Label125",
     "Вкладка для создания файла, восстановления из файла или удаления файла резервной копии "
     "памяти регистрации",
     ""},
    {"RegistBackupGrB", "Сведения о приборе:", ""},
    {"Dev2TypeLabel", "Тип подключенного прибора: ", ""},
    {"RegistBackupModeGrB", "Действия с резервной копией:", ""},
    {"RegBackupCreateButton", "Создать", ""},
    {"RegBackupRestoreButton", "Восстановить", ""},
    {"RegBackupDeleteButton", "Удалить", ""},
    {"RegistBackupParamsGrB", "Параметры:", ""},
    {"ObjNumLabel", "Номер объекта(системы): ", ""},
    {"ModuleNumLabel", "Адрес прибора в системе:", ""},
    {"RegFNameLabel", "Имя файла резервной копии:", ""},
    {"ConfCodeLabel", "Код конфигурации:", ""},
    {"RPU_RTRRadioGr", "Режим работы в системе:", ""},
    {"Rele1TabSh", "Реле №1", ""},
    {"Rele2TabSh", "Реле №2", ""},
    {"OK1TabSh", "Выход ОК №1", ""},
    {"GroupBox1", "Порт связи", ""},
    {"CheckBox1", "USB-порт", ""},
    {"OperModeGrB", "Режим работы:", ""},
    {"GroupBox39", "Связь", ""},
    {"ConnectButton", "Установить", "Устанавливает связь с прибором"},
    {"DisconnectButton", "Разорвать", "Разрывает связь с прибором"},
    {"GroupBox40", "Прибор", ""},
    {"WriteButton", "Записать в", "Записывает настройки в прибор"},
    {"ReadButton", "Считать из", "Считывает настройки из прибора"},
    {"GroupBox41", "Файл", ""},
    {"SaveButton", "Записать в", "Записывает настройки в файл"},
    {"LoadButton", "Считать из", "Считывает настройки из файла"},
    {"GroupBox42", "Прочее", ""},
    {"DefaultButton", "Завод. настройки", "Выставление заводских настроек"},
    {"Help", "Help  ", "Вызов справки по программе"},
};

// Caption label -> the input or value it captions.
const std::pair<const char*, const char*> kBuddies[] = {
    {"NewSoftVerLabel", "NewSoftVerLabel2"},
    {"SoftFNameLabel", "SoftFNameLabel2"},
    {"SoftFTypeLabel", "SoftFTypeLabel2"},
    {"SoftFDateLabel", "SoftFDateLabel2"},
    {"SoftFSizeLabel", "SoftFSizeLabel2"},
    {"DevTypeLabel", "DevTypeLabel2"},
    {"CurrentSoftVerLabel", "CurrentSoftVerLabel2"},
    {"Dev2TypeLabel", "Dev2TypeLabel2"},
    {"ObjNumLabel", "ObjNumEdit"},
    {"ModuleNumLabel", "ModuleNumCmB"},
    {"RegFNameLabel", "RegFNameLabel2"},
    {"ConfCodeLabel", "ConfCodeLabel2"},
};

// Controls without a caption of their own.
const char* const kUncaptioned[] = {"MainPageC", "ReleOKPageC", "OperModeCmB", "MainStatusB",
                                    "MainProgressB"};

QRect GeometryIn(const QWidget* w, const QWidget* window) {
  return QRect(w->mapTo(window, QPoint(0, 0)), w->size());
}

}  // namespace

class LayoutTest : public QObject {
  Q_OBJECT

 private slots:
  void captions_data();
  void captions();
  void buddies_data();
  void buddies();
  void everyControlHasAnAccessibleName();
  void radioItemsHaveAccessibleNames();
  void regions();
  void rightColumnOrderAndWidth();
  void firstPageArrangement();
};

void LayoutTest::captions_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<QString>("hint");
  for (const Row& r : kControls) {
    QTest::newRow(r.name) << QString(r.name) << QString(r.caption) << QString(r.hint);
  }
}

void LayoutTest::captions() {
  QFETCH(QString, name);
  QFETCH(QString, caption);
  QFETCH(QString, hint);
  WindowFixture f;
  const QWidget* w = f.Widget(name.toLatin1().constData());
  QVERIFY2(w, "control missing");
  QCOMPARE(CaptionOf(w), caption);
  QCOMPARE(w->toolTip(), hint);
}

void LayoutTest::buddies_data() {
  QTest::addColumn<QString>("caption");
  QTest::addColumn<QString>("field");
  for (const auto& [caption, field] : kBuddies) {
    QTest::newRow(caption) << QString(caption) << QString(field);
  }
}

void LayoutTest::buddies() {
  QFETCH(QString, caption);
  QFETCH(QString, field);
  WindowFixture f;
  auto* label = f.Find<QLabel>(caption.toLatin1().constData());
  QVERIFY(label);
  QVERIFY(label->buddy());
  QCOMPARE(label->buddy()->objectName(), field);
  // A screen reader names an input by what the caption says; a value label is
  // named by its value (AppearanceTest), the caption describes it.
  const bool value = field.endsWith("Label2");
  QCOMPARE(value ? label->buddy()->accessibleDescription() : label->buddy()->accessibleName(),
           label->text().trimmed());
}

void LayoutTest::everyControlHasAnAccessibleName() {
  WindowFixture f;
  QStringList names;
  for (const Row& r : kControls) names << r.name;
  for (const auto& pair : kBuddies) {
    // Value labels start empty: their name is the value they will show.
    if (!QString(pair.second).endsWith("Label2")) names << pair.second;
  }
  for (const char* name : kUncaptioned) names << name;
  for (const QString& name : names) {
    const QWidget* w = f.Widget(name.toLatin1().constData());
    QVERIFY2(w, qPrintable(name));
    QVERIFY2(!w->accessibleName().trimmed().isEmpty(), qPrintable(name));
  }
  // Captioned controls are named by their caption.
  for (const Row& r : kControls) {
    QCOMPARE(f.Widget(r.name)->accessibleName(), QString(r.caption).trimmed());
  }
}

void LayoutTest::radioItemsHaveAccessibleNames() {
  WindowFixture f;
  const auto groups = f.form->findChildren<RadioGroup*>();
  QCOMPARE(groups.size(), 6);  // three on the first two pages, one per relay output
  for (const RadioGroup* group : groups) {
    for (int i = 0; i < group->count(); ++i) {
      QCOMPARE(group->button(i)->accessibleName(), group->itemText(i));
    }
  }
}

// Pages on the left from top to bottom, the column on the right, the status
// bar at the bottom with the progress bar at its right end.
void LayoutTest::regions() {
  WindowFixture f;
  QVERIFY(f.Show());
  const QWidget* window = f.form.get();
  const QRect pages = GeometryIn(f.Widget("MainPageC"), window);
  const QRect column = GeometryIn(f.Widget("GroupBox42"), window);
  const QRect status = GeometryIn(f.Widget("MainStatusB"), window);
  const QRect progress = GeometryIn(f.Widget("MainProgressB"), window);

  QVERIFY(pages.right() < column.left());
  QVERIFY(pages.width() > window->width() / 2);
  QVERIFY(pages.top() < 20);
  QVERIFY(pages.bottom() < status.top());
  QVERIFY(status.top() - pages.bottom() < 20);
  QCOMPARE(status.bottom(), window->height() - 1);
  QCOMPARE(status.width(), window->width());
  QVERIFY(progress.left() > status.center().x());
  QVERIFY2(status.right() - progress.right() < 20,
           qPrintable(QString("%1 %2").arg(status.right()).arg(progress.right())));
}

void LayoutTest::rightColumnOrderAndWidth() {
  WindowFixture f;
  QVERIFY(f.Show());
  const char* const order[] = {"GroupBox1",  "OperModeGrB", "GroupBox39",
                               "GroupBox40", "GroupBox41",  "GroupBox42"};
  const QRect first = GeometryIn(f.Widget(order[0]), f.form.get());
  int lastBottom = -1;
  for (const char* name : order) {
    const QRect g = GeometryIn(f.Widget(name), f.form.get());
    QVERIFY2(g.top() > lastBottom, name);
    QCOMPARE(g.left(), first.left());
    QCOMPARE(g.width(), first.width());
    lastBottom = g.bottom();
  }
  // Each pair of buttons stands one above the other inside its group.
  const QRect connect = GeometryIn(f.Widget("ConnectButton"), f.form.get());
  const QRect disconnect = GeometryIn(f.Widget("DisconnectButton"), f.form.get());
  QVERIFY(connect.bottom() < disconnect.top());
  QVERIFY(GeometryIn(f.Widget("GroupBox39"), f.form.get()).contains(disconnect));
}

void LayoutTest::firstPageArrangement() {
  WindowFixture f;
  QVERIFY(f.Show());
  // Show what the page hides at first, to see where it all goes.
  for (const char* name : {"DevOperModeRdG", "SWVersionRdG", "ExecuteButton", "SoftUpdateGrB"}) {
    f.Widget(name)->show();
  }
  QTest::qWait(0);
  const QWidget* page = f.Widget("UpdateSoftTabSh");
  const QRect headline = GeometryIn(f.Widget("Label43"), page);
  const QRect device = GeometryIn(f.Widget("SoftUpdateGrB2"), page);
  const QRect mode = GeometryIn(f.Widget("DevOperModeRdG"), page);
  const QRect versions = GeometryIn(f.Widget("SWVersionRdG"), page);
  const QRect execute = GeometryIn(f.Widget("ExecuteButton"), page);
  const QRect facts = GeometryIn(f.Widget("SoftUpdateGrB"), page);

  QVERIFY(headline.bottom() < device.top());
  QVERIFY(device.width() > page->width() * 9 / 10);
  QVERIFY(device.bottom() < mode.top());
  QVERIFY(mode.right() < versions.left());
  QCOMPARE(mode.top(), versions.top());
  QVERIFY(mode.bottom() < execute.top());
  QVERIFY(execute.right() < facts.left());
  QVERIFY(versions.bottom() < facts.top());
}

QTEST_MAIN(LayoutTest)
#include "LayoutTest.moc"
