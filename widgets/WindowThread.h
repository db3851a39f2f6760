#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

class QWidget;

namespace orten::gui {

// True on the thread the widgets live on.
inline bool OnWindowThread() {
  return QThread::currentThread() == QCoreApplication::instance()->thread();
}

// Runs work on the window's thread and returns its result: at once there, or
// from another thread by handing it over and waiting until it has run (a box
// asked from an exchange must be answered before the exchange goes on).
template <typename Work>
auto CallOnWindowThread(Work&& work) -> std::invoke_result_t<Work&> {
  using Result = std::invoke_result_t<Work&>;
  if (OnWindowThread()) return work();
  if constexpr (std::is_void_v<Result>) {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&work] { work(); }, Qt::BlockingQueuedConnection);
  } else {
    std::optional<Result> result;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&] { result.emplace(work()); },
        Qt::BlockingQueuedConnection);
    return std::move(*result);
  }
}

// Hands work over to the window's thread without waiting (at once when on
// it). Work handed over runs in the order it was given, and before any later
// CallOnWindowThread's.
template <typename Work>
void PostToWindowThread(Work&& work) {
  if (OnWindowThread()) {
    work();
    return;
  }
  QMetaObject::invokeMethod(QCoreApplication::instance(), std::forward<Work>(work),
                            Qt::QueuedConnection);
}

// Runs work on a thread of its own while the window's event loop keeps
// turning (painting, the boxes the work asks for), and returns when it has
// ended. The window is busy meanwhile (BusyGuard): no input, no close. What
// the work throws is thrown here.
void RunOffWindowThread(QWidget* window, const std::function<void()>& work);

template <typename Work>
auto OffWindowThread(QWidget* window, Work&& work) -> std::invoke_result_t<Work&> {
  using Result = std::invoke_result_t<Work&>;
  if constexpr (std::is_void_v<Result>) {
    RunOffWindowThread(window, work);
  } else {
    std::optional<Result> result;
    RunOffWindowThread(window, [&] { result.emplace(work()); });
    return std::move(*result);
  }
}

}  // namespace orten::gui
