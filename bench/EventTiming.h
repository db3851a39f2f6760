#pragma once

// Opt-in, for finding where the window's event loop loses time:
// ORTEN_GAP_EVENTS=ms makes the window's benchmarks print, for every gap
// longer than ms, the events the window's thread handled in it that took
// 0.2 ms or more (receiver, event type, time); the rest of the gap is work
// outside any event, or the thread waiting for a processor.
#include <QApplication>
#include <chrono>

namespace orten::bench {

class TimedApplication final : public QApplication {
 public:
  using Clock = std::chrono::steady_clock;

  TimedApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;

  // The gap worth reporting, in ms; 0 when not asked for.
  static double GapThresholdMs();
  // Prints the events handled since `from`: a gap of `ms`, `atMs` into the case.
  static void ReportGap(Clock::time_point from, double ms, double atMs);
  // Forgets the events handled so far: a new turn began.
  static void Forget();
};

}  // namespace orten::bench
