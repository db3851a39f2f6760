// The relay page's settings travelling: read from and written to the
// simulated device, loaded from and saved to .cfg files, and the factory
// settings button.
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QPushButton>

#include "ops/Journal.h"
#include "protocol/Packets.h"
#include "tests/gui/RelayTestSupport.h"

using namespace orten;
using namespace orten::gui;
using namespace orten::gui::test;
using Kind = ScriptedUi::Kind;

namespace {

const QByteArray kReadRequest("\x55\x55\x93\x01\x07\x00\x7E\xBD", 8);
const QByteArray kWriteRequest("\x55\x55\x94\x01\x07\x00\x7F\xC9", 8);
constexpr std::size_t kSettingsPage = 7 * 256;

ReleTable SomeTable() {
  std::mt19937 rng(45);
  return RandomValidTable(rng);
}

QByteArray Bytes(const std::vector<std::uint8_t>& v) {
  return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

QString CfgText(const ReleTable& t, const QString& separator = "\r\n") {
  QStringList values;
  for (std::int32_t v : t) values << QString::number(v);
  return values.join(separator) + separator;
}

QString PutCfg(const WindowFixture& f, const QString& name, const QString& text) {
  const QString path = QDir(f.Folder()).filePath("ReleCfg/" + name);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return {};
  file.write(text.toUtf8());
  return path;
}

QByteArray Slurp(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void CheckDialog(const WindowFixture& f, const char* title, const char* name) {
  QCOMPARE(f.ui.Dialogs().size(), size_t{1});
  const FileDialogRequest& d = f.ui.Dialogs()[0];
  QCOMPARE(d.title, std::string(title));
  QCOMPARE(d.defaultName, std::string(name));
  QCOMPARE(d.defaultSuffix, std::string("cfg"));
  QCOMPARE(d.filter, std::string("Файлы конфигурации (*.cfg)"));
  QCOMPARE(QDir(QString::fromStdString(d.folder)), QDir(QDir(f.Folder()).filePath("ReleCfg")));
}

}  // namespace

class RelayTransferTest : public QObject {
  Q_OBJECT

 private slots:
  void readShowsTheDevicesSettings();
  void writeSendsTheControls_data();
  void writeSendsTheControls();
  void failedReadLeavesTheControls_data();
  void failedReadLeavesTheControls();
  void rejectedWriteSaysSo();
  void journalRecordsTheWrites_data();
  void journalRecordsTheWrites();
  void loadAcceptsTokensAnyhowSeparated_data();
  void loadAcceptsTokensAnyhowSeparated();
  void loadRefusesBadFiles_data();
  void loadRefusesBadFiles();
  void cancelledDialogsChangeNothing();
  void timePeriod3AfterLoadAndAfterClick();
  void saveWritesTheControls();
  void saveWritesReservedAsZero();
  void failedSaveKeepsTheOldFile();
  void defaultButtonRestoresTheFactorySettings();
};

void RelayTransferTest::readShowsTheDevicesSettings() {
  WindowFixture f;
  QVERIFY(f.Show());
  OpenRelayPageOnline(f);
  const ReleTable t = SomeTable();
  for (std::size_t i = 0; i < 256; ++i) {
    f.device->memory()[kSettingsPage + i] = static_cast<std::uint8_t>(i < 45 ? t[i] : 0xEE);
  }
  const QByteArray before = f.Wire();
  f.ui.Clear();
  f.Click("ReadButton");
  QCOMPARE(f.Wire(), before + kReadRequest);
  QCOMPARE(Collect(f), t);
  const auto boxes = f.ui.Of(Kind::Message);
  QCOMPARE(boxes.size(), size_t{1});
  QCOMPARE(boxes[0].text, std::string("Настройки реле считаны успешно"));
  QCOMPARE(boxes[0].caption, std::string("Программа настройки РПУ Ортен-ДЕЗ"));
  QCOMPARE(f.ui.LastStatus(), std::string("Настройки реле считаны успешно"));
  QCOMPARE(f.ui.Progress().back(), 0);
  QVERIFY(f.Enabled("SaveButton"));
}

void RelayTransferTest::writeSendsTheControls_data() {
  QTest::addColumn<bool>("zeros");
  QTest::newRow("zero table") << true;
  QTest::newRow("settings") << false;
}

void RelayTransferTest::writeSendsTheControls() {
  QFETCH(bool, zeros);
  WindowFixture f;
  QVERIFY(f.Show());
  OpenRelayPageOnline(f);
  const ReleTable t = zeros ? ReleTable{} : SomeTable();
  Show(f, t);
  const QByteArray before = f.Wire();
  f.ui.Clear();
  f.pacer.Clear();
  f.Click("WriteButton");

  std::vector<std::int32_t> payload(256, 0);
  std::copy(t.begin(), t.end(), payload.begin());
  const QByteArray frame = Bytes(BuildDataFrame(payload));
  QCOMPARE(frame.size(), qsizetype{260});
  if (zeros) QVERIFY(frame.endsWith(QByteArray("\x5E\x92", 2)));
  QCOMPARE(f.Wire(), before + kWriteRequest + frame);
  for (std::size_t i = 0; i < 45; ++i) QCOMPARE(int{f.device->memory()[kSettingsPage + i]}, t[i]);
  QCOMPARE(f.pacer.pauses(), std::vector<int>(8, 10));
  const std::vector<int> progress = f.ui.Progress();
  QCOMPARE(progress[1], 3);
  QCOMPARE(progress[progress.size() - 3], 98);
  QCOMPARE(progress[progress.size() - 2], 100);
  QCOMPARE(progress.back(), 0);
  QCOMPARE(f.ui.Statuses().front(), std::string("Запись настроек реле в прибор ..."));
  QCOMPARE(f.ui.LastStatus(), std::string("Настройки реле загружены успешно"));
  QCOMPARE(f.ui.Messages(), std::vector<std::string>{"Настройки реле загружены успешно"});
}

void RelayTransferTest::failedReadLeavesTheControls_data() {
  QTest::addColumn<int>("fault");
  QTest::addColumn<QString>("status");
  QTest::addColumn<bool>("box");
  QTest::newRow("checksum error: status only")
      << 0 << "Ошибка CRC! Параметры не считаны !" << false;
  QTest::newRow("bad sync") << 1 << "Нет ответа от прибора !" << true;
  QTest::newRow("device falls silent mid-frame") << 2 << "" << true;
}

void RelayTransferTest::failedReadLeavesTheControls() {
  QFETCH(int, fault);
  QFETCH(QString, status);
  QFETCH(bool, box);
  WindowFixture f;
  QVERIFY(f.Show());
  OpenRelayPageOnline(f);
  const ReleTable shown = SomeTable();
  Show(f, shown);
  f.device->memory()[kSettingsPage] = 0;
  if (fault == 0) f.device->set_faults({.badChecksum = true});
  if (fault == 1) f.device->set_faults({.badSync = true});
  if (fault == 2) f.device->set_faults({.readTimeoutAtByte = 100});
  f.ui.Clear();
  f.Click("ReadButton");
  QCOMPARE(Collect(f), shown);
  const std::vector<std::string> boxes = f.ui.Messages();
  QCOMPARE(!boxes.empty(), box);
  for (const std::string& text : boxes) QVERIFY(text.find("успешно") == std::string::npos);
  if (!status.isEmpty()) QCOMPARE(f.ui.LastStatus(), status.toStdString());
  QVERIFY(f.ui.LastStatus().find("успешно") == std::string::npos);
}

void RelayTransferTest::rejectedWriteSaysSo() {
  WindowFixture f;
  QVERIFY(f.Show());
  OpenRelayPageOnline(f);
  f.device->set_faults({.reject = true});
  f.ui.Clear();
  f.Click("WriteButton");
  QVERIFY(f.ui.Messages().empty());
  QCOMPARE(f.ui.LastStatus(), std::string("Ошибка: Параметры не загружены"));
  QCOMPARE(f.ui.Progress().back(), 0);
}

void RelayTransferTest::journalRecordsTheWrites_data() {
  QTest::addColumn<bool>("loaded");   // the settings came from a file
  QTest::addColumn<bool>("blocked");  // a folder stands where the journal goes
  QTest::newRow("loaded from a file") << true << false;
  QTest::newRow("shown, from no file") << false << false;
  QTest::newRow("journal blocked by a folder") << true << true;
}

void RelayTransferTest::journalRecordsTheWrites() {
  QFETCH(bool, loaded);
  QFETCH(bool, blocked);
  WindowFixture f;
  const QString journal = QDir(f.Folder()).filePath("journal.csv");
  if (blocked) QVERIFY(QDir().mkpath(journal));
  QVERIFY(f.Show());
  OpenRelayPageOnline(f);
  const ReleTable t = SomeTable();
  if (loaded) {
    f.ui.ChooseFile(PutCfg(f, "X.cfg", CfgText(t)).toStdString());
    f.Click("LoadButton");
  } else {
    Show(f, t);
  }
  f.ui.Clear();
  f.Click("WriteButton");
  f.Click("WriteButton");
  QCoreApplication::processEvents();  // a journal that failed is told once the window is idle
  std::vector<std::string> boxes = f.ui.Messages();
  const auto failures = std::count_if(boxes.begin(), boxes.end(), [](const std::string& b) {
    return b.rfind("Не удается записать журнал", 0) == 0;
  });
  QCOMPARE(failures, blocked ? 1 : 0);
  QCOMPARE(std::count(boxes.begin(), boxes.end(), "Настройки реле загружены успешно"), 2);
  QCOMPARE(boxes.size(), std::size_t(2 + failures));
  if (blocked) return;
  const JournalText text = ParseJournal(Slurp(journal).toStdString());
  QCOMPARE(text.records.size(), std::size_t{2});
  const JournalRecord& r = text.records[1];
  QCOMPARE(r.program, std::string("ortenconf"));
  QCOMPARE(r.operation, std::string("write-settings"));
  QCOMPARE(r.familyBefore + " " + r.versionBefore, std::string("mro 4_5"));
  QCOMPARE(r.file, std::string(loaded ? "X.cfg" : ""));
  QCOMPARE(r.sha256, QCryptographicHash::hash(CfgText(t).toUtf8(), QCryptographicHash::Sha256)
                         .toHex()
                         .toStdString());
  QCOMPARE(r.outcome, std::string("done"));
  QCOMPARE(r.message, std::string("Настройки реле загружены успешно"));  // as the window said
}

void RelayTransferTest::loadAcceptsTokensAnyhowSeparated_data() {
  QTest::addColumn<QString>("text");
  const ReleTable t = SomeTable();
  QTest::newRow("one per line, CR LF") << CfgText(t);
  QTest::newRow("one per line, LF") << CfgText(t, "\n");
  QTest::newRow("blanks on one line") << CfgText(t, " ");
  const QStringList tokens = CfgText(t, " ").split(' ', Qt::SkipEmptyParts);
  QString mixed = "  ";
  for (qsizetype i = 0; i < tokens.size(); ++i)
    mixed += tokens[i] + (i % 4 == 3 ? "\r\n\t " : "  ");
  QTest::newRow("tokens across lines") << mixed;
  QTest::newRow("extra lines ignored") << CfgText(t) + "999\r\nnot a number\r\n-5\r\n";
}

void RelayTransferTest::loadAcceptsTokensAnyhowSeparated() {
  QFETCH(QString, text);
  WindowFixture f;
  const QString path = PutCfg(f, "load.cfg", text);
  f.ui.ChooseFile(path.toStdString());
  f.ui.Clear();
  f.form->MainPageC->setCurrentIndex(2);
  f.form->LoadButtonClick();
  QCOMPARE(Collect(f), SomeTable());
  QCOMPARE(f.ui.Statuses(), (std::vector<std::string>{"Чтение настроек реле из файла",
                                                      "Настройки реле успешно считаны"}));
  QVERIFY(f.ui.Messages().empty());
  CheckDialog(f, "Открытие файла настроек реле", "");
}

void RelayTransferTest::loadRefusesBadFiles_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QStringList>("said");  // pieces of the message
  QString text = CfgText(SomeTable());
  QTest::newRow("44 values") << text.section("\r\n", 0, 43) + "\r\n"
                             << QStringList{"bad.cfg", "44"};
  QStringList lines = text.split("\r\n");
  lines[6] = "1x";
  QTest::newRow("not a number") << lines.join("\r\n") << QStringList{"bad.cfg", "строка 7", "1x"};
  lines = text.split("\r\n");
  lines[44] = "256";
  QTest::newRow("above 255") << lines.join("\r\n") << QStringList{"bad.cfg", "строка 45", "256"};
  lines = text.split("\r\n");
  lines[0] = "-1";
  QTest::newRow("negative") << lines.join("\r\n") << QStringList{"bad.cfg", "строка 1", "-1"};
}

void RelayTransferTest::loadRefusesBadFiles() {
  QFETCH(QString, text);
  QFETCH(QStringList, said);
  WindowFixture f;
  const ReleTable shown = SomeTable();
  Show(f, ReleTable{});
  Show(f, shown);
  f.ui.ChooseFile(PutCfg(f, "bad.cfg", text).toStdString());
  f.form->MainPageC->setCurrentIndex(2);
  f.form->LoadButtonClick();
  QCOMPARE(Collect(f), shown);
  const std::vector<std::string> boxes = f.ui.Messages();
  QCOMPARE(boxes.size(), size_t{1});
  for (const QString& piece : said) {
    QVERIFY2(QString::fromStdString(boxes[0]).contains(piece), boxes[0].c_str());
  }
  QCOMPARE(f.ui.LastStatus(), std::string("Настройки реле не считаны"));
}

void RelayTransferTest::cancelledDialogsChangeNothing() {
  WindowFixture f;
  Show(f, SomeTable());
  f.form->MainPageC->setCurrentIndex(2);
  f.ui.Clear();
  f.form->LoadButtonClick();
  f.form->SaveButtonClick();
  QCOMPARE(Collect(f), SomeTable());
  // Each says what it sets out to do; a cancel leaves that on the status line.
  QCOMPARE(f.ui.Statuses(), (std::vector<std::string>{"Чтение настроек реле из файла",
                                                      "Сохранение настроек реле в файл"}));
  QCOMPARE(f.form->statusText(), QString("Сохранение настроек реле в файл"));
  QVERIFY(f.ui.Messages().empty());
  QVERIFY(QDir(QDir(f.Folder()).filePath("ReleCfg")).isEmpty());
}

// Loaded, the open-collector output's duration is free in any mode; chosen
// by the user, only "Звуковой" and "Специальный" leave it free.
void RelayTransferTest::timePeriod3AfterLoadAndAfterClick() {
  WindowFixture f;
  QVERIFY(f.Show());
  OpenRelayPageInDemo(f);
  ShowOutputPage(f, 3);
  ReleTable t = kFactoryReleSettings;
  t[static_cast<std::size_t>(rele::ModeEntry(3))] = 1;  // "ПЦН тревога"
  t[static_cast<std::size_t>(rele::DurationEntry(3))] = 30;
  f.ui.ChooseFile(PutCfg(f, "pcn.cfg", CfgText(t)).toStdString());
  f.Click("LoadButton");
  auto* duration = f.Find<QComboBox>("TimePeriod3");
  QVERIFY(duration->isEnabled());
  QCOMPARE(duration->currentIndex(), 30);
  const std::pair<int, bool> clicks[] = {{4, false}, {0, false}, {3, true}, {5, false}, {6, true}};
  for (const auto& [item, enabled] : clicks) {
    f.Pick("ReleWorkMode3", item);
    QVERIFY2(duration->isEnabled() == enabled, kWorkModeNames[static_cast<std::size_t>(item)]);
  }
  f.Pick("ReleWorkMode3", 0);
  QCOMPARE(duration->currentText(), QString("---"));
}

void RelayTransferTest::saveWritesTheControls() {
  WindowFixture f;
  const ReleTable t = SomeTable();
  Show(f, t);
  const QString path = QDir(f.Folder()).filePath("ReleCfg/DEZ_MRO.cfg");
  f.ui.ChooseFile(path.toStdString());
  f.form->MainPageC->setCurrentIndex(2);
  f.ui.Clear();
  f.form->SaveButtonClick();
  QCOMPARE(Slurp(path), CfgText(t).toUtf8());
  QCOMPARE(f.ui.Statuses(), (std::vector<std::string>{"Сохранение настроек реле в файл",
                                                      "Настройки реле успешно сохранены"}));
  QVERIFY(f.ui.Messages().empty());
  CheckDialog(f, "Сохранение настроек реле в файл", "DEZ_MRO");
}

// Values a file may carry but the page has no place for are not saved back.
void RelayTransferTest::saveWritesReservedAsZero() {
  WindowFixture f;
  ReleTable t = kFactoryReleSettings;
  for (int e : rele::kReserved) t[static_cast<std::size_t>(e)] = e;
  t[0] = 0x0D;  // bit 3 names no output
  f.ui.ChooseFile(PutCfg(f, "odd.cfg", CfgText(t)).toStdString());
  const QString saved = QDir(f.Folder()).filePath("ReleCfg/back.cfg");
  f.ui.ChooseFile(saved.toStdString());
  f.form->MainPageC->setCurrentIndex(2);
  f.form->LoadButtonClick();
  f.form->SaveButtonClick();
  QCOMPARE(Slurp(saved), CfgText(NormalizeReleSettings(t)).toUtf8());
  QCOMPARE(Slurp(saved).split('\r').at(0), QByteArray("5"));
}

void RelayTransferTest::failedSaveKeepsTheOldFile() {
  WindowFixture f;
  const QString path = PutCfg(f, "keep.cfg", "old\r\n");
  // Write-protected: refused, by root too.
  QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
  f.ui.ChooseFile(path.toStdString());
  f.form->MainPageC->setCurrentIndex(2);
  f.ui.Clear();
  f.form->SaveButtonClick();
  QCOMPARE(Slurp(path), QByteArray("old\r\n"));
  const std::vector<std::string> boxes = f.ui.Messages();
  QCOMPARE(boxes.size(), size_t{1});
  QVERIFY2(QString::fromStdString(boxes[0]).contains("keep.cfg"), boxes[0].c_str());
  QCOMPARE(f.ui.LastStatus(), std::string("Настройки реле не сохранены"));
}

void RelayTransferTest::defaultButtonRestoresTheFactorySettings() {
  WindowFixture f;
  QVERIFY(f.Show());
  OpenRelayPageInDemo(f);
  Show(f, SomeTable());
  f.ui.Clear();
  f.Click("DefaultButton");
  QCOMPARE(Collect(f), kFactoryReleSettings);
  QCOMPARE(f.ui.Statuses(), std::vector<std::string>{"Заводские настройки выставлены"});
  QVERIFY(f.ui.Messages().empty());
  QVERIFY(f.Enabled("TimeZmk1") && f.Enabled("AlarmEvent2") && f.Enabled("TimePeriod3"));
  QVERIFY(!f.Enabled("TimeZmk3") && !f.Enabled("AlarmEvent3") && !f.Enabled("InvRele3"));
}

QTEST_MAIN(RelayTransferTest)
#include "RelayTransferTest.moc"
