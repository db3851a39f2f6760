#pragma once

#include <QLabel>

namespace orten::gui {

// A label that shows a value the program fills in: a device type, a file
// name, the status line. A value too long for its place is cut with an
// ellipsis instead of widening the window, and the whole text shows in a
// tooltip. A screen reader reads the value itself as the name; the caption
// is the description. Works through QLabel's own text, so setText() and
// clear() on a plain QLabel pointer keep all of this up to date.
class ValueLabel : public QLabel {
  Q_OBJECT

 public:
  explicit ValueLabel(Qt::TextElideMode elide = Qt::ElideMiddle, QWidget* parent = nullptr);

  // The text as it is painted: the whole value, or the value cut to fit.
  QString shownText() const;
  bool isElided() const { return shownText() != text(); }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  // One line: a line break in a value would make the row taller.
  QString flatText() const;
  QSize lineSize(int textWidth) const;

  Qt::TextElideMode elide_;
};

}  // namespace orten::gui
