#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "base/UserInterface.h"

namespace orten::test {

// The user, scripted: records everything the program says, in order, and
// answers questions and file dialogs from queues (No / Cancel when empty).
class ScriptedUi final : public UserInterface {
 public:
  enum class Kind { Status, Progress, Message, Question, OpenDialog, SaveDialog, Document, Beep };
  struct Event {
    Kind kind;
    std::string text;     // status text, message, question, dialog title, document path
    std::string caption;  // box caption, or the dialog's proposed name
    BoxIcon icon = BoxIcon::None;
    int value = 0;  // progress percent
  };

  void SetStatusText(const std::string& text) override;
  void SetProgress(int percent) override;
  void ShowMessage(const std::string& text, const std::string& caption, BoxIcon icon) override;
  bool AskYesNo(const std::string& text, const std::string& caption, BoxIcon icon) override;
  std::optional<std::string> AskOpenFile(const FileDialogRequest& request) override;
  std::optional<std::string> AskSaveFile(const FileDialogRequest& request) override;
  bool OpenDocument(const std::string& path) override;
  void Beep() override;

  // Scripting.
  void AnswerYes(bool yes = true) { answers_.push_back(yes); }
  void ChooseFile(std::optional<std::string> path) { files_.push_back(std::move(path)); }
  void SetDocumentOpens(bool opens) { documentOpens_ = opens; }

  // Inspection.
  const std::vector<Event>& events() const { return events_; }
  std::vector<Event> Of(Kind kind) const;
  std::vector<std::string> Messages() const;  // box texts, in order
  std::vector<std::string> Statuses() const;
  std::vector<int> Progress() const;
  std::string LastStatus() const;
  // Every file dialog's request in full, in order.
  const std::vector<FileDialogRequest>& Dialogs() const { return dialogs_; }
  void Clear() {
    events_.clear();
    dialogs_.clear();
  }

 private:
  std::vector<Event> events_;
  std::vector<FileDialogRequest> dialogs_;
  std::deque<bool> answers_;
  std::deque<std::optional<std::string>> files_;
  bool documentOpens_ = true;
};

}  // namespace orten::test
