// The page "Главная": the family choice, the firmware choice and "Выполнить",
// with a device and in demo mode.
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
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

const char* const kMismatch =
    "Выбранный Вами режим работы прибора не соответствует подключенному!\nНеобходимо сменить "
    "прошивку!";
const char* const kChangeQuestion =
    "Выбранный Вами режим работы прибора не соответствует подключенному!\nПроизвести смену "
    "прошивки?";

// Connected to the relay module, the user asks for the receiver's firmware
// (answering Yes) and picks the one file offered, RPU_130.
void ChooseReceiverFirmware(WindowFixture& f, char type = '\x12') {
  f.PutFirmware("RPU_130", 130, 4, type);
  f.Click("ConnectButton");
  f.ui.AnswerYes();
  f.Pick("DevOperModeRdG", 0);
  f.Pick("SWVersionRdG", 0);
}

void SetDemo(const WindowFixture& f, bool demo) {
  f.Find<QComboBox>("OperModeCmB")->setCurrentIndex(demo ? 0 : 1);
}

}  // namespace

class FirmwarePageTest : public QObject {
  Q_OBJECT

 private slots:
  void demoExecuteOpensTheBackupPage();
  void demoExecuteOpensTheRelayPage();
  void demoFamilyClickChangesOnlyTheSelection();
  void executeReconnectsForTheWorkPage_data();
  void executeReconnectsForTheWorkPage();
  void otherFamilyDeclinedThenExecuteSaysChangeFirmware();
  void otherFamilyWithoutFilesAsksNothing();
  void pickedFileIsPreviewedThenWritten();
  void fileStaysChosenWhenTheListIsHiddenAgain();
  void badFileThenFamilyMismatch();
  void newerFirmwareAtConnect_data();
  void newerFirmwareAtConnect();
  void updateFromConnectLeavesChoiceDisabledInDemo();
};

void FirmwarePageTest::demoExecuteOpensTheBackupPage() {
  WindowFixture f;
  QVERIFY(f.Show());
  SetDemo(f, true);
  QVERIFY(f.Widget("DevOperModeRdG")->isVisible() && f.Widget("ExecuteButton")->isVisible());
  f.Pick("DevOperModeRdG", 0);
  f.Click("ExecuteButton");
  QCOMPARE(f.form->MainPageC->currentIndex(), 1);
  QVERIFY(f.form->MainPageC->isTabVisible(1));
  QVERIFY(f.Enabled("RegBackupCreateButton") && f.Enabled("RegBackupRestoreButton"));
  QVERIFY(!f.Enabled("DefaultButton"));
  QCOMPARE(f.Find<QLabel>("RegFNameLabel2")->text(), QString());
  QVERIFY(f.device->received().empty());  // no device is touched in demo mode
}

void FirmwarePageTest::demoExecuteOpensTheRelayPage() {
  WindowFixture f;
  QVERIFY(f.Show());
  SetDemo(f, true);
  f.Pick("DevOperModeRdG", 1);
  f.Click("ExecuteButton");
  QCOMPARE(f.form->MainPageC->currentIndex(), 2);
  for (const char* b : {"LoadButton", "SaveButton", "DefaultButton"}) QVERIFY2(f.Enabled(b), b);
  QVERIFY(!f.Enabled("ReadButton") && !f.Enabled("WriteButton"));
  // Back to "Главная" closes the work page again.
  QTest::mouseClick(f.form->MainPageC->tabBar(), Qt::LeftButton, {},
                    f.form->MainPageC->tabBar()->tabRect(0).center());
  QCOMPARE(f.form->MainPageC->currentIndex(), 0);
  QVERIFY(!f.form->MainPageC->isTabVisible(2));
}

void FirmwarePageTest::demoFamilyClickChangesOnlyTheSelection() {
  WindowFixture f;
  QVERIFY(f.Show());
  f.PutFirmware("RPU_130", 130);
  SetDemo(f, true);
  f.Pick("DevOperModeRdG", 0);
  QVERIFY(f.ui.events().empty());
  QVERIFY(f.Widget("SWVersionRdG")->isHidden());
  QCOMPARE(f.Find<RadioGroup>("SWVersionRdG")->count(), 0);
}

void FirmwarePageTest::executeReconnectsForTheWorkPage_data() {
  QTest::addColumn<int>("version");
  QTest::addColumn<int>("page");
  QTest::newRow("receiver: backup page") << 120 << 1;
  QTest::newRow("relay module: relay page") << 45 << 2;
}

void FirmwarePageTest::executeReconnectsForTheWorkPage() {
  QFETCH(int, version);
  QFETCH(int, page);
  WindowFixture f(static_cast<std::uint8_t>(version));
  QVERIFY(f.Show());
  f.Click("ConnectButton");
  f.Click("ExecuteButton");
  QCOMPARE(f.Wire(), kConnectMain + kDisconnect + kConnectWork);
  QCOMPARE(f.form->MainPageC->currentIndex(), page);
  QVERIFY(f.form->MainPageC->isTabVisible(page));
  QVERIFY(!f.form->MainPageC->isTabVisible(3 - page));
  QVERIFY(f.Enabled("DisconnectButton") && !f.Enabled("ConnectButton"));
  const bool relay = page == 2;
  for (const char* b : {"ReadButton", "WriteButton", "LoadButton", "SaveButton", "DefaultButton"}) {
    QVERIFY2(f.Enabled(b) == relay, b);
  }
  QCOMPARE(f.Enabled("RegBackupCreateButton"), !relay);
  QCOMPARE(f.Enabled("RegBackupRestoreButton"), !relay);
  QCOMPARE(f.Find<QLabel>("Dev2TypeLabel2")->text().isEmpty(), false);
}

void FirmwarePageTest::otherFamilyDeclinedThenExecuteSaysChangeFirmware() {
  WindowFixture f(45);
  QVERIFY(f.Show());
  f.PutFirmware("RPU_130", 130);
  f.Click("ConnectButton");
  f.ui.Clear();
  f.Pick("DevOperModeRdG", 0);  // answered No
  QCOMPARE(f.ui.Of(Kind::Question).size(), size_t{1});
  QCOMPARE(f.ui.Of(Kind::Question)[0].text, std::string(kChangeQuestion));
  QCOMPARE(f.ui.Of(Kind::Question)[0].icon, BoxIcon::None);
  QVERIFY(f.Widget("SWVersionRdG")->isHidden());
  f.Click("ExecuteButton");
  const auto boxes = f.ui.Of(Kind::Message);
  QCOMPARE(boxes.size(), size_t{1});
  QCOMPARE(boxes[0].text, std::string(kMismatch));
  QCOMPARE(boxes[0].caption, std::string("Системное сообщение"));
  QCOMPARE(boxes[0].icon, BoxIcon::None);
  QCOMPARE(f.Wire(), kConnectMain);  // still connected, nothing else sent
}

void FirmwarePageTest::otherFamilyWithoutFilesAsksNothing() {
  WindowFixture f(45);
  QVERIFY(f.Show());
  f.Click("ConnectButton");
  f.ui.Clear();
  f.Pick("DevOperModeRdG", 0);
  QVERIFY(f.ui.Of(Kind::Question).empty());
  QVERIFY(f.Widget("SWVersionRdG")->isHidden());
}

void FirmwarePageTest::pickedFileIsPreviewedThenWritten() {
  WindowFixture f(45);
  QVERIFY(f.Show());
  f.PutFirmware("RPU_130", 130);
  f.Click("ConnectButton");
  f.ui.AnswerYes();
  f.Pick("DevOperModeRdG", 0);
  auto* files = f.Find<RadioGroup>("SWVersionRdG");
  QVERIFY(files->isVisible());
  QCOMPARE(files->count(), 1);
  QCOMPARE(files->itemText(0), QString("RPU_130"));
  f.Pick("SWVersionRdG", 0);
  QVERIFY(f.Widget("SoftUpdateGrB")->isVisible());
  QCOMPARE(f.Find<QLabel>("SoftFNameLabel2")->text(), QString("RPU_130"));
  QCOMPARE(f.Find<QLabel>("SoftFSizeLabel2")->text(), QString("266"));
  QCOMPARE(f.Find<QLabel>("SoftFTypeLabel2")->text(), QString("ПО для DEZ-RPU"));
  QCOMPARE(f.Find<QLabel>("NewSoftVerLabel2")->text(),
           QString("1_0"));  // under the device's family
  QCOMPARE(f.Find<QLabel>("SoftFDateLabel2")->text(),
           QFileInfo(QDir(f.Folder()).filePath("Base/RPU_130"))
               .lastModified()
               .date()
               .toString("dd.MM.yyyy"));
  QCOMPARE(f.Wire(), kConnectMain);  // a preview sends nothing

  f.Click("ExecuteButton");
  QCOMPARE(f.device->version(), std::uint8_t{130});
  // The image, then the check after the device's restart.
  QCOMPARE(f.Wire().sliced(8 + 266), kConnectMain + kDisconnect);
  // The journal has the version the device came back with.
  QFile journalFile(QDir(f.Folder()).filePath("journal.csv"));
  QVERIFY(journalFile.open(QIODevice::ReadOnly));
  const orten::JournalText journal = orten::ParseJournal(journalFile.readAll().toStdString());
  QCOMPARE(journal.records.size(), std::size_t{2});
  QCOMPARE(journal.records[0].operation + " " + journal.records[0].message,
           std::string("write-firmware Прошивка загружена успешно"));
  const orten::JournalRecord& check = journal.records[1];
  QCOMPARE(check.operation + " " + check.outcome, std::string("verify-firmware done"));
  QCOMPARE(check.familyBefore + " " + check.versionBefore + " " + check.familyAfter + " " +
               check.versionAfter,
           std::string("mro 4_5 rpu 13_0"));
  QVERIFY(f.Enabled("ConnectButton"));
  QVERIFY(f.Widget("SWVersionRdG")->isHidden());
  QCOMPARE(f.Find<RadioGroup>("SWVersionRdG")->count(), 0);
}

void FirmwarePageTest::fileStaysChosenWhenTheListIsHiddenAgain() {
  WindowFixture f(45);
  QVERIFY(f.Show());
  ChooseReceiverFirmware(f);
  f.Pick("DevOperModeRdG", 1);  // back to the device's family
  QVERIFY(f.Widget("SWVersionRdG")->isHidden());
  QVERIFY(f.Widget("SoftUpdateGrB")->isHidden());
  f.Click("ExecuteButton");  // the chosen file is still written
  QCOMPARE(f.device->version(), std::uint8_t{130});
}

void FirmwarePageTest::badFileThenFamilyMismatch() {
  WindowFixture f(45);
  QVERIFY(f.Show());
  ChooseReceiverFirmware(f, '\x13');
  f.ui.Clear();
  f.Click("ExecuteButton");
  const std::string typeError = "Ошибка: Несовпадение типа прибора - Запись не доступна";
  QCOMPARE(f.ui.Messages(), (std::vector<std::string>{typeError, kMismatch}));
  QCOMPARE(f.Wire(), kConnectMain);
}

// A receiver at 100 and RPU_120 with a newer-looking file beside it: one of
// the other family is passed over; one refused after "Да" is refused in the
// window's words with its facts on the page, and the page is left to go on from.
void FirmwarePageTest::newerFirmwareAtConnect_data() {
  QTest::addColumn<int>("version");
  QTest::addColumn<int>("type");
  QTest::addColumn<QString>("offered");
  QTest::newRow("version byte of the relay module") << 46 << 0x12 << "RPU_120";
  QTest::newRow("wrong type byte") << 135 << 0x13 << "RPU_135";
}

void FirmwarePageTest::newerFirmwareAtConnect() {
  QFETCH(int, version);
  QFETCH(int, type);
  QFETCH(QString, offered);
  WindowFixture f(100);
  QVERIFY(f.Show());
  f.PutFirmware("RPU_120", 120);
  f.PutFirmware("RPU_135", version, 4, static_cast<char>(type));
  f.ui.AnswerYes();
  f.Click("ConnectButton");
  QCOMPARE(f.ui.Of(Kind::Question).at(0).text,
           "Найдена более свежая прошивка - " + offered.toStdString() + ".\nЖелаете обновить?");
  if (offered == "RPU_120") {
    QCOMPARE(f.device->version(), std::uint8_t{120});  // written
    return;
  }
  QCOMPARE(f.ui.Messages().at(0),
           std::string("Ошибка: Несовпадение типа прибора - Запись не доступна"));
  QCOMPARE(f.Find<QLabel>("SoftFNameLabel2")->text(), QString("RPU_135"));
  QCOMPARE(f.Wire(), kConnectMain);
  for (const char* control : {"DisconnectButton", "DevOperModeRdG", "ExecuteButton"})
    QVERIFY2(f.Enabled(control), control);
}

void FirmwarePageTest::updateFromConnectLeavesChoiceDisabledInDemo() {
  WindowFixture f(100);
  QVERIFY(f.Show());
  f.PutFirmware("RPU_120", 120);
  f.ui.AnswerYes();
  f.Click("ConnectButton");
  QCOMPARE(f.device->version(), std::uint8_t{120});
  SetDemo(f, true);
  QVERIFY(f.Widget("DevOperModeRdG")->isVisible() && !f.Enabled("DevOperModeRdG"));
  QVERIFY(f.Widget("ExecuteButton")->isVisible() && !f.Enabled("ExecuteButton"));
}

QTEST_MAIN(FirmwarePageTest)
#include "FirmwarePageTest.moc"
