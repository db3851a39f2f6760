#include "widgets/QtUserInterface.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace orten::gui {

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

QMessageBox::Icon IconOf(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::Information:
      return QMessageBox::Information;
    case BoxIcon::Error:
      return QMessageBox::Critical;
    case BoxIcon::Question:
      return QMessageBox::Question;
    case BoxIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

// Sets up a file dialog from the request; the proposed name starts in the
// requested folder.
void Prepare(QFileDialog& dialog, const FileDialogRequest& request) {
  dialog.setWindowTitle(Q(request.title));
  if (!request.folder.empty()) dialog.setDirectory(Q(request.folder));
  if (!request.filter.empty()) dialog.setNameFilter(Q(request.filter));
  if (!request.defaultSuffix.empty()) dialog.setDefaultSuffix(Q(request.defaultSuffix));
  if (!request.defaultName.empty()) dialog.selectFile(Q(request.defaultName));
}

std::optional<std::string> Run(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return QDir::toNativeSeparators(dialog.selectedFiles().constFirst()).toStdString();
}

}  // namespace

void QtUserInterface::ShowMessage(const std::string& text, const std::string& caption,
                                  BoxIcon icon) {
  QMessageBox box(IconOf(icon), Q(caption), Q(text), QMessageBox::Ok, parent_);
  // Messages quote file names and file contents: never let them pass as markup.
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

bool QtUserInterface::AskYesNo(const std::string& text, const std::string& caption, BoxIcon icon) {
  QMessageBox box(IconOf(icon), Q(caption), Q(text), QMessageBox::Yes | QMessageBox::No, parent_);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::No);
  // The window speaks Russian whether or not Qt's own translations are installed.
  box.button(QMessageBox::Yes)->setText("Да");
  box.button(QMessageBox::No)->setText("Нет");
  return box.exec() == QMessageBox::Yes;
}

std::optional<std::string> QtUserInterface::AskOpenFile(const FileDialogRequest& request) {
  QFileDialog dialog(parent_);
  Prepare(dialog, request);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  return Run(dialog);
}

std::optional<std::string> QtUserInterface::AskSaveFile(const FileDialogRequest& request) {
  QFileDialog dialog(parent_);
  Prepare(dialog, request);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  return Run(dialog);
}

bool QtUserInterface::OpenDocument(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(Q(path)));
}

void QtUserInterface::Beep() {
  QApplication::beep();
}

}  // namespace orten::gui
