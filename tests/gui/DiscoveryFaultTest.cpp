// The window's "no device" path when the transport knows more than "nothing
// plugged in": the usual status and box, then one box with the reason.
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/TMainForm.h"
#include "protocol/DeviceCommands.h"
#include "sim/VirtualPacer.h"
#include "startup/LinkEnvironment.h"
#include "tests/support/ScriptedUi.h"
#include "transport/DiscoveryAdvice.h"
#include "transport/UsbId.h"
#include "widgets/GuardedTabWidget.h"

using namespace orten;
using namespace orten::gui;
using orten::test::ScriptedUi;

Q_DECLARE_METATYPE(orten::LinkFault)

namespace {

// A line on which discovery finds nothing, for the given reason. Any
// transfer would be a fault of the window: nothing was found to talk to.
class EmptyLineTransport final : public Transport {
 public:
  EmptyLineTransport(LinkFault fault, std::string text) : fault_(fault), text_(std::move(text)) {}

  bool DiscoverDevice() override {
    ++discoveries;
    return false;
  }
  std::uint32_t DeviceCount() const override { return 0; }
  bool WriteByte(std::uint8_t) override { return Transfer(); }
  bool WriteChunk(const Chunk&) override { return Transfer(); }
  ReadStatus ReadByte(std::uint8_t&, int) override { return Transfer(), ReadStatus::Failed; }
  ReadStatus ReadChunk(Chunk&, int) override { return Transfer(), ReadStatus::Failed; }
  void FlushWritePipe() override {}
  void FlushReadPipe() override {}
  void DiscardInput() override {}
  void CloseLink() override {}
  PipeState WritePipeState() const override { return PipeState::None; }
  PipeState ReadPipeState() const override { return PipeState::None; }
  std::string LastErrorText() const override { return text_; }
  LinkFault LastFault() const override { return fault_; }

  int discoveries = 0;
  int transfers = 0;

 private:
  bool Transfer() {
    ++transfers;
    return false;
  }
  LinkFault fault_;
  std::string text_;
};

}  // namespace

class DiscoveryFaultTest : public QObject {
  Q_OBJECT

 private slots:
  void reasonFollowsTheNoDeviceBox_data();
  void reasonFollowsTheNoDeviceBox();
};

void DiscoveryFaultTest::reasonFollowsTheNoDeviceBox_data() {
  QTest::addColumn<LinkFault>("fault");
  QTest::addColumn<QString>("transportText");
  // Empty: no box after the usual one. Otherwise the lines the reason box must hold.
  QTest::addColumn<QStringList>("reasonHolds");
  // Set: the program's own USB line instead, with this as the remembered IDs' file.
  QTest::addColumn<QString>("usbConf");
  // What the window is told to say after a plain empty line (the driver, on Windows).
  QTest::addColumn<QString>("advice");

  QTest::newRow("nothing plugged in") << LinkFault::None << "" << QStringList{} << "" << "";
  QTest::newRow("nothing found through the driver: where to check it")
      << LinkFault::None << "" << QStringList{"Диспетчере устройств", "драйвер"} << ""
      << QString(kDriverAdvice);
  // The look's own reason says more than the advice.
  QTest::newRow("a reason wins over the advice")
      << LinkFault::Unavailable << "Other error"
      << QStringList{"Не удалось запустить libusb: Other error"} << "" << QString(kDriverAdvice);
  QTest::newRow("no IDs configured")
      << LinkFault::NotConfigured << QString::fromUtf8(kUsbIdsNotConfigured)
      << QStringList{"Не заданы идентификаторы USB прибора", "«ortenctl usb»",
                     "«ortenctl usb --remember VID:PID»"}
      << "" << "";
  QTest::newRow("libusb did not start")
      << LinkFault::Unavailable << "Other error"
      << QStringList{"Не удалось запустить libusb: Other error"} << "" << "";
  QTest::newRow("access refused")
      << LinkFault::Access << "Access denied (insufficient permissions)"
      << QStringList{"Нет доступа к устройствам USB: Access denied (insufficient permissions)",
                     "/etc/udev/rules.d/70-ortenconf.rules", "TAG+=\"uaccess\"",
                     "sudo udevadm control --reload\nsudo udevadm trigger"}
      << "" << "";
  // A stale transfer fault from before is no reason for an empty line.
  QTest::newRow("earlier timeout")
      << LinkFault::Timeout << "Operation timed out" << QStringList{} << "" << "";
#ifndef _WIN32  // the remembered IDs are how Linux finds the device
  // Read by the connect, not at start: the file's fault is this look's reason.
  QTest::newRow("remembered IDs malformed")
      << LinkFault::None << "" << QStringList{"usb.conf, строка 2", "«mode = \\x1b[2J»"}
      << "usb-id = 1234:abcd\nmode = \x1b[2J\n" << "";
#endif
}

void DiscoveryFaultTest::reasonFollowsTheNoDeviceBox() {
  QFETCH(LinkFault, fault);
  QFETCH(QString, transportText);
  QFETCH(QStringList, reasonHolds);
  QFETCH(QString, usbConf);
  QFETCH(QString, advice);

  QTemporaryDir dir;
  EmptyLineTransport empty(fault, transportText.toStdString());
  Transport* transport = &empty;
  std::unique_ptr<LinkEnvironment> usb;
  if (!usbConf.isEmpty()) {
    QVERIFY(QDir(dir.path()).mkpath("config/ortenconf"));
    QFile conf(dir.filePath("config/ortenconf/usb.conf"));
    QVERIFY(conf.open(QIODevice::WriteOnly) && conf.write(usbConf.toUtf8()) > 0);
    conf.close();
    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
    qunsetenv("ORTEN_USB_ID");
    Result<std::unique_ptr<LinkEnvironment>> made = LinkEnvironment::Create(CommonOptions{});
    QVERIFY2(made, made.outcome().detail.c_str());
    usb = std::move(*made);
    transport = &usb->transport();
  }
  ScriptedUi ui;
  VirtualPacer pacer;
  {
    TMainForm form({*transport, ui, pacer, nullptr, dir.path().toStdString(), {}, nullptr,
                    advice.toStdString()});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::mouseClick(form.findChild<QPushButton*>("ConnectButton"), Qt::LeftButton);

    if (!usb) {
      QCOMPARE(empty.discoveries, 1);
      QCOMPARE(empty.transfers, 0);
    }
    QCOMPARE(ui.Statuses(), std::vector<std::string>{msg::kNoDevices});
    const auto boxes = ui.Of(ScriptedUi::Kind::Message);
    QCOMPARE(boxes.size(), reasonHolds.isEmpty() ? size_t{1} : size_t{2});
    QCOMPARE(boxes[0].text, std::string(msg::kNoDevices));
    QCOMPARE(boxes[0].caption, std::string(kWarningCaption));
    QCOMPARE(boxes[0].icon, BoxIcon::Error);
    if (!reasonHolds.isEmpty()) {
      const QString reason = QString::fromStdString(boxes[1].text);
      for (const QString& part : reasonHolds) QVERIFY2(reason.contains(part), qPrintable(reason));
      QCOMPARE(boxes[1].caption, std::string(kAppTitle));
      QCOMPARE(boxes[1].icon, BoxIcon::Information);
    }
    // Idle, as after any failed connect: only "Установить" usable, still on "Главная".
    QVERIFY(form.findChild<QPushButton*>("ConnectButton")->isEnabled());
    QVERIFY(!form.findChild<QPushButton*>("DisconnectButton")->isEnabled());
    QCOMPARE(form.MainPageC->currentIndex(), int{TMainForm::kFirmwareTab});
    QVERIFY(!form.MainPageC->isTabVisible(TMainForm::kBackupTab));
    QVERIFY(!form.MainPageC->isTabVisible(TMainForm::kRelayTab));
    QVERIFY(ui.Of(ScriptedUi::Kind::Question).empty());
  }
  usb.reset();
  qunsetenv("XDG_CONFIG_HOME");
  QDir::setCurrent(QDir::tempPath());  // the window entered the temporary folder
}

QTEST_MAIN(DiscoveryFaultTest)
#include "DiscoveryFaultTest.moc"
