#include "bench/EventTiming.h"

#include <QThread>
#include <cstdio>
#include <string>
#include <vector>

namespace orten::bench {

namespace {

struct Handled {
  TimedApplication::Clock::time_point start;
  double ms;
  int depth;
  int type;
  std::string receiver;
};

double g_thresholdMs = 0;
int g_depth = 0;
std::vector<Handled> g_handled;

double Ms(TimedApplication::Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

TimedApplication::TimedApplication(int& argc, char** argv) : QApplication(argc, argv) {
  g_thresholdMs = qEnvironmentVariableIntValue("ORTEN_GAP_EVENTS");
}

double TimedApplication::GapThresholdMs() {
  return g_thresholdMs;
}

bool TimedApplication::notify(QObject* receiver, QEvent* event) {
  if (g_thresholdMs <= 0 || QThread::currentThread() != thread()) {
    return QApplication::notify(receiver, event);
  }
  // Named before delivery: the receiver may be gone after it.
  const int type = event->type();
  const std::string name =
      std::string(receiver->metaObject()->className()) + " " + receiver->objectName().toStdString();
  const Clock::time_point start = Clock::now();
  ++g_depth;
  const bool result = QApplication::notify(receiver, event);
  --g_depth;
  const double ms = Ms(Clock::now() - start);
  if (ms >= 0.2) g_handled.push_back({start, ms, g_depth, type, name});
  return result;
}

void TimedApplication::ReportGap(Clock::time_point from, double ms, double atMs) {
  std::fprintf(stderr, "gap of %.2f ms at %.0f ms\n", ms, atMs);
  for (const Handled& h : g_handled) {
    if (h.start < from) continue;
    std::fprintf(stderr, "  %*s+%.2f ms: %.2f ms, event %d to %s\n", 2 * h.depth, "",
                 Ms(h.start - from), h.ms, h.type, h.receiver.c_str());
  }
}

void TimedApplication::Forget() {
  g_handled.clear();
}

}  // namespace orten::bench
