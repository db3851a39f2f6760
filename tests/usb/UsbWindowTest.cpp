// The window on real libusb, as a menu user meets it: no IDs configured, a
// receiver plugged in, "Установить" pressed. The scripted user answers the
// chooser; the choice is remembered and the device connected.
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

#include "app/TMainForm.h"
#include "firmware/FirmwareLibrary.h"
#include "startup/DeviceChooser.h"
#include "startup/UsbIdSettings.h"
#include "tests/support/ScriptedUi.h"
#include "tests/usb/UsbEmulator.h"
#include "transport/LibusbTransport.h"
#include "transport/UdevRule.h"

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
  QTest::addColumn<int>("pick");  // the row picked; -1: cancelled
  QTest::addColumn<bool>("denied");
  QTest::addColumn<QString>("rememberedBefore");
  QTest::addColumn<int>("choosers");
  QTest::addColumn<QString>("remembered");
  QTest::addColumn<QStringList>("boxes");  // a piece of each box, in order
  QTest::addColumn<bool>("asRoot");        // the installer writes the rule itself (answered yes)
  QTest::addColumn<QString>("question");   // a piece of the one question; empty: none
  QTest::addColumn<QString>("status");     // the status line after it all
  QTest::newRow("picked: remembered and connected")
      << 0 << false << "" << 1 << "16c0:05dc" << QStringList{msg::kNoFirmwareFiles} << false << ""
      << "Новых версий прошивок не найдено";
  // A device is plugged in: "no device on the line" would not be true.
  QTest::newRow("cancelled: no device chosen, no box")
      << -1 << false << "" << 1 << "" << QStringList{} << false << "" << msg::kNoDeviceChosen;
  // No pkexec where the installer looks: the rule comes with the commands,
  // the same the command line prints.
  QTest::newRow("access refused: the rule offered")
      << -1 << true << "16c0:05dc" << 0 << "16c0:05dc"
      << QStringList{"Нет прав на доступ к прибору USB 16c0:05dc", msg::kConnectSendFailed,
                     "Нет доступа к прибору 16c0:05dc (USB 1-2) у этого пользователя. Доступ к "
                     "нему "
                     "дает правило udev\nSUBSYSTEM==\"usb\", ATTR{idVendor}==\"16c0\", "
                     "ATTR{idProduct}==\"05dc\", TAG+=\"uaccess\"\nв файле "
                     "/etc/udev/rules.d/70-ortenconf.rules.\nПоставьте его командами (нужны права "
                     "root):\n" +
                         QString::fromStdString(ManualInstallCommands(UsbId{0x16c0, 0x05dc}))}
      << false << "" << "Устанавливается связь с прибором ...";
  // As root no password is asked for: the rule is written at once.
  QTest::newRow("access refused as root: written at once")
      << -1 << true << "16c0:05dc" << 0 << "16c0:05dc"
      << QStringList{"Нет прав на доступ к прибору USB 16c0:05dc", msg::kConnectSendFailed,
                     "Правило udev для 16c0:05dc записано в "}
      << true
      << "Поставить правило сейчас? Программа запущена от root: правило будет записано сразу."
      << "Устанавливается связь с прибором ...";
}

void UsbWindowTest::chooserFromTheConnectButton() {
  QFETCH(int, pick);
  QFETCH(bool, denied);
  QFETCH(QString, rememberedBefore);
  QFETCH(int, choosers);
  QFETCH(QString, remembered);
  QFETCH(QStringList, boxes);
  QFETCH(bool, asRoot);
  QFETCH(QString, question);
  QFETCH(QString, status);
  QTemporaryDir config;
  QTemporaryDir program;
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  qunsetenv("ORTEN_USB_ID");
  if (!rememberedBefore.isEmpty()) {
    QVERIFY(RememberUsbIds(RememberedUsbIdsPath(), {*ParseUsbId(rememberedBefore.toStdString())}));
  }

  test::SharedClock clock;
  test::ClockPacer pacer(clock);
  test::UsbEmulator usb([&clock] { return clock.NowUs(); });
  QVERIFY2(test::UsbEmulator::InMockEnvironment(), "run under umockdev-wrapper");
  test::EmulatedUsbDevice& device =
      usb.Plug({.version = 120, .manufacturer = "Orten", .product = "RPU"});
  if (denied) usb.DenyAccess(device);
  ScriptedUi ui;
  ui.PickDevice(pick >= 0 ? std::optional<std::size_t>(pick) : std::nullopt);
  if (asRoot) ui.AnswerYes();
  LibusbTransport transport([]() -> Result<std::vector<UsbId>> {
    const Result<ConfiguredUsbIds> configured = ResolveUsbIds({});
    if (!configured) return configured.outcome();
    return configured->ids;
  });
  DeviceChooser chooser({}, UdevRuleInstaller({config.path().toStdString(), "", asRoot, ""}));
  {
    TMainForm form(
        AppServices{transport, ui, pacer, nullptr, program.path().toStdString(), {}, &chooser});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    {
      std::optional<test::Unprivileged> asUser;
      if (denied) asUser.emplace();
      QTest::mouseClick(form.findChild<QPushButton*>("ConnectButton"), Qt::LeftButton);
    }

    QCOMPARE(ui.Choices().size(), std::size_t(choosers));
    for (const DeviceChoice& choice : ui.Choices()) {
      QCOMPARE(choice.title, std::string("Выбор прибора"));
      QCOMPARE(choice.items.size(), std::size_t{1});
      QCOMPARE(choice.items[0].product, std::string("RPU"));
    }
    const std::vector<std::string> shown = ui.Messages();
    QCOMPARE(shown.size(), std::size_t(boxes.size()));
    for (std::size_t i = 0; i < shown.size(); ++i) {
      QVERIFY2(QString::fromStdString(shown[i]).contains(boxes[int(i)]), shown[i].c_str());
    }
    const auto asked = ui.Of(ScriptedUi::Kind::Question);
    QCOMPARE(asked.size(), std::size_t(question.isEmpty() ? 0 : 1));
    for (const auto& box : asked) {
      QVERIFY2(QString::fromStdString(box.text).endsWith(question), box.text.c_str());
    }
    QCOMPARE(QString::fromStdString(ui.LastStatus()), status);
    const bool connected = pick >= 0;
    QCOMPARE(form.findChild<QPushButton*>("DisconnectButton")->isEnabled(), connected);
    const std::vector<std::uint8_t> connect{0x55, 0x55, 0xA0, 0xAA, 0x00, 0x00, 0x02, 0x29};
    const std::vector<std::uint8_t> none;
    QCOMPARE(device.WithSim([](SimDevice& sim) { return sim.received(); }),
             connected ? connect : none);
    if (connected) form.findChild<QPushButton*>("DisconnectButton")->click();
  }
  std::vector<UsbId> ids;
  QVERIFY(LoadRememberedUsbIds(RememberedUsbIdsPath(), ids));
  QCOMPARE(QString::fromStdString(ids.empty() ? "" : FormatUsbId(ids[0])), remembered);
  // Only root's installer writes the rule (under the test's own root here).
  QCOMPARE(QDir(config.path()).exists("etc/udev/rules.d/70-ortenconf.rules"), asRoot);
  QDir::setCurrent(QDir::tempPath());  // leave the program's folder before it goes
  qunsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace orten::gui

QTEST_MAIN(orten::gui::UsbWindowTest)
#include "UsbWindowTest.moc"
