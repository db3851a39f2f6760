#include "widgets/WindowThread.h"

#include <QEventLoop>
#include <exception>
#include <memory>

#include "widgets/BusyGuard.h"

namespace orten::gui {

void RunOffWindowThread(QWidget* window, const std::function<void()>& work) {
  if (!OnWindowThread()) {
    work();  // already off it
    return;
  }
  BusyGuard busy(window);
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
