#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

namespace orten::gui {

// While a device exchange runs and pumps events, the window must not start a
// second command, change pages or close. A BusyGuard swallows the user's
// mouse and keyboard input to that window (boxes and dialogs opened by the
// exchange itself still work) and shows the wait cursor until it goes out
// of scope. Guards may nest. A close it refuses is posted to the window as
// an event of type CloseRefused(), so the window may say why.
class BusyGuard final : public QObject {
  Q_OBJECT

 public:
  explicit BusyGuard(QWidget* window);
  ~BusyGuard() override;
  BusyGuard(const BusyGuard&) = delete;
  BusyGuard& operator=(const BusyGuard&) = delete;

  // True while any guard is alive.
  static bool Active();
  static QEvent::Type CloseRefused();
  // Runs work from the event loop once no guard is alive (soon, when none
  // is): a box raised in the middle of an exchange would stall it. Dropped
  // if context is gone by then. May be asked from any thread.
  static void WhenIdle(QObject* context, std::function<void()> work);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QWidget> window_;
};

}  // namespace orten::gui
