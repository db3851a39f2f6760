#pragma once

#include <QFileDialog>
#include <QFileIconProvider>
#include <QPointer>
#include <QWidget>
#include <memory>

#include "base/UserInterface.h"

namespace orten::gui {

// Icons and types for the file dialogs from the name and kind alone. Qt's own
// provider reads the first bytes of every file whose suffix it does not know
// (.rrg, .cfg) to guess a type, on the window's thread: a folder of 10,000
// backups took seconds to list.
class NameOnlyIconProvider final : public QFileIconProvider {
 public:
  using QFileIconProvider::icon;
  QIcon icon(const QFileInfo& info) const override;
  // "Файл RRG" for a file, by its suffix; Qt's words for folders and drives.
  QString type(const QFileInfo& info) const override;

 private:
  // Made once: the style makes a new icon on every request.
  mutable QIcon file_;
  mutable QIcon folder_;
};

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

  // The file dialog the two questions above run, set up but not shown.
  std::unique_ptr<QFileDialog> NewFileDialog(const FileDialogRequest& request,
                                             QFileDialog::AcceptMode mode);

 private:
  QPointer<QWidget> parent_;
  NameOnlyIconProvider icons_;  // outlives every dialog it serves
};

}  // namespace orten::gui
