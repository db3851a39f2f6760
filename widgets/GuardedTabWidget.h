#pragma once

#include <QTabWidget>
#include <functional>

class QKeyEvent;
class QMouseEvent;
class QWheelEvent;

namespace orten::gui {

// A page control whose user-initiated page changes ask first. Clicks and
// wheel turns on the tab bar and the page keys are caught before the tab bar
// acts on them, so a refused change never shows the other page, not even for
// a moment. setCurrentIndex() from code is not guarded.
class GuardedTabWidget : public QTabWidget {
  Q_OBJECT

 public:
  // May the page change from `from` to `to`? The guard may itself change
  // pages and tab visibility; an allowed change then goes to `to` only if
  // that tab is still selectable.
  using ChangeGuard = std::function<bool(int from, int to)>;

  explicit GuardedTabWidget(QWidget* parent = nullptr);

  void setChangeGuard(ChangeGuard guard) { guard_ = std::move(guard); }
  // The one way a user's page change goes: guard first, then the switch.
  void requestPage(int index);
  // A tab that is shown and enabled.
  bool isSelectable(int index) const;
  // QTabWidget's, but hiding a hidden tab leaves the rest as it is: QTabWidget
  // would lay itself out and repaint every page anew, on every disconnect.
  void setTabVisible(int index, bool visible);

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool onTabBarMouse(QMouseEvent* event);
  bool onTabBarWheel(QWheelEvent* event);
  bool onTabBarKey(QKeyEvent* event);
  // The next selectable tab from `from` in steps of `step`, or -1.
  int nextSelectable(int from, int step, bool wrap) const;

  ChangeGuard guard_;
  bool asking_ = false;
  int wheelDelta_ = 0;
  // The tab bar's size hint and the widget's size when last laid out.
  QSize laidOutBar_;
  QSize laidOutSize_;
};

}  // namespace orten::gui
