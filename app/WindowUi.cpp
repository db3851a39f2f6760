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
  if (!OnWindowThread()) return Queue({true, text, 0});
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
  if (!OnWindowThread()) return Queue({false, {}, percent});
  if (progress_ && progress_->value() != percent) progress_->setValue(percent);
  inner_.SetProgress(percent);
}

void WindowUi::Queue(Update update) {
  bool first = false;
  {
    const std::lock_guard<std::mutex> lock(queueMutex_);
    first = queued_.empty();
    queued_.push_back(std::move(update));
  }
  // One hand-over for a queue that was empty; until it runs, later updates
  // join it. A box asked meanwhile is handed over after it, so it still
  // comes after every update made before it.
  if (first) PostToWindowThread([this] { ShowQueued(); });
}

void WindowUi::ShowQueued() {
  std::vector<Update> updates;
  {
    const std::lock_guard<std::mutex> lock(queueMutex_);
    updates.swap(queued_);
  }
  for (const Update& update : updates) {
    if (update.isStatus) {
      SetStatusText(update.text);
    } else {
      SetProgress(update.percent);
    }
  }
}

}  // namespace orten::gui
