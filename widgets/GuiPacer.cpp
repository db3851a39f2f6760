#include "widgets/GuiPacer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>

namespace orten::gui {

namespace {

// Sleep between event rounds: short enough for smooth painting, long
// enough not to spin a core.
constexpr qint64 kSliceMs = 5;

}  // namespace

void GuiPacer::Pause(int ms) {
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
  QCoreApplication::processEvents();
}

}  // namespace orten::gui
