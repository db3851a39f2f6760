#include "widgets/WindowThread.h"

#include <QEvent>
#include <QEventLoop>
#include <exception>
#include <memory>

#include "widgets/BusyGuard.h"

namespace orten::gui {

namespace {

// Counts the layout requests the window's thread handles.
class LayoutRequestCount final : public QObject {
 public:
  LayoutRequestCount() { QCoreApplication::instance()->installEventFilter(this); }
  ~LayoutRequestCount() override { QCoreApplication::instance()->removeEventFilter(this); }
  int count = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::LayoutRequest) ++count;
    return false;
  }
};

// Lays out now what the window changed since its last turn. A size change
// deep in a page climbs one level of layouts per turn of the event loop
// (group, page, tabs, window), and each of those turns would paint the
// window anew; laid out here, the next turn paints it once.
void SettleLayouts() {
  constexpr int kMostLevels = 16;  // a guard: the window nests far fewer
  LayoutRequestCount handled;
  for (int level = 0; level < kMostLevels; ++level) {
    const int before = handled.count;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    if (handled.count == before) return;
  }
}

}  // namespace

void RunOffWindowThread(QWidget* window, const std::function<void()>& work) {
  if (!OnWindowThread()) {
    work();  // already off it
    return;
  }
  BusyGuard busy(window);
  SettleLayouts();
  std::exception_ptr thrown;
  QEventLoop loop;
  const std::unique_ptr<QThread> worker(QThread::create([&] {
    try {
      work();
    } catch (...) {
      thrown = std::current_exception();
    }
  }));
  // Queued to the loop's thread: a worker that ends before the loop starts
  // still ends it.
  QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit,
                   Qt::QueuedConnection);
  worker->start();
  loop.exec();
  worker->wait();
  if (thrown) std::rethrow_exception(thrown);
}

}  // namespace orten::gui
