// Connecting and disconnecting through the window, on the simulated line:
// discovery outcomes, the device facts, the newer-firmware offer and the
// update that follows it.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "sim/SimState.h"
#include "tests/gui/WindowFixture.h"
#include "widgets/GuardedTabWidget.h"
#include "widgets/RadioGroup.h"

using namespace orten;
using namespace orten::gui;
using namespace orten::gui::test;
using Kind = ScriptedUi::Kind;

Q_DECLARE_METATYPE(orten::SimFaults)

namespace {

QString Label(const WindowFixture& f, const char* name) {
  return f.Find<QLabel>(name)->text();
}

bool Idle(const WindowFixture& f) {
  return f.Enabled("ConnectButton") && !f.Enabled("DisconnectButton") &&
         f.form->MainPageC->currentIndex() == 0 && !f.form->MainPageC->isTabVisible(1) &&
         !f.form->MainPageC->isTabVisible(2);
}

}  // namespace

class ConnectWorkflowTest : public QObject {
  Q_OBJECT

 private slots:
  void noDevice();
  void severalDevices();
  void badReplyLeavesTheWindowIdle_data();
  void badReplyLeavesTheWindowIdle();
  void connectShowsTheDeviceAndItsFamily_data();
  void connectShowsTheDeviceAndItsFamily();
  void noFirmwareOfTheFamily();
  void equalVersionIsNotOffered();
  void newerFirmwareDeclinedStaysConnected();
  void newerFirmwareInstalledWithoutDisconnectCommand();
  void rejectedFirmwareStillDisconnects();
  void disconnectReturnsToIdle();
  void pipesStayOpenUntilTheWindowCloses_data();
  void pipesStayOpenUntilTheWindowCloses();
};

void ConnectWorkflowTest::noDevice() {
  WindowFixture f;
  QVERIFY(f.Show());
  f.device->Unplug();
  f.Click("ConnectButton");
  QCOMPARE(f.ui.Statuses(),
           (std::vector<std::string>{"Приборы марки Ортен отключены от линии USB!"}));
  const auto boxes = f.ui.Of(Kind::Message);
  QCOMPARE(boxes.size(), size_t{1});
  QCOMPARE(boxes[0].text, std::string("Приборы марки Ортен отключены от линии USB!"));
  QCOMPARE(boxes[0].caption, std::string("Внимание!"));
  QCOMPARE(boxes[0].icon, BoxIcon::Error);
  QVERIFY(Idle(f));
}

void ConnectWorkflowTest::severalDevices() {
  WindowFixture f;
  QVERIFY(f.Show());
  f.bus.Attach(120);
  f.Click("ConnectButton");
  QCOMPARE(f.ui.LastStatus(),
           std::string(
               "Подключено более 1 прибора марки Ортен! Оставьте только 1 прибор на линии USB!"));
  QCOMPARE(f.ui.Messages(),
           (std::vector<std::string>{
               "Подключено более 1 прибора марки Ортен!\nОставьте только 1 прибор на линии USB!"}));
  QVERIFY(Idle(f));
  QVERIFY(f.device->received().empty());
}

void ConnectWorkflowTest::badReplyLeavesTheWindowIdle_data() {
  QTest::addColumn<bool>("badSync");
  QTest::addColumn<QString>("message");
  QTest::newRow("bad sync") << true << "Ответ получен. Пакет неверный !";
  QTest::newRow("bad checksum") << false << "Ответ получен. Ошибка CRC !";
}

void ConnectWorkflowTest::badReplyLeavesTheWindowIdle() {
  QFETCH(bool, badSync);
  QFETCH(QString, message);
  WindowFixture f;
  QVERIFY(f.Show());
  SimFaults faults;
  (badSync ? faults.badSync : faults.badChecksum) = true;
  f.device->set_faults(faults);
  f.Click("ConnectButton");
  QCOMPARE(f.ui.Messages(), std::vector<std::string>{message.toStdString()});
  QVERIFY(Idle(f));
  QCOMPARE(f.form->state().DeviceMode, DeviceMode::None);
  QVERIFY(f.Widget("DevOperModeRdG")->isHidden());
  QCOMPARE(Label(f, "DevTypeLabel2"), QString());
}

void ConnectWorkflowTest::connectShowsTheDeviceAndItsFamily_data() {
  QTest::addColumn<int>("version");
  QTest::addColumn<int>("item");
  QTest::addColumn<QString>("type");
  QTest::addColumn<QString>("versionText");
  QTest::newRow("relay module 45") << 45 << 1 << "Модуль реле и оповещения (МРО)"
                                   << "4_5";
  QTest::newRow("receiver 120") << 120 << 0 << "Радиоприемное устройство (РПУ/РТР)"
                                << "12_0";
}

void ConnectWorkflowTest::connectShowsTheDeviceAndItsFamily() {
  QFETCH(int, version);
  QFETCH(int, item);
  QFETCH(QString, type);
  QFETCH(QString, versionText);
  WindowFixture f(static_cast<std::uint8_t>(version));
  QVERIFY(f.Show());
  f.Click("ConnectButton");
  QCOMPARE(f.Wire(), kConnectMain);
  QCOMPARE(Label(f, "DevTypeLabel2"), type);
  QCOMPARE(Label(f, "Dev2TypeLabel2"), type);
  QCOMPARE(Label(f, "CurrentSoftVerLabel2"), versionText);
  auto* family = f.Find<RadioGroup>("DevOperModeRdG");
  QCOMPARE(family->itemIndex(), item);
  QVERIFY(family->isVisible() && family->isEnabled());
  QVERIFY(f.Widget("ExecuteButton")->isVisible() && f.Enabled("ExecuteButton"));
  QVERIFY(f.Widget("SWVersionRdG")->isHidden());
  QVERIFY(f.Widget("SoftUpdateGrB")->isHidden());
  QVERIFY(!f.Enabled("ConnectButton") && f.Enabled("DisconnectButton"));
  const std::vector<std::string> start{"Обнаружен прибор марки Ортен на линии USB!",
                                       "Устанавливается связь с прибором ...",
                                       "Связь с прибором установлена",
                                       "Связь с прибором установлена!",
                                       "Проверка наличия новых версий прошивок ...",
                                       "Новых версий прошивок не найдено"};
  QCOMPARE(f.ui.Statuses(), start);
  QCOMPARE(f.pacer.pauses(), (std::vector<int>{100, 100}));
}

void ConnectWorkflowTest::noFirmwareOfTheFamily() {
  WindowFixture f(45);
  QVERIFY(f.Show());
  f.PutFirmware("RPU_130", 130);  // the other family's only
  f.Click("ConnectButton");
  const auto boxes = f.ui.Of(Kind::Message);
  QCOMPARE(boxes.size(), size_t{1});
  QCOMPARE(boxes[0].text,
           std::string("Внимание!\nВ папке Base не найдено ни одного файла прошивок!"));
  QCOMPARE(boxes[0].caption, std::string("Системное сообщение"));
  QCOMPARE(f.ui.LastStatus(), std::string("Новых версий прошивок не найдено"));
  QVERIFY(f.Enabled("DisconnectButton"));
}

void ConnectWorkflowTest::equalVersionIsNotOffered() {
  WindowFixture f(120);
  QVERIFY(f.Show());
  f.PutFirmware("RPU_99", 99);
  f.PutFirmware("RPU_120", 120);
  f.Click("ConnectButton");
  QVERIFY(f.ui.Of(Kind::Question).empty());
  QCOMPARE(f.ui.LastStatus(), std::string("Новых версий прошивок не найдено"));
}

void ConnectWorkflowTest::newerFirmwareDeclinedStaysConnected() {
  WindowFixture f(100);
  QVERIFY(f.Show());
  f.PutFirmware("RPU_99", 99);
  f.PutFirmware("RPU_120", 120);
  f.Click("ConnectButton");  // no answer scripted: No
  const auto questions = f.ui.Of(Kind::Question);
  QCOMPARE(questions.size(), size_t{1});
  QCOMPARE(questions[0].text,
           std::string("Найдена более свежая прошивка - RPU_120.\nЖелаете обновить?"));
  QCOMPARE(questions[0].caption, std::string("Системное сообщение"));
  QCOMPARE(questions[0].icon, BoxIcon::None);
  QCOMPARE(f.form->statusText(), QString());
  QVERIFY(f.Enabled("DisconnectButton") && f.Enabled("ExecuteButton"));
  QCOMPARE(f.Wire(), kConnectMain);
}

void ConnectWorkflowTest::newerFirmwareInstalledWithoutDisconnectCommand() {
  WindowFixture f(100);
  QVERIFY(f.Show());
  f.PutFirmware("RPU_99", 99);
  f.PutFirmware("RPU_120", 120, 5);
  f.ui.AnswerYes();
  f.Click("ConnectButton");
  QCOMPARE(f.device->version(), std::uint8_t{120});
  QCOMPARE(f.ui.Messages(), std::vector<std::string>{"Прошивка загружена успешно"});
  // The connect, the image and no disconnect after it; then, once the
  // device has restarted, the check of its version: connect and disconnect.
  QCOMPARE(f.Wire().size(), qsizetype{8 + 330 + 8 + 8});
  QCOMPARE(f.Wire().sliced(8 + 330), kConnectMain + kDisconnect);
  QCOMPARE(f.device->disconnectCount(), 1);
  const std::vector<std::string> statuses = f.ui.Statuses();
  const auto waiting = std::find(statuses.begin(), statuses.end(),
                                 "Проверка прошивки: ожидание перезапуска прибора ...");
  QVERIFY(waiting != statuses.end());  // the window says why it waits
  QCOMPARE(*(waiting + 1), std::string("Прошивка загружена успешно"));
  QVERIFY(Idle(f));
  QCOMPARE(f.form->statusText(), QString());
  QCOMPARE(f.form->MainProgressB->value(), 0);
  QVERIFY(f.form->state().DisconnectDue);  // the next disconnect sends the command again

  f.ui.Clear();
  f.Click("ConnectButton");
  QCOMPARE(Label(f, "CurrentSoftVerLabel2"), QString("12_0"));
  QVERIFY(f.ui.Of(Kind::Question).empty());
  f.Click("DisconnectButton");
  QCOMPARE(f.device->disconnectCount(), 2);
  QVERIFY(f.Wire().endsWith(kDisconnect));
}

void ConnectWorkflowTest::rejectedFirmwareStillDisconnects() {
  WindowFixture f(100);
  QVERIFY(f.Show());
  f.PutFirmware("RPU_120", 120);
  f.device->set_faults({.reject = true});
  f.ui.AnswerYes();
  f.Click("ConnectButton");
  QCOMPARE(f.device->version(), std::uint8_t{100});
  QCOMPARE(f.ui.Messages(), std::vector<std::string>{"Ошибка: Прошивка не загружена"});
  QVERIFY(Idle(f));
  QVERIFY(f.Wire().endsWith(kDisconnect));
}

void ConnectWorkflowTest::disconnectReturnsToIdle() {
  WindowFixture f(45);
  QVERIFY(f.Show());
  f.Click("ConnectButton");
  f.form->SetProgress(40);
  f.Click("DisconnectButton");
  QCOMPARE(f.Wire(), kConnectMain + kDisconnect);
  QVERIFY(Idle(f));
  // The status line and the progress bar keep what they showed.
  QCOMPARE(f.form->statusText(), QString("Новых версий прошивок не найдено"));
  QCOMPARE(f.form->MainProgressB->value(), 40);
  QCOMPARE(f.form->state().DeviceMode, DeviceMode::None);
  for (const char* label : {"DevTypeLabel2", "CurrentSoftVerLabel2", "Dev2TypeLabel2"}) {
    if (QString(label) != "Dev2TypeLabel2") QCOMPARE(Label(f, label), QString());
  }
  for (const char* hidden : {"DevOperModeRdG", "ExecuteButton", "SWVersionRdG", "SoftUpdateGrB"}) {
    QVERIFY2(f.Widget(hidden)->isHidden(), hidden);
  }
  QCOMPARE(f.transport.closeCount(), 0);  // the pipes stay open until the window closes
}

// The pipes live from a connect until the window closes: a disconnect or a
// failed connect leaves them open, and the next connect replaces them. Pipes
// that would not open, a device gone and the simulated device's state file
// (whose lock keeps the other programs out) are let go at once.
void ConnectWorkflowTest::pipesStayOpenUntilTheWindowCloses_data() {
  QTest::addColumn<SimFaults>("faults");  // none: the connect works, then "Разорвать"
  QTest::addColumn<bool>("stateFile");
  QTest::addColumn<bool>("letGo");
  QTest::newRow("Разорвать") << SimFaults{} << false << false;
  QTest::newRow("Разорвать, state file") << SimFaults{} << true << true;
  QTest::newRow("no answer") << SimFaults{.readTimeoutAtByte = 0} << false << false;
  QTest::newRow("no answer, state file") << SimFaults{.readTimeoutAtByte = 0} << true << true;
  QTest::newRow("pipes that would not open") << SimFaults{.pipeOpenFails = true} << false << true;
  QTest::newRow("device gone") << SimFaults{.unplugAtReadByte = 0} << false << true;
}

void ConnectWorkflowTest::pipesStayOpenUntilTheWindowCloses() {
  QFETCH(SimFaults, faults);
  QFETCH(bool, stateFile);
  QFETCH(bool, letGo);
  std::unique_ptr<SimStateFile> file;  // outlives the window, which may close it
  WindowFixture f(45);
  if (stateFile) {
    file = std::make_unique<SimStateFile>(QDir(f.Folder()).filePath("sim.state").toStdString(),
                                          *f.device);
    f.transport.KeepStateIn(file.get());
  }
  QVERIFY(f.Show());
  f.device->set_faults(faults);
  f.Click("ConnectButton");
  if (f.Enabled("DisconnectButton")) f.Click("DisconnectButton");
  QVERIFY(Idle(f));
  QCOMPARE(f.transport.closeCount(), letGo ? 1 : 0);
  if (file) QCOMPARE(file->taken(), !letGo);
  QVERIFY(f.form->close());
  QCOMPARE(f.transport.closeCount(), 1);
}

QTEST_MAIN(ConnectWorkflowTest)
#include "ConnectWorkflowTest.moc"
