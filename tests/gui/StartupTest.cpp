// The window as it stands right after start-up, before the user does anything.
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "pages/RelayPage.h"
#include "tests/gui/WindowFixture.h"
#include "widgets/GuardedTabWidget.h"
#include "widgets/RadioGroup.h"

using namespace orten::gui;
using namespace orten::gui::test;

class StartupTest : public QObject {
  Q_OBJECT

 private slots:
  void window();
  void controlStates_data();
  void controlStates();
  void onlyTheFirstTabIsShown();
  void operatingModeIsOnline();
  void valuesAreEmpty();
  void radioGroupsStartUnselected();
  void statusBarIsEmpty();
  void stateFields();
  void dataStoresAreNotWidgets();
  void programStartsWhateverTheDeviceSettings_data();
  void programStartsWhateverTheDeviceSettings();
};

void StartupTest::window() {
  WindowFixture f;
  QVERIFY(f.Show());
  QCOMPARE(f.form->objectName(), QString("MainForm"));
  QCOMPARE(f.form->windowTitle(), QString("Программа настройки РПУ Ортен-ДЕЗ"));
  QCOMPARE(f.form->size(), QSize(800, 600));
}

// The "idle, on-line" state: which controls are usable and which are shown.
void StartupTest::controlStates_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<bool>("enabled");
  QTest::addColumn<bool>("shown");
  const auto row = [](const char* name, bool enabled, bool shown) {
    QTest::newRow(name) << QString(name) << enabled << shown;
  };
  row("ConnectButton", true, true);
  row("DisconnectButton", false, true);
  row("DevOperModeRdG", true, false);
  row("ExecuteButton", true, false);
  row("SWVersionRdG", true, false);
  row("SoftUpdateGrB", true, false);
  row("SoftUpdateGrB2", true, true);
  row("Label43", true, true);
  row("WriteButton", false, true);
  row("ReadButton", false, true);
  row("SaveButton", false, true);
  row("LoadButton", false, true);
  row("DefaultButton", false, true);
  row("Help", true, true);
  row("GroupBox1", false, true);
  row("CheckBox1", false, true);
  row("OperModeCmB", true, true);
  row("MainProgressB", true, true);
}

void StartupTest::controlStates() {
  QFETCH(QString, name);
  QFETCH(bool, enabled);
  QFETCH(bool, shown);
  WindowFixture f;
  QVERIFY(f.Show());
  QWidget* w = f.Widget(name.toLatin1().constData());
  QVERIFY2(w, "control missing");
  QCOMPARE(w->isEnabled(), enabled);
  QCOMPARE(w->isVisible(), shown);
}

void StartupTest::onlyTheFirstTabIsShown() {
  WindowFixture f;
  QVERIFY(f.Show());
  auto* pages = f.Find<QTabWidget>("MainPageC");
  QVERIFY(pages);
  QCOMPARE(pages->count(), 3);
  QCOMPARE(pages->currentIndex(), 0);
  QCOMPARE(pages->currentWidget()->objectName(), QString("UpdateSoftTabSh"));
  QVERIFY(pages->isTabVisible(0));
  QVERIFY(!pages->isTabVisible(1));
  QVERIFY(!pages->isTabVisible(2));
  // The inner pages of the relay tab start on relay 1.
  auto* outputs = f.Find<QTabWidget>("ReleOKPageC");
  QVERIFY(outputs);
  QCOMPARE(outputs->currentWidget()->objectName(), QString("Rele1TabSh"));
}

void StartupTest::operatingModeIsOnline() {
  WindowFixture f;
  auto* mode = f.Find<QComboBox>("OperModeCmB");
  QVERIFY(mode);
  QVERIFY(mode->isEditable());
  QCOMPARE(mode->count(), 2);
  QCOMPARE(mode->itemText(0), QString("демо"));
  QCOMPARE(mode->itemText(1), QString("on-line"));
  QCOMPARE(mode->currentIndex(), 1);
  QCOMPARE(mode->currentText(), QString("on-line"));
  QVERIFY(!f.form->state().DemoMode);
}

void StartupTest::valuesAreEmpty() {
  WindowFixture f;
  for (const char* name : {"DevTypeLabel2", "CurrentSoftVerLabel2"}) {
    QVERIFY2(f.Find<QLabel>(name), name);
    QVERIFY2(f.Find<QLabel>(name)->text().isEmpty(), name);
  }
  QVERIFY(f.Find<QLineEdit>("ObjNumEdit")->text().isEmpty());
  auto* module = f.Find<QComboBox>("ModuleNumCmB");
  QCOMPARE(module->count(), 0);
  QVERIFY(module->currentText().isEmpty());
  QVERIFY(module->isEditable());
  QCOMPARE(module->maxVisibleItems(), 10);
  QVERIFY(f.Find<QCheckBox>("CheckBox1")->isChecked());
}

void StartupTest::radioGroupsStartUnselected() {
  WindowFixture f;
  auto* mode = f.Find<RadioGroup>("DevOperModeRdG");
  QVERIFY(mode);
  QCOMPARE(mode->count(), 2);
  QCOMPARE(mode->itemText(0), QString("радиоприемное устройство (РПУ/РТР)"));
  QCOMPARE(mode->itemText(1), QString("модуль реле и оповещения (МРО)"));
  QCOMPARE(mode->itemIndex(), -1);

  auto* versions = f.Find<RadioGroup>("SWVersionRdG");
  QVERIFY(versions);
  QCOMPARE(versions->count(), 0);
  QCOMPARE(versions->itemIndex(), -1);

  auto* system = f.Find<RadioGroup>("RPU_RTRRadioGr");
  QVERIFY(system);
  QCOMPARE(system->count(), 2);
  QCOMPARE(system->itemText(0), QString("РПУ"));
  QCOMPARE(system->itemText(1), QString("РТР"));
  QCOMPARE(system->itemIndex(), -1);
  QVERIFY(!system->isEnabled());
  // Two columns: the two items side by side.
  auto* grid = qobject_cast<QGridLayout*>(system->layout());
  QVERIFY(grid);
  int row0, col0, row1, col1, span;
  grid->getItemPosition(grid->indexOf(system->button(0)), &row0, &col0, &span, &span);
  grid->getItemPosition(grid->indexOf(system->button(1)), &row1, &col1, &span, &span);
  QCOMPARE(row0, row1);
  QCOMPARE(col1, col0 + 1);
}

void StartupTest::statusBarIsEmpty() {
  WindowFixture f;
  QVERIFY(f.Show());
  QVERIFY(f.form->statusText().isEmpty());
  auto* progress = f.Find<QProgressBar>("MainProgressB");
  QVERIFY(progress);
  QCOMPARE(progress->minimum(), 0);
  QCOMPARE(progress->maximum(), 100);
  QCOMPARE(progress->value(), 0);
  QCOMPARE(progress->parentWidget(), f.Find<QStatusBar>("MainStatusB"));
  QVERIFY(f.ui.events().empty());
}

void StartupTest::stateFields() {
  WindowFixture f;
  const MainFormState& s = f.form->state();
  QVERIFY(!s.DemoMode);
  QVERIFY(s.DisconnectDue);
  QVERIFY(!f.form->ReleSettingsTabSh->ReleModeClickActive());
  QCOMPARE(s.ReleCount, 3);
  QCOMPARE(s.ReleParamCount, 45);
  // Today's date as a Russian system writes it (07.12.2026 -> 071226), whatever
  // this machine's locale.
  QCOMPARE(QString::fromStdString(s.DateStamp),
           "_" + QDate::currentDate().toString("ddMMyy") + "_");
}

void StartupTest::dataStoresAreNotWidgets() {
  WindowFixture f;
  for (const char* name : {"TempListB", "TempListB2", "SWVersionListB", "Memo1"}) {
    QVERIFY2(!f.Widget(name), name);
  }
}

// The program itself, from a start folder of its own, until its window shows.
void StartupTest::programStartsWhateverTheDeviceSettings_data() {
  QTest::addColumn<QString>("usbConf");  // the remembered IDs' file; empty: none
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<QString>("madeInStartFolder");  // "": nothing to look for
  QTest::addColumn<QString>("notInDataFolder");

#ifndef _WIN32  // the remembered IDs are how Linux finds the device
  // Only a connect reads them: a bad file is its reason, not the window's end.
  QTest::newRow("remembered IDs malformed") << "usb-id = 1234:abcd\nmode = fast\n"
                                            << QStringList{"--data-dir", "data"} << ""
                                            << "";
#endif
  // Relative paths mean the start folder, not the data folder the window enters.
  QTest::newRow("relative state file")
      << "" << QStringList{"--simulate", "rpu", "--sim-state", "new.st", "--data-dir", "data"}
      << "new.st"
      << "data/new.st";
}

void StartupTest::programStartsWhateverTheDeviceSettings() {
  QFETCH(QString, usbConf);
  QFETCH(QStringList, arguments);
  QFETCH(QString, madeInStartFolder);
  QFETCH(QString, notInDataFolder);

  QTemporaryDir dir;
  const QDir root(dir.path());
  QVERIFY(root.mkpath("start") && root.mkpath("config/ortenconf"));
  if (!usbConf.isEmpty()) {
    QFile conf(root.filePath("config/ortenconf/usb.conf"));
    QVERIFY(conf.open(QIODevice::WriteOnly) && conf.write(usbConf.toUtf8()) > 0);
  }
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_CONFIG_HOME", root.filePath("config"));
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("ORTEN_EXIT_ON_SHOW", "1");
  env.remove("ORTEN_USB_ID");
  QProcess program;
  program.setProcessEnvironment(env);
  program.setWorkingDirectory(root.filePath("start"));
  program.start(ORTENCONF_PROGRAM, arguments);
  QVERIFY(program.waitForFinished(60000));
  const QByteArray err = program.readAllStandardError();
  QCOMPARE(program.exitCode(), 0);
  QVERIFY2(program.readAllStandardOutput().startsWith("shown "), err.constData());
  if (!madeInStartFolder.isEmpty()) {
    QVERIFY(QFile::exists(root.filePath("start/" + madeInStartFolder)));
    QVERIFY(!QFile::exists(root.filePath("start/" + notInDataFolder)));
  }
}

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
