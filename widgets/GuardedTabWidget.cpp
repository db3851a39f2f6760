#include "widgets/GuardedTabWidget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QTabBar>
#include <QWheelEvent>
#include <cstdlib>

namespace orten::gui {

namespace {

// One notch of an ordinary mouse wheel.
constexpr int kWheelStep = 120;

}  // namespace

GuardedTabWidget::GuardedTabWidget(QWidget* parent) : QTabWidget(parent) {
  tabBar()->installEventFilter(this);
}

bool GuardedTabWidget::isSelectable(int index) const {
  return index >= 0 && index < count() && isTabVisible(index) && isTabEnabled(index);
}

void GuardedTabWidget::setTabVisible(int index, bool visible) {
  if (!visible && index >= 0 && index < count() && !isTabVisible(index)) {
    widget(index)->hide();  // all that hiding it again would change
    return;
  }
  QTabWidget::setTabVisible(index, visible);
}

void GuardedTabWidget::requestPage(int index) {
  const int from = currentIndex();
  if (asking_ || index == from || !isSelectable(index)) return;
  bool allowed = true;
  if (guard_) {
    // The guard may show a modal box; input arriving meanwhile must not
    // start a second change.
    asking_ = true;
    allowed = guard_(from, index);
    asking_ = false;
  }
  if (allowed && isSelectable(index)) setCurrentIndex(index);
}

int GuardedTabWidget::nextSelectable(int from, int step, bool wrap) const {
  const int n = count();
  int index = from;
  for (int pass = 0; pass < n; ++pass) {
    index += step;
    if (index < 0 || index >= n) {
      if (!wrap) return -1;
      index = (index + n) % n;
    }
    if (isSelectable(index)) return index == from ? -1 : index;
  }
  return -1;
}

bool GuardedTabWidget::event(QEvent* event) {
  if (event->type() != QEvent::LayoutRequest) return QTabWidget::event(event);
  // A page that shows or hides a part asks its parents to lay out again.
  // QTabWidget answers by placing the tab bar and the pages anew and
  // repainting all of itself, every page's every control, although only the
  // tab bar's size or its own decides where they go: with those unchanged
  // the page's own layout has already placed and repainted what moved. The
  // window's layout still hears of the page's new size hint.
  if (tabBar()->sizeHint() == laidOutBar_ && size() == laidOutSize_) {
    updateGeometry();
    return true;
  }
  const bool handled = QTabWidget::event(event);
  laidOutBar_ = tabBar()->sizeHint();
  laidOutSize_ = size();
  return handled;
}

bool GuardedTabWidget::eventFilter(QObject* watched, QEvent* event) {
  if (watched != tabBar()) return QTabWidget::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:  // the tab bar treats it as a press
      return onTabBarMouse(static_cast<QMouseEvent*>(event));
    case QEvent::Wheel:
      return onTabBarWheel(static_cast<QWheelEvent*>(event));
    case QEvent::KeyPress:
      return onTabBarKey(static_cast<QKeyEvent*>(event));
    default:
      return QTabWidget::eventFilter(watched, event);
  }
}

bool GuardedTabWidget::onTabBarMouse(QMouseEvent* event) {
  if (asking_) return true;
  if (event->button() != Qt::LeftButton) return false;
  const int index = tabBar()->tabAt(event->position().toPoint());
  if (index == currentIndex() || !isSelectable(index)) return false;
  event->accept();
  requestPage(index);
  return true;
}

bool GuardedTabWidget::onTabBarWheel(QWheelEvent* event) {
  if (asking_) return true;
  if (!style()->styleHint(QStyle::SH_TabBar_AllowWheelScrolling, nullptr, tabBar())) return false;
  const QPoint angle = event->angleDelta();
  const int delta = std::abs(angle.y()) >= std::abs(angle.x()) ? angle.y() : angle.x();
  if (delta == 0) return false;
  // Touchpads send small steps; a page turns once per full notch.
  if ((wheelDelta_ > 0) != (delta > 0)) wheelDelta_ = 0;
  wheelDelta_ += delta;
  event->accept();
  if (std::abs(wheelDelta_) < kWheelStep) return true;
  const int step = wheelDelta_ > 0 ? -1 : 1;
  wheelDelta_ = 0;
  const int target = nextSelectable(currentIndex(), step, false);
  if (target >= 0) requestPage(target);
  return true;
}

bool GuardedTabWidget::onTabBarKey(QKeyEvent* event) {
  if (asking_) return true;
  int target = -1;
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
      const bool back = event->key() == (isRightToLeft() ? Qt::Key_Right : Qt::Key_Left);
      target = nextSelectable(currentIndex(), back ? -1 : 1, false);
      break;
    }
    case Qt::Key_Home:
      target = nextSelectable(-1, 1, false);
      break;
    case Qt::Key_End:
      target = nextSelectable(count(), -1, false);
      break;
    default:
      return false;
  }
  event->accept();
  if (target >= 0) requestPage(target);
  return true;
}

void GuardedTabWidget::keyPressEvent(QKeyEvent* event) {
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  int step = 0;
  if (ctrl && event->key() == Qt::Key_Tab) {
    step = event->modifiers() & Qt::ShiftModifier ? -1 : 1;
  } else if (ctrl && event->key() == Qt::Key_Backtab) {
    step = -1;
  } else if (ctrl && event->key() == Qt::Key_PageDown) {
    step = 1;
  } else if (ctrl && event->key() == Qt::Key_PageUp) {
    step = -1;
  }
  if (step == 0) {
    QTabWidget::keyPressEvent(event);
    return;
  }
  event->accept();
  if (asking_) return;
  const int target = nextSelectable(currentIndex(), step, true);
  if (target >= 0) requestPage(target);
}

}  // namespace orten::gui
