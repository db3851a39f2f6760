// The page "Главная": the family choice, the firmware choice and "Выполнить",
// with a device and in demo mode.
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "app/GuardedTabWidget.h"
#include "app/RadioGroup.h"
#include "tests/gui/WindowFixture.h"

using namespace orten;
using namespace orten::gui;
using namespace orten::gui::test;
using Kind = ScriptedUi::Kind;

namespace {

const QByteArray kConnectMain("\x55\x55\xA0\xAA\x00\x00\x02\x29", 8);
const QByteArray kConnectWork("\x55\x55\xAA\xAA\x00\x00\x01\xF1", 8);
const QByteArray kDisconnect("\x55\x55\xA0\x00\x00\x00\x22\x09", 8);
const char* const kMismatch =
    "Выбранный Вами режим работы прибора не соответствует подключенному!\nНеобходимо сменить прошивку!";
const char* const kChangeQuestion =
    "Выбранный Вами режим работы прибора не соответствует подключенному!\nПроизвести смену прошивки?";

void PutFirmware(const WindowFixture& f, const QString& name, int version, int blocks = 4,
                 char type = '\x12') {
  QByteArray bytes(10 + 64 * blocks, '\x33');
  bytes[0] = bytes[1] = '\x55';
  bytes[2] = type;
  bytes[3] = static_cast<char>(version);
  QFile file(QDir(f.Folder()).filePath("Base/" + name));
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

QByteArray Wire(const WindowFixture& f) {
  const auto& bytes = f.device->received();
  return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

void Click(const WindowFixture& f, const char* name) {
  QTest::mouseClick(f.Find<QPushButton>(name), Qt::LeftButton);
}

// The user picks an item of a radio group, clicking its round indicator (a
// radio button takes clicks on its indicator and text only, not the empty
// rest of its row).
void Pick(const WindowFixture& f, const char* group, int item) {
  QCoreApplication::processEvents();  // lay out buttons the page has just made
  QRadioButton* b = f.Find<RadioGroup>(group)->button(item);
  QVERIFY(b);
  QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
}

void SetDemo(const WindowFixture& f, bool demo) {
  f.Find<QComboBox>("OperModeCmB")->setCurrentIndex(demo ? 0 : 1);
}

bool Enabled(const WindowFixture& f, const char* name) { return f.Widget(name)->isEnabled(); }

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
  void updateFromConnectLeavesChoiceDisabledInDemo();
};

void FirmwarePageTest::demoExecuteOpensTheBackupPage() {
  WindowFixture f;
  QVERIFY(f.Show());
  SetDemo(f, true);
  QVERIFY(f.Widget("DevOperModeRdG")->isVisible() && f.Widget("ExecuteButton")->isVisible());
  Pick(f, "DevOperModeRdG", 0);
  Click(f, "ExecuteButton");
  QCOMPARE(f.form->MainPageC->currentIndex(), 1);
  QVERIFY(f.form->MainPageC->isTabVisible(1));
  QVERIFY(Enabled(f, "RegBackupCreateButton") && Enabled(f, "RegBackupRestoreButton"));
  QVERIFY(!Enabled(f, "DefaultButton"));
  QCOMPARE(f.Find<QLabel>("RegFNameLabel2")->text(), QString());
  QVERIFY(f.device->received().empty());  // no device is touched in demo mode
}

void FirmwarePageTest::demoExecuteOpensTheRelayPage() {
  WindowFixture f;
  QVERIFY(f.Show());
  SetDemo(f, true);
  Pick(f, "DevOperModeRdG", 1);
  Click(f, "ExecuteButton");
  QCOMPARE(f.form->MainPageC->currentIndex(), 2);
  for (const char* b : {"LoadButton", "SaveButton", "DefaultButton"}) QVERIFY2(Enabled(f, b), b);
  QVERIFY(!Enabled(f, "ReadButton") && !Enabled(f, "WriteButton"));
  // Back to "Главная" closes the work page again.
  QTest::mouseClick(f.form->MainPageC->tabBar(), Qt::LeftButton, {},
                    f.form->MainPageC->tabBar()->tabRect(0).center());
  QCOMPARE(f.form->MainPageC->currentIndex(), 0);
  QVERIFY(!f.form->MainPageC->isTabVisible(2));
}

void FirmwarePageTest::demoFamilyClickChangesOnlyTheSelection() {
  WindowFixture f;
  QVERIFY(f.Show());
  PutFirmware(f, "RPU_130", 130);
  SetDemo(f, true);
  Pick(f, "DevOperModeRdG", 0);
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
  Click(f, "ConnectButton");
  Click(f, "ExecuteButton");
  QCOMPARE(Wire(f), kConnectMain + kDisconnect + kConnectWork);
  QCOMPARE(f.form->MainPageC->currentIndex(), page);
  QVERIFY(f.form->MainPageC->isTabVisible(page));
  QVERIFY(!f.form->MainPageC->isTabVisible(3 - page));
  QVERIFY(Enabled(f, "DisconnectButton") && !Enabled(f, "ConnectButton"));
  const bool relay = page == 2;
  for (const char* b : {"ReadButton", "WriteButton", "LoadButton", "SaveButton", "DefaultButton"}) {
    QVERIFY2(Enabled(f, b) == relay, b);
  }
  QCOMPARE(Enabled(f, "RegBackupCreateButton"), !relay);
  QCOMPARE(Enabled(f, "RegBackupRestoreButton"), !relay);
  QCOMPARE(f.Find<QLabel>("Dev2TypeLabel2")->text().isEmpty(), false);
}

void FirmwarePageTest::otherFamilyDeclinedThenExecuteSaysChangeFirmware() {
  WindowFixture f(45);
  QVERIFY(f.Show());
  PutFirmware(f, "RPU_130", 130);
  Click(f, "ConnectButton");
  f.ui.Clear();
  Pick(f, "DevOperModeRdG", 0);  // answered No
  QCOMPARE(f.ui.Of(Kind::Question).size(), size_t{1});
  QCOMPARE(f.ui.Of(Kind::Question)[0].text, std::string(kChangeQuestion));
  QVERIFY(f.Widget("SWVersionRdG")->isHidden());
  Click(f, "ExecuteButton");
  const auto boxes = f.ui.Of(Kind::Message);
  QCOMPARE(boxes.size(), size_t{1});
  QCOMPARE(boxes[0].text, std::string(kMismatch));
  QCOMPARE(boxes[0].caption, std::string("Системное сообщение"));
  QCOMPARE(boxes[0].icon, BoxIcon::None);
  QCOMPARE(Wire(f), kConnectMain);  // still connected, nothing else sent
}

void FirmwarePageTest::otherFamilyWithoutFilesAsksNothing() {
  WindowFixture f(45);
  QVERIFY(f.Show());
  Click(f, "ConnectButton");
  f.ui.Clear();
  Pick(f, "DevOperModeRdG", 0);
  QVERIFY(f.ui.Of(Kind::Question).empty());
  QVERIFY(f.Widget("SWVersionRdG")->isHidden());
}

void FirmwarePageTest::pickedFileIsPreviewedThenWritten() {
  WindowFixture f(45);
  QVERIFY(f.Show());
  PutFirmware(f, "RPU_130", 130);
  Click(f, "ConnectButton");
  f.ui.AnswerYes();
  Pick(f, "DevOperModeRdG", 0);
  auto* files = f.Find<RadioGroup>("SWVersionRdG");
  QVERIFY(files->isVisible());
  QCOMPARE(files->count(), 1);
  QCOMPARE(files->itemText(0), QString("RPU_130"));
  Pick(f, "SWVersionRdG", 0);
  QVERIFY(f.Widget("SoftUpdateGrB")->isVisible());
  QCOMPARE(f.Find<QLabel>("SoftFNameLabel2")->text(), QString("RPU_130"));
  QCOMPARE(f.Find<QLabel>("SoftFSizeLabel2")->text(), QString("266"));
  QCOMPARE(f.Find<QLabel>("SoftFTypeLabel2")->text(), QString("ПО для DEZ-RPU"));
  QCOMPARE(f.Find<QLabel>("NewSoftVerLabel2")->text(), QString("1_0"));  // under the device's family
  QVERIFY(!f.Find<QLabel>("SoftFDateLabel2")->text().isEmpty());
  QCOMPARE(Wire(f), kConnectMain);  // a preview sends nothing

  Click(f, "ExecuteButton");
  QCOMPARE(f.device->version(), std::uint8_t{130});
  QCOMPARE(Wire(f).size(), qsizetype{8 + 266});
  QVERIFY(Enabled(f, "ConnectButton"));
  QVERIFY(f.Widget("SWVersionRdG")->isHidden());
  QCOMPARE(f.Find<RadioGroup>("SWVersionRdG")->count(), 0);
}

void FirmwarePageTest::fileStaysChosenWhenTheListIsHiddenAgain() {
  WindowFixture f(45);
  QVERIFY(f.Show());
  PutFirmware(f, "RPU_130", 130);
  Click(f, "ConnectButton");
  f.ui.AnswerYes();
  Pick(f, "DevOperModeRdG", 0);
  Pick(f, "SWVersionRdG", 0);
  Pick(f, "DevOperModeRdG", 1);  // back to the device's family
  QVERIFY(f.Widget("SWVersionRdG")->isHidden());
  QVERIFY(f.Widget("SoftUpdateGrB")->isHidden());
  Click(f, "ExecuteButton");  // the chosen file is still written
  QCOMPARE(f.device->version(), std::uint8_t{130});
}

void FirmwarePageTest::badFileThenFamilyMismatch() {
  WindowFixture f(45);
  QVERIFY(f.Show());
  PutFirmware(f, "RPU_130", 130, 4, '\x13');
  Click(f, "ConnectButton");
  f.ui.AnswerYes();
  Pick(f, "DevOperModeRdG", 0);
  Pick(f, "SWVersionRdG", 0);
  f.ui.Clear();
  Click(f, "ExecuteButton");
  const std::string typeError = "Ошибка: Несовпадение типа прибора - Запись не доступна";
  QCOMPARE(f.ui.Messages(), (std::vector<std::string>{typeError, kMismatch}));
  QCOMPARE(Wire(f), kConnectMain);
}

void FirmwarePageTest::updateFromConnectLeavesChoiceDisabledInDemo() {
  WindowFixture f(100);
  QVERIFY(f.Show());
  PutFirmware(f, "RPU_120", 120);
  f.ui.AnswerYes();
  Click(f, "ConnectButton");
  QCOMPARE(f.device->version(), std::uint8_t{120});
  SetDemo(f, true);
  QVERIFY(f.Widget("DevOperModeRdG")->isVisible() && !Enabled(f, "DevOperModeRdG"));
  QVERIFY(f.Widget("ExecuteButton")->isVisible() && !Enabled(f, "ExecuteButton"));
}

QTEST_MAIN(FirmwarePageTest)
#include "FirmwarePageTest.moc"
