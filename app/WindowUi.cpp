#include "app/WindowUi.h"

#include <QLabel>
#include <QProgressBar>
#include <QString>

namespace orten::gui {

void WindowUi::Attach(QLabel* statusText, QProgressBar* progress) {
  statusText_ = statusText;
  progress_ = progress;
}

void WindowUi::ShowAside(const QString& text) {
  if (!statusText_) return;
  aside_ = true;
  statusText_->setText(text);
  statusText_->repaint();
}

void WindowUi::EndAside() {
  if (!aside_) return;
  aside_ = false;
  statusText_->setText(status_);
}

void WindowUi::SetStatusText(const std::string& text) {
  // The exchange goes on without waiting for the window to show it.
  if (!OnWindowThread()) return PostToWindowThread([this, text] { SetStatusText(text); });
  const QString shown = QString::fromStdString(text);
  status_ = shown;
  aside_ = false;
  // A firmware write repeats the same percentage many times a second:
  // touch only what changed. The event loop paints it: the exchange runs
  // on its own thread.
  if (statusText_ && statusText_->text() != shown) statusText_->setText(shown);
  inner_.SetStatusText(text);
}

void WindowUi::SetProgress(int percent) {
  if (!OnWindowThread()) return PostToWindowThread([this, percent] { SetProgress(percent); });
  if (progress_ && progress_->value() != percent) progress_->setValue(percent);
  inner_.SetProgress(percent);
}

}  // namespace orten::gui
