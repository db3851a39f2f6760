#pragma once

#include <QString>
#include <mutex>
#include <string>
#include <vector>

#include "base/UserInterface.h"
#include "widgets/WindowThread.h"

class QLabel;
class QProgressBar;

namespace orten::gui {

// The user interface the window's exchanges talk through: status text and
// progress go to the window's own status bar first, then everything is
// passed on to the interface the window was given (boxes, dialogs, beeps).
// The window's exchanges run on a worker thread: every call is carried over
// to the window's thread, in the order the exchange made it; the status
// text and progress without waiting, a box or dialog waited for (its
// answer, or its being read, comes before the exchange goes on). A firmware
// write sets both thousands of times a second: they wait in one queue, and
// the window's thread takes all that came since its last turn at once,
// rather than one handed-over call each.
class WindowUi final : public UserInterface {
 public:
  explicit WindowUi(UserInterface& inner) : inner_(inner) {}

  // The status bar's parts, once the window has built them.
  void Attach(QLabel* statusText, QProgressBar* progress);
  // A line of the window's own in place of the status text, until the next
  // status text or EndAside(), which puts the status text back. No status
  // text of an exchange: the interface behind is not told.
  void ShowAside(const QString& text);
  void EndAside();

  void SetStatusText(const std::string& text) override;
  void SetProgress(int percent) override;
  void ShowMessage(const std::string& text, const std::string& caption, BoxIcon icon) override {
    CallOnWindowThread([&] { inner_.ShowMessage(text, caption, icon); });
  }
  bool AskYesNo(const std::string& text, const std::string& caption,
                BoxIcon icon = BoxIcon::None) override {
    return CallOnWindowThread([&] { return inner_.AskYesNo(text, caption, icon); });
  }
  std::optional<std::string> AskOpenFile(const FileDialogRequest& request) override {
    return CallOnWindowThread([&] { return inner_.AskOpenFile(request); });
  }
  std::optional<std::string> AskSaveFile(const FileDialogRequest& request) override {
    return CallOnWindowThread([&] { return inner_.AskSaveFile(request); });
  }
  bool OpenDocument(const std::string& path) override {
    return CallOnWindowThread([&] { return inner_.OpenDocument(path); });
  }
  void Beep() override {
    CallOnWindowThread([&] { inner_.Beep(); });
  }
  std::optional<std::size_t> ChooseDevice(const DeviceChoice& choice) override {
    return CallOnWindowThread([&] { return inner_.ChooseDevice(choice); });
  }

 private:
  // A status text or a percentage from the exchange's thread.
  struct Update {
    bool isStatus = true;
    std::string text;
    int percent = 0;
  };
  void Queue(Update update);
  void ShowQueued();

  UserInterface& inner_;
  QLabel* statusText_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QString status_;  // the status text as last set
  bool aside_ = false;
  std::mutex queueMutex_;
  std::vector<Update> queued_;  // not yet taken by the window's thread
};

}  // namespace orten::gui
