// The page "Резервная копия": its actions on-line and in demo, the module
// numbers, and the registration memory between the device, the window and
// backup files.
#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "tests/gui/WindowFixture.h"
#include "widgets/GuardedTabWidget.h"
#include "widgets/RadioGroup.h"

using namespace orten;
using namespace orten::gui;
using namespace orten::gui::test;
using Kind = ScriptedUi::Kind;

namespace {

QString Text(const WindowFixture& f, const char* label) {
  return f.Find<QLabel>(label)->text();
}
QComboBox* Module(const WindowFixture& f) {
  return f.Find<QComboBox>("ModuleNumCmB");
}
QLineEdit* Object(const WindowFixture& f) {
  return f.Find<QLineEdit>("ObjNumEdit");
}

// The backup page with a receiver connected, as "Выполнить" leaves it.
void OpenOnline(WindowFixture& f) {
  QVERIFY(f.Show());
  f.Click("ConnectButton");
  f.Click("ExecuteButton");
  QCOMPARE(f.form->MainPageC->currentIndex(), 1);
  f.ui.Clear();
}

void OpenDemo(WindowFixture& f) {
  QVERIFY(f.Show());
  f.Find<QComboBox>("OperModeCmB")->setCurrentIndex(0);
  f.Pick("DevOperModeRdG", 0);
  f.Click("ExecuteButton");
  QCOMPARE(f.form->MainPageC->currentIndex(), 1);
}

QString BackupPath(const WindowFixture& f, const QString& name) {
  return QDir(f.Folder()).filePath("Reg_RPU/" + name);
}

void PutBackup(const QString& path, int count, int last = 17, const QByteArray& extra = {}) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  for (int i = 0; i < count; ++i)
    file.write(QByteArray::number(i == count - 1 ? last : i % 256) + "\r\n");
  file.write(extra);
}

}  // namespace

class BackupPageTest : public QObject {
  Q_OBJECT

 private slots:
  void actionsOnline();
  void actionsInDemo();
  void moduleListFollowsTheSystemMode();
  void moduleNumberRange_data();
  void moduleNumberRange();
  void leavingTheModuleBoxChecksIt();
  void readFromTheDevice();
  void checksumErrorKeepsThePreviousBackup();
  void roundTripDeviceFileDevice();
  void saveNeedsModuleAndObject();
  void defaultNameCarriesTodaysRussianDate();
  void loadReadsTheNameBack();
  void refusedFileChangesNothing();
  void deleteConfirmedDeletes();
  void deleteOfAMissingFileSaysSo();
  void deleteDeclinedKeepsTheFile();
  void deleteOfTheLoadedBackupLeavesNothingToWrite();
};

void BackupPageTest::actionsOnline() {
  WindowFixture f(120);
  OpenOnline(f);
  QVERIFY(f.Enabled("RegBackupCreateButton") && f.Enabled("RegBackupRestoreButton"));
  f.Click("RegBackupCreateButton");
  QVERIFY(f.Enabled("ReadButton"));
  QVERIFY(!f.Enabled("WriteButton") && !f.Enabled("LoadButton") && !f.Enabled("SaveButton"));
  QVERIFY(f.Enabled("ObjNumEdit") && f.Enabled("ModuleNumCmB") && f.Enabled("RPU_RTRRadioGr"));
  QCOMPARE(f.Find<RadioGroup>("RPU_RTRRadioGr")->itemIndex(), -1);

  f.Click("RegBackupRestoreButton");
  QVERIFY(f.Enabled("LoadButton") && !f.Enabled("ReadButton"));
  QVERIFY(!f.Enabled("ObjNumEdit") && !f.Enabled("ModuleNumCmB") && !f.Enabled("RPU_RTRRadioGr"));
  QCOMPARE(Module(f)->count(), 0);
}

void BackupPageTest::actionsInDemo() {
  WindowFixture f(120);
  OpenDemo(f);
  QVERIFY(f.Enabled("RegBackupCreateButton") && f.Enabled("RegBackupRestoreButton"));
  f.Click("RegBackupCreateButton");
  QVERIFY(!f.Enabled("ReadButton") && !f.Enabled("WriteButton"));  // no device in demo
  QVERIFY(!f.Enabled("LoadButton") && !f.Enabled("SaveButton"));
  QVERIFY(f.Enabled("ObjNumEdit") && f.Enabled("ModuleNumCmB") && f.Enabled("RPU_RTRRadioGr"));
  f.Click("RegBackupRestoreButton");
  QVERIFY(f.Enabled("LoadButton") && !f.Enabled("ReadButton"));
  QVERIFY(f.device->received().empty());
}

void BackupPageTest::moduleListFollowsTheSystemMode() {
  WindowFixture f(120);
  OpenDemo(f);
  f.Click("RegBackupCreateButton");
  Object(f)->setText("12");
  f.Pick("RPU_RTRRadioGr", 0);
  QCOMPARE(Module(f)->count(), 4);
  QCOMPARE(Module(f)->itemText(3), QString("4"));
  QCOMPARE(Object(f)->text(), QString());  // a new mode starts the numbers afresh
  f.Pick("RPU_RTRRadioGr", 1);
  QCOMPARE(Module(f)->count(), 192);
  QCOMPARE(Module(f)->itemText(0), QString("5"));
  QCOMPARE(Module(f)->itemText(191), QString("196"));
  f.Click("RegBackupCreateButton");
  QCOMPARE(Module(f)->count(), 0);  // every action leaves the list empty
}

void BackupPageTest::moduleNumberRange_data() {
  QTest::addColumn<int>("mode");
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("refused");
  QTest::newRow("РПУ 0") << 0 << "0" << true;
  QTest::newRow("РПУ 4") << 0 << "4" << false;
  QTest::newRow("РПУ 5") << 0 << "5" << true;
  QTest::newRow("РТР 196") << 1 << "196" << false;
  QTest::newRow("РТР 197") << 1 << "197" << true;
  QTest::newRow("РТР text") << 1 << "abc" << true;
  QTest::newRow("no mode, anything") << -1 << "abc" << false;
  QTest::newRow("empty") << 0 << "" << false;
}

void BackupPageTest::moduleNumberRange() {
  QFETCH(int, mode);
  QFETCH(QString, text);
  QFETCH(bool, refused);
  WindowFixture f(120);
  OpenDemo(f);
  f.Click("RegBackupCreateButton");
  if (mode >= 0) f.Pick("RPU_RTRRadioGr", mode);
  Module(f)->setEditText(text);
  f.ui.Clear();
  f.form->ModuleNumCmBExit();
  QCOMPARE(f.ui.Messages().empty(), !refused);
  if (refused)
    QCOMPARE(f.ui.Messages()[0], std::string("Введено недопустимое значение номера модуля!"));
  QCOMPARE(Module(f)->currentText(), text);  // kept as typed
}

void BackupPageTest::leavingTheModuleBoxChecksIt() {
  WindowFixture f(120);
  OpenDemo(f);
  f.Click("RegBackupCreateButton");
  f.Pick("RPU_RTRRadioGr", 0);
  QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
  Module(f)->setFocus();
  QTRY_VERIFY(Module(f)->hasFocus());
  QTest::keyClicks(Module(f), "9");
  f.ui.Clear();
  Object(f)->setFocus();  // the user moves on
  QTRY_COMPARE(f.ui.Messages().size(), size_t{1});
  QCOMPARE(f.ui.Messages()[0], std::string("Введено недопустимое значение номера модуля!"));
  QTRY_VERIFY(Module(f)->hasFocus());  // back to the box, text as typed
  QCOMPARE(Module(f)->currentText(), QString("9"));
}

void BackupPageTest::readFromTheDevice() {
  WindowFixture f(120);
  for (std::size_t i = 0; i < 1792; ++i) f.device->memory()[i] = static_cast<std::uint8_t>(i * 3);
  OpenOnline(f);
  f.Click("RegBackupCreateButton");
  const std::size_t before = f.device->received().size();
  f.Click("ReadButton");
  const std::vector<std::uint8_t> request(
      f.device->received().begin() + static_cast<std::ptrdiff_t>(before),
      f.device->received().end());
  QCOMPARE(request, (std::vector<std::uint8_t>{0x55, 0x55, 0x93, 0x07, 0x00, 0x00, 0x9C, 0x8C}));
  QCOMPARE(Text(f, "ConfCodeLabel2"), QString::number((1791 * 3) & 0xFF));
  QCOMPARE(f.ui.Messages(), std::vector<std::string>{"Резервная копия считана успешно"});
  QCOMPARE(f.ui.LastStatus(), std::string("Резервная копия считана успешно"));
  QVERIFY(f.Enabled("SaveButton"));
  QCOMPARE(f.form->registrationImage().values()[100], (100 * 3) & 0xFF);
}

void BackupPageTest::checksumErrorKeepsThePreviousBackup() {
  WindowFixture f(120);
  f.device->memory()[1791] = 17;
  OpenOnline(f);
  f.Click("RegBackupCreateButton");
  f.Click("ReadButton");
  f.Click("SaveButton");  // answered nothing: only to see SaveButton stays usable
  f.device->memory()[1791] = 99;
  f.device->set_faults({.badChecksum = true});
  f.ui.Clear();
  f.Click("ReadButton");
  QCOMPARE(Text(f, "ConfCodeLabel2"), QString("17"));
  QCOMPARE(f.form->registrationImage().configurationCode(), 17);
  QVERIFY(f.ui.Messages().empty());
  QCOMPARE(f.ui.LastStatus(), std::string("Ошибка CRC! Параметры не считаны !"));
}

void BackupPageTest::roundTripDeviceFileDevice() {
  WindowFixture f(120);
  for (std::size_t i = 0; i < 1792; ++i)
    f.device->memory()[i] = static_cast<std::uint8_t>(i * 7 + 1);
  const auto original = f.device->memory();
  OpenOnline(f);
  f.Click("RegBackupCreateButton");
  f.Pick("RPU_RTRRadioGr", 0);
  Module(f)->setEditText("3");
  Object(f)->setText("125");
  f.Click("ReadButton");
  const QString code = Text(f, "ConfCodeLabel2");
  const QString path = BackupPath(f, "saved.rrg");
  f.ui.ChooseFile(path.toStdString());
  f.Click("SaveButton");
  const auto saves = f.ui.Of(Kind::SaveDialog);
  QCOMPARE(saves.size(), size_t{1});
  QCOMPARE(
      QString::fromStdString(saves[0].caption),
      "DEZ_RPU_3" + QString::fromStdString(f.form->state().DateStamp) + "object_125_conf_" + code);
  QCOMPARE(f.ui.LastStatus(), std::string("Сведения о регистрации успешно сохранены"));
  QFile saved(path);
  QVERIFY(saved.open(QIODevice::ReadOnly));
  const QByteArray text = saved.readAll();
  QCOMPARE(text.count("\r\n"), 1792);
  QVERIFY(text.startsWith("1\r\n8\r\n15\r\n"));

  f.device->memory().fill(0);
  f.Click("RegBackupRestoreButton");
  f.ui.ChooseFile(path.toStdString());
  f.Click("LoadButton");
  QVERIFY(f.Enabled("WriteButton"));
  f.ui.Clear();
  f.Click("WriteButton");
  QCOMPARE(f.ui.Messages(), std::vector<std::string>{"Резервная копия загружена успешно"});
  QCOMPARE(f.device->memory(), original);
}

void BackupPageTest::saveNeedsModuleAndObject() {
  WindowFixture f(120);
  OpenOnline(f);
  f.Click("RegBackupCreateButton");
  f.Click("ReadButton");
  f.ui.Clear();
  Module(f)->setEditText("3");
  f.Click("SaveButton");
  QCOMPARE(f.ui.Messages(),
           std::vector<std::string>{
               "Внимание! Для сохранения файла необходимо указать номер модуля и номер объекта!"});
  QVERIFY(f.ui.Of(Kind::SaveDialog).empty());
}

// Today as a Russian system writes it (dd.MM.yyyy -> ddMMyy), whatever this
// machine's locale: tests/cli/date_stamp_test.sh runs this under several
// locales and compares the name with the one ortenctl makes.
void BackupPageTest::defaultNameCarriesTodaysRussianDate() {
  WindowFixture f(120);
  f.device->memory()[1791] = 17;
  OpenOnline(f);
  f.Click("RegBackupCreateButton");
  f.Pick("RPU_RTRRadioGr", 0);
  Module(f)->setEditText("3");
  Object(f)->setText("125");
  f.Click("ReadButton");
  f.Click("SaveButton");  // cancelled: the proposed name stays on show
  const QString name = Text(f, "RegFNameLabel2");
  qInfo().noquote() << "backup name:" << name;
  QCOMPARE(name, "DEZ_RPU_3_" + QDate::currentDate().toString("ddMMyy") + "_object_125_conf_17");
}

void BackupPageTest::loadReadsTheNameBack() {
  WindowFixture f(120);
  OpenDemo(f);
  const QString path = BackupPath(f, "DEZ_RTR_150_071226_object_7_conf_1.rrg");
  PutBackup(path, 1792, 33, "garbage after the last value\r\n");
  f.Click("RegBackupRestoreButton");
  f.ui.ChooseFile(path.toStdString());
  f.Click("LoadButton");
  QCOMPARE(f.Find<RadioGroup>("RPU_RTRRadioGr")->itemIndex(), 1);
  QCOMPARE(Module(f)->currentText(), QString("150"));
  QCOMPARE(Module(f)->count(), 192);
  QCOMPARE(Object(f)->text(), QString("7"));
  QCOMPARE(Text(f, "RegFNameLabel2"), QString("DEZ_RTR_150_071226_object_7_conf_1.rrg"));
  QCOMPARE(Text(f, "ConfCodeLabel2"), QString("33"));  // from the last value, not the name
  QCOMPARE(f.ui.LastStatus(), std::string("Сведения о регистрации успешно считаны"));
  QVERIFY(f.Enabled("SaveButton"));  // demo: the backup can be saved again
  const auto opens = f.ui.Of(Kind::OpenDialog);
  QCOMPARE(opens[0].text, std::string("Открытие файла регистрации"));
}

void BackupPageTest::refusedFileChangesNothing() {
  WindowFixture f(120);
  OpenDemo(f);
  const QString good = BackupPath(f, "DEZ_RPU_2_0712_object_5_conf_1.rrg");
  PutBackup(good, 1792, 44);
  f.Click("RegBackupRestoreButton");
  f.ui.ChooseFile(good.toStdString());
  f.Click("LoadButton");
  const QString shortFile = BackupPath(f, "DEZ_RTR_9_0712_object_1_conf_1.rrg");
  PutBackup(shortFile, 1791);
  f.ui.Clear();
  f.ui.ChooseFile(shortFile.toStdString());
  f.Click("LoadButton");
  QCOMPARE(f.ui.Messages().size(), size_t{1});
  QVERIFY(
      QString::fromStdString(f.ui.Messages()[0]).contains("DEZ_RTR_9_0712_object_1_conf_1.rrg"));
  QCOMPARE(f.ui.LastStatus(), std::string("Сведения о регистрации не считаны"));
  QCOMPARE(Text(f, "ConfCodeLabel2"), QString("44"));
  QCOMPARE(f.Find<RadioGroup>("RPU_RTRRadioGr")->itemIndex(), 0);
  QCOMPARE(Module(f)->currentText(), QString("2"));
  QCOMPARE(f.form->registrationImage().configurationCode(), 44);
}

void BackupPageTest::deleteConfirmedDeletes() {
  WindowFixture f(120);
  OpenDemo(f);
  const QString path = BackupPath(f, "DEZ_RPU_1_0712_object_1_conf_1.rrg");
  PutBackup(path, 1792);
  f.ui.ChooseFile(path.toStdString());
  f.ui.AnswerYes();
  f.Click("RegBackupDeleteButton");
  QVERIFY(!QFile::exists(path));
  const auto questions = f.ui.Of(Kind::Question);
  QCOMPARE(questions.size(), size_t{1});
  QCOMPARE(
      questions[0].text,
      std::string(
          "Вы уверены, что хотите удалить файл регистрации DEZ_RPU_1_0712_object_1_conf_1.rrg ?"));
  QCOMPARE(questions[0].caption, std::string("Confirm"));
  QCOMPARE(questions[0].icon, BoxIcon::Question);
  QCOMPARE(f.ui.LastStatus(), std::string("Файл регистрации успешно удален"));
  QCOMPARE(f.ui.Of(Kind::OpenDialog)[0].text, std::string("Удаление файла регистрации"));
  QVERIFY(f.Enabled("RegBackupDeleteButton"));
}

void BackupPageTest::deleteOfAMissingFileSaysSo() {
  WindowFixture f(120);
  OpenDemo(f);
  f.ui.ChooseFile(BackupPath(f, "gone.rrg").toStdString());
  f.ui.AnswerYes();
  f.Click("RegBackupDeleteButton");
  QVERIFY(f.ui.LastStatus() != "Файл регистрации успешно удален");
  QCOMPARE(f.ui.Messages().size(), size_t{1});
  QVERIFY(QString::fromStdString(f.ui.Messages()[0]).contains("gone.rrg"));
}

void BackupPageTest::deleteDeclinedKeepsTheFile() {
  WindowFixture f(120);
  OpenDemo(f);
  const QString path = BackupPath(f, "keep.rrg");
  PutBackup(path, 1792);
  f.ui.ChooseFile(path.toStdString());
  f.Click("RegBackupDeleteButton");  // answered No
  QVERIFY(QFile::exists(path));
  QCOMPARE(f.ui.LastStatus(), std::string("Удаление файла регистрации..."));
}

// Deleting the backup just loaded blanks the form: what it no longer shows
// can no longer go to the device.
void BackupPageTest::deleteOfTheLoadedBackupLeavesNothingToWrite() {
  WindowFixture f(120);
  OpenOnline(f);
  const QString path = BackupPath(f, "DEZ_RPU_1_0712_object_1_conf_1.rrg");
  PutBackup(path, 1792);
  f.Click("RegBackupRestoreButton");
  f.ui.ChooseFile(path.toStdString());
  f.Click("LoadButton");
  f.ui.ChooseFile(path.toStdString());
  f.ui.AnswerYes();
  f.Click("RegBackupDeleteButton");
  QVERIFY(!f.Enabled("WriteButton"));
  const qsizetype sent = f.Wire().size();
  f.form->WriteButtonClick();  // asked all the same, it sends nothing
  QCOMPARE(f.Wire().size(), sent);
}

QTEST_MAIN(BackupPageTest)
#include "BackupPageTest.moc"
