// The window kept alive and the right size. The longest time its event loop
// went without a turn (no painting, no input), seen from the event
// dispatcher: during a 64 KiB firmware write on the simulated device with
// real pauses, while the device is silent, connecting with a Base of
// 100,000 entries (without and with version numbers), and listing the other
// family's 100,000 files. The other family's 5,000 firmware files: the window's
// size and the time to clear the list. The backup dialog over 10,000 files.
// The user clicks what is named and answers Yes to every question.
#include <benchmark/benchmark.h>

#include <QAbstractEventDispatcher>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <map>
#include <memory>

#include "app/RightColumn.h"
#include "app/TMainForm.h"
#include "bench/BenchSupport.h"
#include "bench/EventTiming.h"
#include "pages/FirmwarePage.h"
#include "protocol/FirmwareWriter.h"
#include "sim/SimTransport.h"
#include "widgets/GuiPacer.h"
#include "widgets/QtUserInterface.h"
#include "widgets/RadioGroup.h"

namespace {

using Clock = std::chrono::steady_clock;
using orten::bench::TimedApplication;

double MsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// Says Yes to every question and reads every box at once.
class YesUi final : public orten::UserInterface {
 public:
  void SetStatusText(const std::string&) override {}
  void SetProgress(int) override {}
  void ShowMessage(const std::string& text, const std::string&, orten::BoxIcon) override {
    lastMessage = text;
  }
  bool AskYesNo(const std::string&, const std::string&, orten::BoxIcon) override { return true; }
  std::optional<std::string> AskOpenFile(const orten::FileDialogRequest&) override { return {}; }
  std::optional<std::string> AskSaveFile(const orten::FileDialogRequest&) override { return {}; }
  bool OpenDocument(const std::string&) override { return false; }
  void Beep() override {}

  std::string lastMessage;
};

// The longest time between two turns of the event loop, from Start to Stop.
// A turn is the dispatcher waking to handle what is pending. A loop with
// nothing to do sleeps until something comes, and would show a gap without
// being late for anything: a 1 ms timer wakes it, so a gap is time the loop
// could not have answered the user (the exchanges run on their own thread
// and do not sleep on the window's).
class LoopGapMeter {
 public:
  LoopGapMeter() {
    heartbeat_.setTimerType(Qt::PreciseTimer);
    heartbeat_.setInterval(1);
  }
  void Start() {
    last_ = Clock::now();
    start_ = last_;
    connection_ = QObject::connect(QAbstractEventDispatcher::instance(),
                                   &QAbstractEventDispatcher::awake, [this] { Turn(); });
    heartbeat_.start();
  }
  void Stop() {
    Turn();
    heartbeat_.stop();
    QObject::disconnect(connection_);
  }
  double longestMs() const { return std::chrono::duration<double, std::milli>(longest_).count(); }
  long turns() const { return turns_; }

 private:
  void Turn() {
    const Clock::time_point now = Clock::now();
    const double gapMs = MsBetween(last_, now);
    if (const double report = TimedApplication::GapThresholdMs(); report > 0 && gapMs > report) {
      TimedApplication::ReportGap(last_, gapMs, MsBetween(start_, last_));
    }
    TimedApplication::Forget();
    longest_ = std::max(longest_, now - last_);
    last_ = now;
    ++turns_;
  }

  QTimer heartbeat_;
  QMetaObject::Connection connection_;
  Clock::time_point start_;
  Clock::time_point last_;
  Clock::duration longest_{};
  long turns_ = 0;
};

// The window as main() builds it, in a fresh program folder; Base holds
// firmware newer than the relay module on the line unless told otherwise.
struct WindowRig {
  QTemporaryDir folder;
  orten::SteadySimClock clock;
  orten::SimBus bus;
  std::shared_ptr<orten::SimDevice> device = bus.Attach(45);
  orten::SimTransport transport{bus, clock};
  orten::gui::GuiPacer pacer;
  YesUi ui;
  std::unique_ptr<orten::gui::TMainForm> form;

  explicit WindowRig(bool newerFirmware = true) {
    QDir(folder.path()).mkpath("Base");
    if (newerFirmware) {
      orten::bench::WriteFile(QDir(folder.path()).filePath("Base/MRO_50").toStdString(),
                              orten::bench::FirmwareBytes(1024, 50));
    }
  }
  ~WindowRig() {
    form.reset();
    QDir::setCurrent(QDir::tempPath());  // the window made the program folder current
  }

  // The window shown; false when it never was.
  bool Open(const QString& programFolder = {}) {
    form = std::make_unique<orten::gui::TMainForm>(orten::gui::AppServices{
        transport,
        ui,
        pacer,
        nullptr,
        (programFolder.isEmpty() ? folder.path() : programFolder).toStdString(),
        {}});
    form->show();
    return QTest::qWaitForWindowExposed(form.get());
  }
};

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// i in letters, a for 0: a name part without digits, so no version number.
QString Letters(int i) {
  QString text;
  do {
    text.prepend(QChar('a' + i % 26));
    i /= 26;
  } while (i > 0);
  return text;
}

// count files in folder, each named prefix + part(i) + suffix, holding content.
template <typename Part>
bool MakeFiles(const QString& folder, const QString& prefix, int count, Part part,
               const QString& suffix = {}, const QByteArray& content = {}) {
  QDir().mkpath(folder);
  for (int i = 0; i < count; ++i) {
    QFile file(QDir(folder).filePath(prefix + part(i) + suffix));
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) return false;
  }
  return true;
}

QString Number(int i) {
  return QString::number(i);
}

// A program folder whose Base holds count files prefix + part(i), made once
// per process and kept for its repetitions (--benchmark_repetitions); empty
// when the files could not be made.
template <typename Part>
QString ProgramWithBase(const QString& prefix, int count, Part part) {
  static std::map<QString, std::unique_ptr<QTemporaryDir>> made;
  std::unique_ptr<QTemporaryDir>& program = made[prefix];
  if (!program) {
    program = std::make_unique<QTemporaryDir>();
    if (!MakeFiles(QDir(program->path()).filePath("Base"), prefix, count, part)) return {};
  }
  return program->path();
}

// Lets the window settle its layout, as the event loop would after a change.
void Settle() {
  for (int pass = 0; pass < 4; ++pass) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::processEvents();
  }
}

void BM_WindowFirmwareWrite64KiB(benchmark::State& state) {
  double longestMs = 0;
  double wallMs = 0;
  long turns = 0;
  for (auto _ : state) {
    WindowRig rig;
    if (!rig.Open()) state.SkipWithError("window not shown");
    LoopGapMeter meter;
    meter.Start();
    const Clock::time_point start = Clock::now();
    rig.form->Column->ConnectButton->click();
    wallMs += MsSince(start);
    meter.Stop();
    if (rig.ui.lastMessage != orten::msg::kFirmwareWritten) state.SkipWithError("write failed");
    longestMs = std::max(longestMs, meter.longestMs());
    turns += meter.turns();
  }
  state.counters["longest_gap_ms"] = longestMs;
  state.counters["turns_per_write"] =
      static_cast<double>(turns) / static_cast<double>(state.iterations());
  // The click's pauses: 100 ms after discovery, 100 ms after connecting, the write's 2595 ms.
  state.counters["wall_over_pauses"] =
      wallMs / ((100 + 100 + 256 * 10 + 10 + 25) * static_cast<double>(state.iterations()));
}
BENCHMARK(BM_WindowFirmwareWrite64KiB)->Unit(benchmark::kMillisecond)->Iterations(3);

// "Установить" with a device that never answers: the window waits out the
// 2 s for the connect reply, in read slices.
void BM_WindowSilentDevice(benchmark::State& state) {
  double longestMs = 0;
  for (auto _ : state) {
    WindowRig rig;
    orten::SimFaults silent;
    silent.readTimeoutAtByte = 0;
    rig.device->set_faults(silent);
    if (!rig.Open()) state.SkipWithError("window not shown");
    LoopGapMeter meter;
    meter.Start();
    rig.form->Column->ConnectButton->click();
    meter.Stop();
    if (rig.ui.lastMessage != orten::msg::kNoReply) state.SkipWithError("the device answered");
    longestMs = std::max(longestMs, meter.longestMs());
  }
  state.counters["longest_gap_ms"] = longestMs;
}
BENCHMARK(BM_WindowSilentDevice)->Unit(benchmark::kMillisecond)->Iterations(3);

// "Установить" on the first page with Base holding 100,000 files of the
// device's family, none newer than the device: the search for newer firmware
// goes through them all and finds nothing to offer.
void ConnectOverBase(benchmark::State& state, const QString& program) {
  if (program.isEmpty()) state.SkipWithError("cannot make the files");
  double longestMs = 0;
  for (auto _ : state) {
    WindowRig rig(false);
    if (!rig.Open(program)) state.SkipWithError("window not shown");
    LoopGapMeter meter;
    meter.Start();
    rig.form->Column->ConnectButton->click();
    meter.Stop();
    // A box would be an error of the connect or "no firmware in Base".
    if (!rig.ui.lastMessage.empty()) state.SkipWithError(rig.ui.lastMessage.c_str());
    longestMs = std::max(longestMs, meter.longestMs());
  }
  state.counters["longest_gap_ms"] = longestMs;
}

// Names without a version number: listed, none a candidate.
void BM_WindowConnectBase100k(benchmark::State& state) {
  ConnectOverBase(state, ProgramWithBase("MRO_old_", 100000, Letters));
}
BENCHMARK(BM_WindowConnectBase100k)->Unit(benchmark::kMillisecond)->Iterations(3);

// Numbered names: every one a candidate, and the pick of the newest goes
// through them all.
void BM_WindowConnectBase100kNumbered(benchmark::State& state) {
  const auto numbered = [](int i) { return QString::number(i % 40) + "_" + Letters(i); };
  ConnectOverBase(state, ProgramWithBase("MRO_v", 100000, numbered));
}
BENCHMARK(BM_WindowConnectBase100kNumbered)->Unit(benchmark::kMillisecond)->Iterations(3);

// The relay module connected, the user picks the receiver's family: the
// window lists its 100,000 firmware files in Base and offers them.
void BM_WindowListOtherFamily100k(benchmark::State& state) {
  constexpr int kFiles = 100000;
  const QString program = ProgramWithBase("RPU_", kFiles, Number);
  if (program.isEmpty()) state.SkipWithError("cannot make the files");
  double longestMs = 0;
  for (auto _ : state) {
    WindowRig rig(false);
    if (!rig.Open(program)) state.SkipWithError("window not shown");
    rig.form->Column->ConnectButton->click();
    orten::gui::FirmwarePage* page = rig.form->UpdateSoftTabSh;
    LoopGapMeter meter;
    meter.Start();
    page->DevOperModeRdG->button(0)->click();
    Settle();  // the list laid out and painted
    meter.Stop();
    if (page->SWVersionRdG->count() != kFiles) state.SkipWithError("the files were not offered");
    longestMs = std::max(longestMs, meter.longestMs());
  }
  state.counters["longest_gap_ms"] = longestMs;
}
BENCHMARK(BM_WindowListOtherFamily100k)->Unit(benchmark::kMillisecond)->Iterations(3);

// The relay module connected, the user picks the receiver's family and is
// offered its N firmware files; then the list is cleared, as a disconnect
// does. The window's size with the list shown, and the clearing's time
// (the buttons' deferred deletion included).
void BM_WindowOtherFamilyFiles(benchmark::State& state) {
  const int files = static_cast<int>(state.range(0));
  QTemporaryDir program;
  if (!MakeFiles(QDir(program.path()).filePath("Base"), "RPU_", files, Number)) {
    state.SkipWithError("cannot make the files");
  }
  double height = 0;
  double width = 0;
  double clearMs = 0;
  for (auto _ : state) {
    WindowRig rig(false);
    if (!rig.Open(program.path())) state.SkipWithError("window not shown");
    rig.form->Column->ConnectButton->click();
    orten::gui::FirmwarePage* page = rig.form->UpdateSoftTabSh;
    page->DevOperModeRdG->button(0)->click();
    Settle();
    if (page->SWVersionRdG->count() != files || page->SWVersionRdG->isHidden()) {
      state.SkipWithError("the files were not offered");
    }
    height = rig.form->height();
    width = rig.form->width();
    const Clock::time_point start = Clock::now();
    page->clearFirmwareFiles();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    clearMs += MsSince(start);
  }
  state.counters["window_height"] = height;
  state.counters["window_width"] = width;
  state.counters["clear_ms"] = clearMs / static_cast<double>(state.iterations());
}
BENCHMARK(BM_WindowOtherFamilyFiles)
    ->Arg(500)
    ->Arg(5000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// The backup dialog (open, "*.rrg") over a folder of 10,000 backups: from
// the dialog's making until every file is in its list and the window has
// handled what the listing sent it. Then the next dialog, on a folder of
// ten, likewise: it must not list the big folder again first.
void BM_BackupDialog10000(benchmark::State& state) {
  constexpr int kBackups = 10000;
  QTemporaryDir big;
  QTemporaryDir small;
  const QByteArray values = QByteArray("255\r\n").repeated(512);  // a backup's first values
  if (!MakeFiles(big.path(), "DEZ_RPU_3_081226_", kBackups, Number, ".rrg", values) ||
      !MakeFiles(small.path(), "DEZ_RTR_1_081226_", 10, Number, ".rrg", values)) {
    state.SkipWithError("cannot make the files");
  }
  // Listed: every file in the dialog's list, nothing left for the window.
  const auto listMs = [&](orten::gui::QtUserInterface& ui, const QString& folder, int count) {
    const Clock::time_point start = Clock::now();
    std::unique_ptr<QFileDialog> dialog =
        ui.NewFileDialog({"Открыть", folder.toStdString(), "", "Файлы регистрации (*.rrg)", "rrg"},
                         QFileDialog::AcceptOpen);
    auto* model = dialog->findChild<QFileSystemModel*>();
    bool loaded = false;
    QObject::connect(model, &QFileSystemModel::directoryLoaded,
                     [&](const QString& path) { loaded = loaded || path == folder; });
    dialog->show();
    while (!loaded || model->rowCount(model->index(folder)) < count) {
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    QCoreApplication::processEvents();
    return MsSince(start);
  };
  double bigMs = 0;
  double nextMs = 0;
  for (auto _ : state) {
    orten::gui::QtUserInterface ui;
    bigMs += listMs(ui, big.path(), kBackups);
    nextMs += listMs(ui, small.path(), 10);
  }
  const auto n = static_cast<double>(state.iterations());
  state.counters["list_ms"] = bigMs / n;
  state.counters["next_dialog_ms"] = nextMs / n;
}
BENCHMARK(BM_BackupDialog10000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
