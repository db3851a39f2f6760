// The window on real libusb, as a menu user meets it: no IDs configured, a
// receiver plugged in, "Установить" pressed. The scripted user answers the
// chooser; the choice is remembered and the device connected.
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/TMainForm.h"
#include "firmware/FirmwareLibrary.h"
#include "startup/DeviceChooser.h"
#include "startup/UsbIdSettings.h"
#include "tests/support/ScriptedUi.h"
#include "tests/usb/UsbEmulator.h"
#include "transport/LibusbTransport.h"

namespace orten::gui {
namespace {

using orten::test::ScriptedUi;

class UsbWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void chooserFromTheConnectButton_data();
  void chooserFromTheConnectButton();
};

void UsbWindowTest::chooserFromTheConnectButton_data() {
  QTest::addColumn<bool>("pick");
  QTest::addColumn<QString>("remembered");
  QTest::addColumn<QStringList>("boxes");
  QTest::newRow("picked: remembered and connected")
      << true << "16c0:05dc" << QStringList{msg::kNoFirmwareFiles};
  QTest::newRow("cancelled: the usual messages")
      << false << ""
      << QStringList{"Приборы марки Ортен отключены от линии USB!",
                     QString::fromStdString(kUsbIdsNotConfigured)};
}

void UsbWindowTest::chooserFromTheConnectButton() {
  QFETCH(bool, pick);
  QFETCH(QString, remembered);
  QFETCH(QStringList, boxes);
  QTemporaryDir config;
  QTemporaryDir program;
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  qunsetenv("ORTEN_USB_ID");

  test::SharedClock clock;
  test::ClockPacer pacer(clock);
  test::UsbEmulator usb([&clock] { return clock.NowUs(); });
  QVERIFY2(test::UsbEmulator::InMockEnvironment(), "run under umockdev-wrapper");
  test::EmulatedUsbDevice& device =
      usb.Plug({.version = 120, .manufacturer = "Orten", .product = "RPU"});
  ScriptedUi ui;
  ui.PickDevice(pick ? std::optional<std::size_t>(0) : std::nullopt);
  LibusbTransport transport([](std::vector<UsbId>& ids, std::string& error) {
    ConfiguredUsbIds configured;
    if (ResolveUsbIds({}, configured, error) != UsbIdProblem::None) return false;
    ids = configured.ids;
    return true;
  });
  DeviceChooser chooser({}, UdevRuleInstaller({config.path().toStdString(), "", false, ""}));
  {
    TMainForm form(
        AppServices{transport, ui, pacer, nullptr, program.path().toStdString(), {}, &chooser});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::mouseClick(form.findChild<QPushButton*>("ConnectButton"), Qt::LeftButton);

    QCOMPARE(ui.Choices().size(), std::size_t{1});
    QCOMPARE(ui.Choices()[0].title, std::string("Выбор прибора"));
    QCOMPARE(ui.Choices()[0].items.size(), std::size_t{1});
    QCOMPARE(ui.Choices()[0].items[0].product, std::string("RPU"));
    QStringList shown;
    for (const std::string& box : ui.Messages()) shown << QString::fromStdString(box);
    QCOMPARE(shown, boxes);
    QCOMPARE(form.findChild<QPushButton*>("DisconnectButton")->isEnabled(), pick);
    const std::vector<std::uint8_t> connect{0x55, 0x55, 0xA0, 0xAA, 0x00, 0x00, 0x02, 0x29};
    const std::vector<std::uint8_t> none;
    QCOMPARE(device.WithSim([](SimDevice& sim) { return sim.received(); }), pick ? connect : none);
    if (pick) form.findChild<QPushButton*>("DisconnectButton")->click();
  }
  std::vector<UsbId> ids;
  std::string error;
  QVERIFY(LoadRememberedUsbIds(RememberedUsbIdsPath(), ids, error));
  QCOMPARE(QString::fromStdString(ids.empty() ? "" : FormatUsbId(ids[0])), remembered);
  QDir::setCurrent(QDir::tempPath());  // leave the program's folder before it goes
  qunsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace orten::gui

QTEST_MAIN(orten::gui::UsbWindowTest)
#include "UsbWindowTest.moc"
