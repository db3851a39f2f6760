#include "widgets/BusyGuard.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <vector>

#include "widgets/WindowThread.h"

namespace orten::gui {

namespace {

int g_depth = 0;

struct IdleWork {
  QPointer<QObject> context;
  std::function<void()> work;
};

std::vector<IdleWork>& Waiting() {
  static std::vector<IdleWork> waiting;
  return waiting;
}

void RunIdleWork() {
  if (g_depth > 0) return;  // the last guard's end brings it back
  std::vector<IdleWork> due;
  due.swap(Waiting());
  for (IdleWork& w : due) {
    if (w.context) w.work();
  }
}

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
      return true;
    default:
      return false;
  }
}

}  // namespace

BusyGuard::BusyGuard(QWidget* window) : window_(window) {
  QCoreApplication::instance()->installEventFilter(this);
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  ++g_depth;
}

BusyGuard::~BusyGuard() {
  --g_depth;
  QGuiApplication::restoreOverrideCursor();
  QCoreApplication* app = QCoreApplication::instance();
  if (app) app->removeEventFilter(this);
  if (app && g_depth == 0 && !Waiting().empty()) QTimer::singleShot(0, app, &RunIdleWork);
}

bool BusyGuard::Active() {
  return g_depth > 0;
}

QEvent::Type BusyGuard::CloseRefused() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

void BusyGuard::WhenIdle(QObject* context, std::function<void()> work) {
  if (!OnWindowThread()) {
    // Asked from an exchange on its worker: the list is the window thread's.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [context = QPointer<QObject>(context), work = std::move(work)]() mutable {
          if (context) WhenIdle(context, std::move(work));
        },
        Qt::QueuedConnection);
    return;
  }
  Waiting().push_back({context, std::move(work)});
  QTimer::singleShot(0, context, &RunIdleWork);
}

bool BusyGuard::eventFilter(QObject* watched, QEvent* event) {
  if (!window_ || !watched->isWidgetType()) return false;
  const auto* widget = static_cast<QWidget*>(watched);
  if (widget->window() != window_) return false;
  if (event->type() == QEvent::Close) {
    // A close must be refused explicitly: an event that is merely filtered
    // counts as accepted, and the window would close mid-transfer.
    event->ignore();
    QCoreApplication::postEvent(window_, new QEvent(CloseRefused()));
    return true;
  }
  return IsUserInput(event->type());
}

}  // namespace orten::gui
