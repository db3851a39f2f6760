#include <QTest>

#include "app/CommandLine.h"

using orten::gui::GuiOptions;
using orten::gui::ParseGuiOptions;

class CommandLineTest : public QObject {
  Q_OBJECT

 private slots:
  void parse_data();
  void parse();
  void usageIsRussianAndComplete();
};

void CommandLineTest::parse_data() {
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<bool>("ok");
  QTest::addColumn<bool>("help");
  QTest::addColumn<QString>("simulate");
  QTest::addColumn<QString>("dataDir");
  QTest::addColumn<QStringList>("rest");
  QTest::addColumn<QString>("openFolder");
  QTest::newRow("nothing") << QStringList{} << true << false << ""
                           << "" << QStringList{} << "";
  QTest::newRow("help") << QStringList{"--help"} << true << true << ""
                        << "" << QStringList{} << "";
  QTest::newRow("short help") << QStringList{"-h"} << true << true << ""
                              << "" << QStringList{} << "";
  // An absolute folder stays as given (on Windows "/tmp/x" would mean the current drive's).
#ifdef _WIN32
  const QString folder = "C:\\tmp\\x";
#else
  const QString folder = "/tmp/x";
#endif
  QTest::newRow("simulate and folder") << QStringList{"--simulate", "mro", "--data-dir=" + folder}
                                       << true << false << "mro" << folder << QStringList{} << "";
  QTest::newRow("bad family") << QStringList{"--simulate", "xyz"} << false << false << ""
                              << "" << QStringList{} << "";
  QTest::newRow("missing value") << QStringList{"--data-dir"} << false << false << ""
                                 << "" << QStringList{} << "";
  QTest::newRow("Qt's own options pass")
      << QStringList{"-platform", "offscreen", "--simulate=rpu"} << true << false << "rpu"
      << "" << QStringList{"-platform", "offscreen"} << "";
  QTest::newRow("a data folder to open") << QStringList{"--open-folder", "Base"} << true << false
                                         << "" << "" << QStringList{} << "Base";
  QTest::newRow("a data folder to open, one word")
      << QStringList{"--open-folder=ReleCfg", "--data-dir=" + folder} << true << false << ""
      << folder << QStringList{} << "ReleCfg";
  // Only the program's own folders: the option opens nothing else.
  QTest::newRow("no other folder") << QStringList{"--open-folder", ".."} << false << false << ""
                                   << "" << QStringList{} << "";
  QTest::newRow("a folder to open, but which")
      << QStringList{"--open-folder"} << false << false << "" << "" << QStringList{} << "";
  QTest::newRow("unknown left for the check after Qt")
      << QStringList{"--bogus"} << true << false << ""
      << "" << QStringList{"--bogus"} << "";
}

void CommandLineTest::parse() {
  QFETCH(QStringList, args);
  QFETCH(bool, ok);
  QFETCH(bool, help);
  QFETCH(QString, simulate);
  QFETCH(QString, dataDir);
  QFETCH(QStringList, rest);
  QFETCH(QString, openFolder);
  std::vector<std::string> in;
  for (const QString& a : args) in.push_back(a.toStdString());
  GuiOptions options;
  const orten::Outcome parsed = ParseGuiOptions(in, options);
  const std::string& error = parsed.detail;
  QCOMPARE(parsed.ok(), ok);
  if (!ok) {
    QVERIFY(!error.empty());
    return;
  }
  QCOMPARE(options.help, help);
  QCOMPARE(QString::fromStdString(options.common.simulate.value_or("")), simulate);
  QCOMPARE(QString::fromStdString(options.common.dataDir), dataDir);
  QStringList restOut;
  for (const std::string& r : options.rest) restOut << QString::fromStdString(r);
  QCOMPARE(restOut, rest);
  QCOMPARE(QString::fromStdString(options.openFolder), openFolder);
}

void CommandLineTest::usageIsRussianAndComplete() {
  const QString usage = QString::fromStdString(orten::gui::UsageText());
  QVERIFY(usage.startsWith("Использование: ortenconf"));
  QStringList options{"--simulate", "--sim-state", "--sim-fault", "--sim-skip-waits",
                      "--data-dir", "--trace",     "--help",      "--version", "--open-folder"};
#ifndef _WIN32
  options << "--usb-id";  // USB IDs pick the device on Linux only
#endif
  for (const QString& option : options) QVERIFY2(usage.contains(option), qPrintable(option));
}

QTEST_MAIN(CommandLineTest)
#include "CommandLineTest.moc"
