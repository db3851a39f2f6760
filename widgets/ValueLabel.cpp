#include "widgets/ValueLabel.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>
#include <algorithm>

namespace orten::gui {

namespace {

// What a screen reader hears: the value, verbatim (the stock label
// interface would drop an '&' from a file name), and the caption.
class AccessibleValueLabel final : public QAccessibleWidget {
 public:
  explicit AccessibleValueLabel(QWidget* widget)
      : QAccessibleWidget(widget, QAccessible::StaticText) {}

  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Name) return static_cast<const QLabel*>(widget())->text();
    return QAccessibleWidget::text(kind);
  }
};

QAccessibleInterface* ValueLabelAccessibility(const QString& className, QObject* object) {
  if (className == QLatin1String(ValueLabel::staticMetaObject.className()) && object &&
      object->isWidgetType()) {
    return new AccessibleValueLabel(static_cast<QWidget*>(object));
  }
  return nullptr;
}

}  // namespace

ValueLabel::ValueLabel(Qt::TextElideMode elide, QWidget* parent) : QLabel(parent), elide_(elide) {
  static const bool installed = [] {
    QAccessible::installFactory(ValueLabelAccessibility);
    return true;
  }();
  Q_UNUSED(installed);
  // A value is shown as it is: a file name that looks like markup stays text.
  setTextFormat(Qt::PlainText);
  // Values are worth copying into a report or a support call.
  setTextInteractionFlags(Qt::TextSelectableByMouse);
}

QString ValueLabel::flatText() const {
  QString flat = text();
  flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
  return flat;
}

QString ValueLabel::shownText() const {
  const QString flat = flatText();
  if (flat == text() && fontMetrics().horizontalAdvance(flat) <= contentsRect().width()) {
    return flat;
  }
  return fontMetrics().elidedText(flat, elide_, contentsRect().width());
}

QSize ValueLabel::lineSize(int textWidth) const {
  const QMargins m = contentsMargins();
  return {textWidth + m.left() + m.right(), fontMetrics().height() + m.top() + m.bottom()};
}

QSize ValueLabel::sizeHint() const {
  return lineSize(fontMetrics().horizontalAdvance(flatText()));
}

QSize ValueLabel::minimumSizeHint() const {
  // Room for a few characters around the ellipsis, never the whole value.
  return lineSize(std::min(fontMetrics().horizontalAdvance(flatText()),
                           fontMetrics().horizontalAdvance(QStringLiteral("0000…"))));
}

bool ValueLabel::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
    const auto* help = static_cast<QHelpEvent*>(event);
    if (isElided()) {
      QToolTip::showText(help->globalPos(), text(), this);
    } else {
      QToolTip::hideText();
      event->ignore();
    }
    return true;
  }
  return QLabel::event(event);
}

void ValueLabel::paintEvent(QPaintEvent* event) {
  if (!isElided()) {
    QLabel::paintEvent(event);
    return;
  }
  QPainter painter(this);
  drawFrame(&painter);
  style()->drawItemText(&painter, contentsRect(),
                        QStyle::visualAlignment(layoutDirection(), alignment()), palette(),
                        isEnabled(), shownText(), foregroundRole());
}

}  // namespace orten::gui
