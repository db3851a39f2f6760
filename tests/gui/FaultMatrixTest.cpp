// Every device operation of the window against every fault of the simulated
// device. What each cell must end in comes from the rules of
// tests/support/FaultRules (where a fault bites, what is then said) and the
// small tables below (what each operation puts on the wire, which window
// state it leaves): the messages and their order, the window's state, the
// data that must not change, and the time the operation may take.
#include <QComboBox>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTest>
#include <map>
#include <random>

#include "ops/JournalRecord.h"
#include "tests/gui/RelayTestSupport.h"
#include "tests/support/FaultRules.h"
#include "widgets/RadioGroup.h"

using namespace orten;
using namespace orten::gui;
using namespace orten::gui::test;
using orten::test::FaultCase;
using orten::test::FaultKind;
using orten::test::Phase;
using orten::test::PhaseSpan;
using Kind = ScriptedUi::Kind;

namespace {

enum class Op {
  ConnectMain,
  ConnectBackup,
  ConnectRelay,
  Disconnect,
  RelayRead,
  RelayWrite,
  RegistrationRead,
  RegistrationWrite,
  FirmwareWrite,
};

// The window states of the state table that the operations end in.
enum class Screen {
  Idle,
  ConnectedMain,
  ConnectedBackup,
  ConnectedRelay,
  AsBefore,
  AsBeforeSaveOn
};

constexpr std::uint64_t kRelayPayload = 256;
constexpr std::uint64_t kRegistrationPayload = 1792;
constexpr int kFirmwareBlocks = 20;
constexpr std::uint64_t kFirmwareSize = 10 + 64 * kFirmwareBlocks;
constexpr std::uint8_t kNewFirmwareVersion = 130;
constexpr std::size_t kSettingsPage = 7 * 256;

// A device pulled out ends the work: the window goes idle, and its last box
// says what the device may now hold.
const std::string kGoneStatus = "Прибор отключен от линии USB, связь разорвана";
const std::string kGoneConnect =
    "Прибор отключен от линии USB. В приборе ничего не изменено.\n"
    "Подключите прибор и установите связь снова.";
const std::string kGoneRead =
    "Прибор отключен от линии USB во время чтения. В приборе ничего не изменено.\n"
    "Подключите прибор, установите связь и повторите чтение.";
const std::string kGoneWrite =
    "Прибор отключен от линии USB во время записи: прибор мог сохранить только часть данных.\n"
    "Подключите прибор, установите связь и повторите запись.";
const std::string kGoneFirmware =
    "Прибор отключен от линии USB во время записи прошивки: в приборе может не быть рабочей "
    "прошивки.\nПодключите прибор, установите связь и запишите прошивку снова.";

// After a firmware write the device took, the window waits for the device's
// restart (a look at the line a second, ten at most) and checks its version.
constexpr int kRestartWaitMs = 10 * 1000;
const std::string kNoAnswerAfterRestart =
    "Проверка не пройдена: прибор не ответил за 10 с после записи.";

struct OpRules {
  const char* name;
  std::uint8_t version;  // of the device plugged in
  std::vector<PhaseSpan> phases;
  // The operation's own pauses plus the longest wait one read of it may take:
  // an exchange stops at its first failed transfer, so no more than one
  // read ever waits in vain.
  int boundMs;
  std::vector<std::string> successBoxes;
  std::string successStatus;
  Screen afterSuccess;
  Screen afterFailure;
  // The last box when the device went away; none: the window is going idle anyway.
  std::string goneBox;
};

const OpRules& RulesOf(Op op) {
  using orten::test::ConnectPhases;
  using orten::test::FrameIn;
  using orten::test::FrameOut;
  using orten::test::Image;
  using orten::test::Packet;
  static const std::map<Op, OpRules> rules = {
      {Op::ConnectMain,
       {"connect on Главная",
        45,
        ConnectPhases(),
        100 + 100 + 2000,
        {},
        "Новых версий прошивок не найдено",
        Screen::ConnectedMain,
        Screen::Idle,
        kGoneConnect}},
      {Op::ConnectBackup,
       {"connect on the backup page",
        120,
        ConnectPhases(),
        100 + 2000,
        {},
        "Связь с прибором установлена",
        Screen::ConnectedBackup,
        Screen::AsBefore,
        kGoneConnect}},
      {Op::ConnectRelay,
       {"connect on the relay page",
        45,
        ConnectPhases(),
        100 + 2000,
        {},
        "Связь с прибором установлена",
        Screen::ConnectedRelay,
        Screen::AsBefore,
        kGoneConnect}},
      {Op::Disconnect,
       {"disconnect",
        45,
        {Packet(Phase::DisconnectCommand)},
        0,
        {},
        {},  // none of its own: the status line keeps what it showed (checked in cell)
        Screen::Idle,
        Screen::Idle,
        {}}},
      {Op::RelayRead,
       {"relay settings read",
        45,
        {Packet(Phase::ReadRequest), FrameIn(kRelayPayload)},
        10 + 2000,
        {"Настройки реле считаны успешно"},
        "Настройки реле считаны успешно",
        Screen::AsBefore,
        Screen::AsBefore,
        kGoneRead}},
      {Op::RelayWrite,
       {"relay settings write",
        45,
        {Packet(Phase::WriteRequest), FrameOut(kRelayPayload), Packet(Phase::WriteAnswer)},
        80 + 10000,
        {"Настройки реле загружены успешно"},
        "Настройки реле загружены успешно",
        Screen::AsBefore,
        Screen::AsBefore,
        kGoneWrite}},
      {Op::RegistrationRead,
       {"registration read",
        120,
        {Packet(Phase::ReadRequest), FrameIn(kRegistrationPayload)},
        10 + 2000,
        {"Резервная копия считана успешно"},
        "Резервная копия считана успешно",
        Screen::AsBeforeSaveOn,
        Screen::AsBefore,
        kGoneRead}},
      {Op::RegistrationWrite,
       {"registration write",
        120,
        {Packet(Phase::WriteRequest), FrameOut(kRegistrationPayload), Packet(Phase::WriteAnswer)},
        380 + 10000,
        {"Резервная копия загружена успешно"},
        "Резервная копия загружена успешно",
        Screen::AsBefore,
        Screen::AsBefore,
        kGoneWrite}},
      {Op::FirmwareWrite,
       {"firmware write",
        45,
        {Image(kFirmwareSize), Packet(Phase::Verdict)},
        (kFirmwareBlocks / 4) * 10 + 10 + 25 + 60000 + kRestartWaitMs,
        {"Прошивка загружена успешно"},
        "Прошивка загружена успешно",
        Screen::Idle,
        Screen::Idle,
        kGoneFirmware}},
  };
  return rules.at(op);
}

// What the state table distinguishes, as one line for readable failures.
struct Snapshot {
  int page = 0;
  bool backupTab = false, relayTab = false;
  bool connect = false, disconnect = false, family = false, execute = false;
  bool create = false, restore = false, read = false, write = false, load = false, save = false,
       defaults = false;

  bool operator==(const Snapshot&) const = default;
  QByteArray Text() const {
    return QByteArray("page ") + QByteArray::number(page) + " tabs " + char('0' + backupTab) +
           char('0' + relayTab) + " link " + char('0' + connect) + char('0' + disconnect) +
           " family/execute shown " + char('0' + family) + char('0' + execute) +
           " create/restore " + char('0' + create) + char('0' + restore) + " read/write " +
           char('0' + read) + char('0' + write) + " load/save/defaults " + char('0' + load) +
           char('0' + save) + char('0' + defaults);
  }
};

Snapshot Take(const WindowFixture& f) {
  Snapshot s;
  s.page = f.form->MainPageC->currentIndex();
  s.backupTab = f.form->MainPageC->isTabVisible(TMainForm::kBackupTab);
  s.relayTab = f.form->MainPageC->isTabVisible(TMainForm::kRelayTab);
  s.connect = f.Enabled("ConnectButton");
  s.disconnect = f.Enabled("DisconnectButton");
  s.family = !f.Widget("DevOperModeRdG")->isHidden() && f.Enabled("DevOperModeRdG");
  s.execute = !f.Widget("ExecuteButton")->isHidden() && f.Enabled("ExecuteButton");
  s.create = f.Enabled("RegBackupCreateButton");
  s.restore = f.Enabled("RegBackupRestoreButton");
  s.read = f.Enabled("ReadButton");
  s.write = f.Enabled("WriteButton");
  s.load = f.Enabled("LoadButton");
  s.save = f.Enabled("SaveButton");
  s.defaults = f.Enabled("DefaultButton");
  return s;
}

// The window's states as the state table draws them.
Snapshot Expected(Screen screen, const Snapshot& before) {
  Snapshot s;
  switch (screen) {
    case Screen::Idle:
      s.connect = true;
      return s;
    case Screen::ConnectedMain:
      s.disconnect = s.family = s.execute = true;
      return s;
    case Screen::ConnectedBackup:
      s.page = TMainForm::kBackupTab;
      s.backupTab = s.disconnect = s.create = s.restore = true;
      return s;
    case Screen::ConnectedRelay:
      s.page = TMainForm::kRelayTab;
      s.relayTab = s.disconnect = true;
      s.read = s.write = s.load = s.save = s.defaults = true;
      return s;
    case Screen::AsBefore:
      return before;
    case Screen::AsBeforeSaveOn:
      s = before;
      s.save = true;
      return s;
  }
  return s;
}

ReleTable TableOf(unsigned seed) {
  std::mt19937 rng(seed);
  return RandomValidTable(rng);
}

std::vector<std::int32_t> Pattern(std::size_t size, int step, int offset) {
  std::vector<std::int32_t> v(size);
  for (std::size_t i = 0; i < size; ++i) v[i] = static_cast<int>((i * step + offset) % 256);
  return v;
}

void PutMemory(WindowFixture& f, std::size_t first, const std::vector<std::int32_t>& values) {
  for (std::size_t i = 0; i < values.size(); ++i)
    f.device->memory()[first + i] = static_cast<std::uint8_t>(values[i]);
}

// Every file under the program's folder, with its content, but the
// journal, which grows by design.
std::map<QString, QByteArray> Files(const QString& folder) {
  std::map<QString, QByteArray> files;
  QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    QFile file(it.next());
    if (QFileInfo(file).fileName() == "journal.csv") continue;
    files[file.fileName()] = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("?");
  }
  return files;
}

orten::JournalText JournalOf(const WindowFixture& f) {
  QFile file(QDir(f.Folder()).filePath("journal.csv"));
  return orten::ParseJournal(file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "");
}

// The operation a journal record names for op; null: op records none.
const char* JournaledAs(Op op) {
  switch (op) {
    case Op::RelayRead:
      return "read-settings";
    case Op::RelayWrite:
      return "write-settings";
    case Op::RegistrationRead:
      return "read-backup";
    case Op::RegistrationWrite:
      return "write-backup";
    case Op::FirmwareWrite:
      return "write-firmware";
    default:
      return nullptr;
  }
}

// Whether the check after a firmware write's restart fails: the fault bites
// in its look at the line or its connect (each attempt meets it again, but
// a write that fails once). Its disconnect is not asked to succeed.
bool RestartCheckFails(const FaultCase& fault) {
  std::vector<PhaseSpan> phases = RulesOf(Op::FirmwareWrite).phases;
  const std::size_t written = phases.size();
  for (const PhaseSpan& span : orten::test::ConnectPhases()) phases.push_back(span);
  const std::optional<Phase> bitten = orten::test::FirstBite(phases, fault);
  const bool inCheck =
      bitten && orten::test::FirstBite({phases.begin(), phases.begin() + written}, fault) != bitten;
  return inCheck && fault.kind != FaultKind::WriteFail;
}

// Whether the device took the firmware but keeps another version byte: the
// check after the restart then finds a version other than the one written.
bool VersionKeptOtherwise(const FaultCase& fault) {
  return orten::test::KeptOtherwise(RulesOf(Op::FirmwareWrite).phases, fault).has_value();
}

// The journal stays whole and gains the operation's record once the device
// was reached: done only where the operation was. A firmware write the
// device took is followed by the record of the check after its restart.
void CheckJournal(const WindowFixture& f, Op op, std::size_t recordedBefore,
                  const std::optional<Phase>& bitten, const FaultCase& fault) {
  const orten::JournalText journal = JournalOf(f);
  QVERIFY(journal.skippedLines.empty());
  orten::test::JournalGain want =
      JournaledAs(op) ? orten::test::JournalGainOf(bitten) : orten::test::JournalGain{};
  const bool checked = op == Op::FirmwareWrite && !bitten;
  if (checked) want = {2, !RestartCheckFails(fault) && !VersionKeptOtherwise(fault)};
  QCOMPARE(journal.records.size() - recordedBefore, want.records);
  if (want.records == 0) return;
  const orten::JournalRecord& r = journal.records.back();
  QCOMPARE(r.operation, std::string(checked ? "verify-firmware" : JournaledAs(op)));
  QCOMPARE(r.program, std::string("ortenconf"));
  QCOMPARE(r.outcome == "done", want.done);
  QVERIFY(!r.message.empty());
}

void OpenWorkPageInDemoThenGoOnline(WindowFixture& f, int family) {
  f.Find<QComboBox>("OperModeCmB")->setCurrentIndex(0);
  f.Pick("DevOperModeRdG", family);
  f.Click("ExecuteButton");
  f.Find<QComboBox>("OperModeCmB")->setCurrentIndex(1);
}

const std::vector<std::int32_t> kMemoryBefore = Pattern(kRegistrationPayload, 3, 1);
const std::vector<std::int32_t> kMemoryLater = Pattern(kRegistrationPayload, 7, 5);
const std::vector<std::int32_t> kBackupFile = Pattern(kRegistrationPayload, 11, 2);

// Brings the window to where the operation starts, without faults.
void SetUp(WindowFixture& f, Op op) {
  // A firmware file of the device's own family and version: no update is
  // offered at connect, and no box says Base is empty.
  f.PutFirmware(f.device->version() >= 100 ? "RPU_" + QString::number(f.device->version())
                                           : "MRO_" + QString::number(f.device->version()),
                f.device->version());
  QVERIFY(f.Show());
  switch (op) {
    case Op::ConnectMain:
      return;
    case Op::ConnectBackup:
      return OpenWorkPageInDemoThenGoOnline(f, 0);
    case Op::ConnectRelay:
      return OpenWorkPageInDemoThenGoOnline(f, 1);
    case Op::Disconnect:
    case Op::RelayRead:
    case Op::RelayWrite:
      PutMemory(f, kSettingsPage, std::vector<std::int32_t>(256, 0xEE));
      OpenRelayPageOnline(f);
      orten::gui::test::Show(f, TableOf(1));
      if (op == Op::RelayRead) {
        const ReleTable t = TableOf(2);
        PutMemory(f, kSettingsPage, {t.begin(), t.end()});
      }
      return;
    case Op::RegistrationRead:
      PutMemory(f, 0, kMemoryBefore);
      f.Click("ConnectButton");
      f.Click("ExecuteButton");
      f.Click("RegBackupCreateButton");
      f.Click("ReadButton");  // the image the window holds before the operation
      QCOMPARE(f.form->registrationImage().values(), kMemoryBefore);
      PutMemory(f, 0, kMemoryLater);
      return;
    case Op::RegistrationWrite: {
      PutMemory(f, 0, kMemoryBefore);
      f.Click("ConnectButton");
      f.Click("ExecuteButton");
      f.Click("RegBackupRestoreButton");
      const QString path = QDir(f.Folder()).filePath("Reg_RPU/DEZ_RPU_2_0712_object_5_conf_9.rrg");
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly));
      for (std::int32_t v : kBackupFile) file.write(QByteArray::number(v) + "\r\n");
      file.close();
      f.ui.ChooseFile(path.toStdString());
      f.Click("LoadButton");
      QVERIFY(f.Enabled("WriteButton"));
      return;
    }
    case Op::FirmwareWrite:
      f.PutFirmware("RPU_130", kNewFirmwareVersion, kFirmwareBlocks);
      f.Click("ConnectButton");
      f.ui.AnswerYes();  // change to the receiver's firmware
      f.Pick("DevOperModeRdG", 0);
      f.Pick("SWVersionRdG", 0);
      QVERIFY(f.form->firmwareImage().empty());  // only previewed so far
      return;
  }
}

void Run(WindowFixture& f, Op op) {
  switch (op) {
    case Op::ConnectMain:
    case Op::ConnectBackup:
    case Op::ConnectRelay:
      return f.Click("ConnectButton");
    case Op::Disconnect:
      return f.Click("DisconnectButton");
    case Op::RelayRead:
    case Op::RegistrationRead:
      return f.Click("ReadButton");
    case Op::RelayWrite:
    case Op::RegistrationWrite:
      return f.Click("WriteButton");
    case Op::FirmwareWrite:
      return f.Click("ExecuteButton");
  }
}

void Inject(WindowFixture& f, const FaultCase& fault) {
  if (fault.kind == FaultKind::NoDevice) f.device->Unplug();
  if (fault.kind == FaultKind::TwoDevices) f.bus.Attach(f.device->version());
  f.device->set_faults(fault.DeviceFaults());
}

QByteArray Describe(const std::vector<ScriptedUi::Event>& boxes) {
  QByteArray text;
  for (const auto& b : boxes)
    text += "[" + QByteArray(b.caption.c_str()) + "] " + b.text.c_str() + " | ";
  return text;
}

// What must not change unless the operation says so.
struct Before {
  Snapshot screen;
  ReleTable table;
  std::vector<std::int32_t> image;
  QByteArray firmware;
  std::array<std::uint8_t, SimDevice::kPageSize * SimDevice::kPageCount> memory;
  std::uint8_t version;
  std::map<QString, QByteArray> files;
  QString status;
};

QByteArray FirmwareBytes(const WindowFixture& f) {
  const auto bytes = f.form->firmwareImage().bytes();
  return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qsizetype>(bytes.size()));
}

Before Record(const WindowFixture& f) {
  return {Take(f),          Collect(f),         f.form->registrationImage().values(),
          FirmwareBytes(f), f.device->memory(), f.device->version(),
          Files(f.Folder()),
          f.form->statusText()};
}

// Whether the fault took the device away where the window must say so.
bool Gone(const OpRules& rules, const std::optional<Phase>& bitten, const FaultCase& fault) {
  return bitten && !rules.goneBox.empty() && orten::test::TakesTheDeviceAway(fault, *bitten);
}

// At most one "Error" box, then the operation's own words, then the box of a
// device gone; the status line and the progress bar as the operation leaves them.
void CheckMessages(const WindowFixture& f, const OpRules& rules, const std::optional<Phase>& bitten,
                   const FaultCase& fault) {
  std::vector<orten::test::Box> expected;
  std::string status = rules.successStatus;
  if (!bitten) {
    for (const std::string& text : rules.successBoxes) expected.push_back({text, kAppTitle});
    if (&rules == &RulesOf(Op::FirmwareWrite) && RestartCheckFails(fault)) {
      expected.push_back({kNoAnswerAfterRestart, kWarningCaption});
    }
    if (&rules == &RulesOf(Op::FirmwareWrite) && VersionKeptOtherwise(fault)) {
      expected.push_back({"Проверка не пройдена: прибор сообщает версию " +
                              std::to_string(kNewFirmwareVersion ^ 1) + " вместо " +
                              std::to_string(kNewFirmwareVersion) + ".",
                          kWarningCaption});
    }
  } else {
    if (orten::test::ShowsTransportError(fault, *bitten)) expected.push_back({"", kErrorCaption});
    const orten::test::PhaseFailure failure = orten::test::FailureOf(*bitten, fault);
    expected.insert(expected.end(), failure.boxes.begin(), failure.boxes.end());
    status = failure.status;
  }
  if (Gone(rules, bitten, fault)) {
    expected.push_back({rules.goneBox, kWarningCaption});
    status = kGoneStatus;
  }
  const auto boxes = f.ui.Of(Kind::Message);
  QVERIFY2(boxes.size() == expected.size(), Describe(boxes).constData());
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    QCOMPARE(boxes[i].caption, expected[i].caption);
    if (expected[i].caption == kErrorCaption) {
      QVERIFY(!boxes[i].text.empty());
    } else {
      QCOMPARE(boxes[i].text, expected[i].text);
    }
  }
  QVERIFY(f.ui.Of(Kind::Question).empty());
  if (!status.empty()) QCOMPARE(f.ui.LastStatus(), status);
  if (bitten && (*bitten == Phase::FrameOut || *bitten == Phase::WriteAnswer ||
                 *bitten == Phase::Image || *bitten == Phase::Verdict)) {
    QCOMPARE(f.ui.Progress().back(), 0);
  }
}

// The images, the relay controls, the device and the files: changed only
// where the operation succeeded, or where the device took the data. A window
// gone idle holds no registration image: its form is blank.
void CheckData(const WindowFixture& f, Op op, const Before& before, bool ok, bool took, bool gone,
               const FaultCase& fault) {
  QCOMPARE(Collect(f), op == Op::RelayRead && ok ? TableOf(2) : before.table);
  QCOMPARE(f.form->registrationImage().values(), gone ? std::vector<std::int32_t>{}
                                                 : op == Op::RegistrationRead && ok ? kMemoryLater
                                                                                    : before.image);
  if (op == Op::FirmwareWrite) {  // loaded from the file, written or not
    QFile source(QDir(f.Folder()).filePath("Base/RPU_130"));
    QVERIFY(source.open(QIODevice::ReadOnly));
    QCOMPARE(FirmwareBytes(f), source.readAll());
  } else {
    QCOMPARE(FirmwareBytes(f), before.firmware);
  }
  // The window never reads a write back: a value kept otherwise stays unnoticed.
  const std::optional<std::uint64_t> otherwise =
      orten::test::KeptOtherwise(RulesOf(op).phases, fault);
  auto memory = before.memory;
  if (took && op == Op::RelayWrite) {
    std::fill_n(memory.begin() + kSettingsPage, 256, 0);
    std::copy(before.table.begin(), before.table.end(), memory.begin() + kSettingsPage);
    if (otherwise) memory[kSettingsPage + *otherwise] ^= 1;
  }
  if (took && op == Op::RegistrationWrite) {
    std::copy(kBackupFile.begin(), kBackupFile.end(), memory.begin());
    if (otherwise) memory[*otherwise] ^= 1;
  }
  QVERIFY(f.device->memory() == memory);
  const std::uint8_t written = otherwise ? kNewFirmwareVersion ^ 1 : kNewFirmwareVersion;
  QCOMPARE(f.device->version(), took && op == Op::FirmwareWrite ? written : before.version);
  QVERIFY(Files(f.Folder()) == before.files);
}

int cells = 0;
int passed = 0;

}  // namespace

Q_DECLARE_METATYPE(Op)
Q_DECLARE_METATYPE(orten::test::FaultCase)

class FaultMatrixTest : public QObject {
  Q_OBJECT

 private slots:
  void cell_data();
  void cell();
  void cleanupTestCase();
};

void FaultMatrixTest::cell_data() {
  QTest::addColumn<Op>("op");
  QTest::addColumn<FaultCase>("fault");
  // Host bytes: request packets (0, 5), a frame's second sync byte (9), the
  // first chunk (40), chunks of the longer exchanges only (300, 1000), the
  // firmware's last byte (1289). Device bytes: replies and answers (0, 5),
  // chunks (100, 1000), the settings frame's last checksum byte (259). Kept
  // otherwise: the firmware's version byte (3), a setting and a backup value
  // (12: the payload's third), a backup value only (1000).
  const auto faults = orten::test::MatrixFaults({0, 5, 9, 40, 300, 1000, 1289},
                                                {0, 5, 100, 259, 1000}, {3, 12, 1000});
  for (Op op : {Op::ConnectMain, Op::ConnectBackup, Op::ConnectRelay, Op::Disconnect, Op::RelayRead,
                Op::RelayWrite, Op::RegistrationRead, Op::RegistrationWrite, Op::FirmwareWrite}) {
    for (const FaultCase& fault : faults) {
      QTest::addRow("%s, %s", RulesOf(op).name, fault.Name().c_str()) << op << fault;
    }
  }
}

void FaultMatrixTest::cell() {
  QFETCH(Op, op);
  QFETCH(FaultCase, fault);
  ++cells;
  const OpRules& rules = RulesOf(op);
  WindowFixture f(rules.version);
  SetUp(f, op);
  if (QTest::currentTestFailed()) return;

  const Before before = Record(f);
  const std::size_t recorded = JournalOf(f).records.size();
  Inject(f, fault);
  f.ui.Clear();
  const std::int64_t startUs = f.clock.NowUs();
  Run(f, op);
  const std::int64_t tookMs = (f.clock.NowUs() - startUs) / 1000;

  const std::optional<Phase> bitten = orten::test::FirstBite(rules.phases, fault);
  CheckMessages(f, rules, bitten, fault);
  if (op == Op::Disconnect) QCOMPARE(f.form->statusText(), before.status);
  if (QTest::currentTestFailed()) return;
  const Snapshot after = Take(f);
  const bool gone = Gone(rules, bitten, fault);
  const Snapshot want = Expected(gone     ? Screen::Idle
                                 : bitten ? rules.afterFailure
                                          : rules.afterSuccess,
                                 before.screen);
  QVERIFY2(after == want, "is " + after.Text() + "\nnot " + want.Text());
  CheckData(f, op, before, !bitten, orten::test::DeviceTookTheData(rules.phases, bitten, fault),
            gone, fault);
  if (QTest::currentTestFailed()) return;
  CheckJournal(f, op, recorded, bitten, fault);
  QVERIFY2(tookMs <= rules.boundMs,
           qPrintable(QString("%1 ms, bound %2 ms").arg(tookMs).arg(rules.boundMs)));
  if (!QTest::currentTestFailed()) ++passed;
}

void FaultMatrixTest::cleanupTestCase() {
  qInfo("fault matrix: %d cells, %d passed", cells, passed);
}

QTEST_MAIN(FaultMatrixTest)
#include "FaultMatrixTest.moc"
