// The window during a 64 KiB firmware write on the simulated device with
// real pauses: the longest time its event loop went without a turn (no
// painting, no input), seen from the event dispatcher. The user clicks
// "Установить" and answers Yes to the offer of newer firmware.
#include <benchmark/benchmark.h>

#include <QAbstractEventDispatcher>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <chrono>

#include "app/RightColumn.h"
#include "app/TMainForm.h"
#include "bench/BenchSupport.h"
#include "protocol/FirmwareWriter.h"
#include "sim/SimTransport.h"
#include "widgets/GuiPacer.h"

namespace {

using Clock = std::chrono::steady_clock;

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
// A turn is the dispatcher waking to handle what is pending; unlike a
// zero-interval timer this adds no events, so a pause still sleeps between
// its turns as it does for the user.
class LoopGapMeter {
 public:
  void Start() {
    last_ = Clock::now();
    connection_ = QObject::connect(QAbstractEventDispatcher::instance(),
                                   &QAbstractEventDispatcher::awake, [this] { Turn(); });
  }
  void Stop() {
    Turn();
    QObject::disconnect(connection_);
  }
  double longestMs() const { return std::chrono::duration<double, std::milli>(longest_).count(); }
  long turns() const { return turns_; }

 private:
  void Turn() {
    const Clock::time_point now = Clock::now();
    longest_ = std::max(longest_, now - last_);
    last_ = now;
    ++turns_;
  }

  QMetaObject::Connection connection_;
  Clock::time_point last_;
  Clock::duration longest_{};
  long turns_ = 0;
};

// The window as main() builds it, in a fresh program folder whose Base holds
// firmware newer than the relay module on the line.
struct WindowRig {
  QTemporaryDir folder;
  orten::SteadySimClock clock;
  orten::SimBus bus;
  std::shared_ptr<orten::SimDevice> device = bus.Attach(45);
  orten::SimTransport transport{bus, clock};
  orten::gui::GuiPacer pacer;
  YesUi ui;
  std::unique_ptr<orten::gui::TMainForm> form;

  WindowRig() {
    QDir(folder.path()).mkpath("Base");
    orten::bench::WriteFile(QDir(folder.path()).filePath("Base/MRO_50").toStdString(),
                            orten::bench::FirmwareBytes(1024, 50));
  }
  ~WindowRig() {
    form.reset();
    QDir::setCurrent(QDir::tempPath());  // the window made the program folder current
  }
};

void BM_WindowFirmwareWrite64KiB(benchmark::State& state) {
  double longestMs = 0;
  double wallMs = 0;
  long turns = 0;
  for (auto _ : state) {
    WindowRig rig;
    rig.form = std::make_unique<orten::gui::TMainForm>(orten::gui::AppServices{
        rig.transport, rig.ui, rig.pacer, nullptr, rig.folder.path().toStdString(), {}});
    rig.form->show();
    if (!QTest::qWaitForWindowExposed(rig.form.get())) state.SkipWithError("window not shown");
    LoopGapMeter meter;
    meter.Start();
    const Clock::time_point start = Clock::now();
    rig.form->Column->ConnectButton->click();
    wallMs += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
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

}  // namespace
