#pragma once

#include <QPointer>
#include <QWidget>

#include "base/UserInterface.h"

namespace orten::gui {

// The person at the screen, reached through Qt's standard boxes and file
// dialogs. Status text and progress are the window's business (WindowUi).
class QtUserInterface final : public UserInterface {
 public:
  // Boxes and dialogs are modal to this window.
  void SetParentWidget(QWidget* parent) { parent_ = parent; }

  void SetStatusText(const std::string&) override {}
  void SetProgress(int) override {}
  void ShowMessage(const std::string& text, const std::string& caption, BoxIcon icon) override;
  bool AskYesNo(const std::string& text, const std::string& caption, BoxIcon icon) override;
  std::optional<std::string> AskOpenFile(const FileDialogRequest& request) override;
  std::optional<std::string> AskSaveFile(const FileDialogRequest& request) override;
  bool OpenDocument(const std::string& path) override;
  void Beep() override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace orten::gui
