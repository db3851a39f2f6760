#include "widgets/GuiPacer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>

#include "widgets/WindowThread.h"

namespace orten::gui {

namespace {

// Sleep between event rounds: short enough for smooth painting, long
// enough not to spin a core.
constexpr qint64 kSliceMs = 5;

}  // namespace

void GuiPacer::Pause(int ms) {
  // Off the window's thread there is no window to keep alive: just sleep.
  if (!OnWindowThread()) {
    if (ms > 0) QThread::msleep(static_cast<unsigned long>(ms));
    return;
  }
  QElapsedTimer timer;
  timer.start();
  for (;;) {
    const qint64 left = ms - timer.elapsed();
    if (left <= 0) return;
    QCoreApplication::processEvents(QEventLoop::AllEvents, static_cast<int>(left));
    const qint64 rest = ms - timer.elapsed();
    if (rest > 0) QThread::msleep(static_cast<unsigned long>(std::min(rest, kSliceMs)));
  }
}

void GuiPacer::Pump() {
  if (OnWindowThread()) QCoreApplication::processEvents();
}

}  // namespace orten::gui
