#pragma once

#include "base/UserInterface.h"

namespace orten {

// Passes everything on to the user interface it wraps, and notes the last
// words shown (a box, or a status line where the interface shows one): what
// the journal records as an operation's message is what the user read at
// its end. Where nothing was shown (the command line shows no status line),
// the last status text stands for it: the exchange's own words on how it ended.
class NotingUi final : public UserInterface {
 public:
  explicit NotingUi(UserInterface& ui) : ui_(ui) {}

  void Forget() {
    last_.clear();
    unshown_.clear();
  }
  const std::string& last() const { return last_.empty() ? unshown_ : last_; }
  const std::string& shown() const { return last_; }
  // Words shown other than through an interface (ortenctl's standard output).
  void Shown(const std::string& text) { Note(text); }

  bool ShowsStatusText() const override { return ui_.ShowsStatusText(); }
  void SetStatusText(const std::string& text) override {
    if (ui_.ShowsStatusText()) {
      Note(text);
    } else if (!text.empty()) {
      unshown_ = text;
    }
    ui_.SetStatusText(text);
  }
  void SetProgress(int percent) override { ui_.SetProgress(percent); }
  void ShowMessage(const std::string& text, const std::string& caption, BoxIcon icon) override {
    Note(text);
    ui_.ShowMessage(text, caption, icon);
  }
  bool AskYesNo(const std::string& text, const std::string& caption, BoxIcon icon) override {
    return ui_.AskYesNo(text, caption, icon);
  }
  std::optional<std::string> AskOpenFile(const FileDialogRequest& request) override {
    return ui_.AskOpenFile(request);
  }
  std::optional<std::string> AskSaveFile(const FileDialogRequest& request) override {
    return ui_.AskSaveFile(request);
  }
  bool OpenDocument(const std::string& path) override { return ui_.OpenDocument(path); }
  void Beep() override { ui_.Beep(); }

 private:
  void Note(const std::string& text) {
    if (!text.empty()) last_ = text;
  }

  UserInterface& ui_;
  std::string last_;
  std::string unshown_;  // the last status text, where the interface shows none
};

}  // namespace orten
