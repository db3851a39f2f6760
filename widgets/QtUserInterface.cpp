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

// Qt's dialog keeps the folder it showed last, in the program and in its
// settings file, and the next dialog lists that folder before the one it
// was asked for: after the folder of 10,000 backups, every dialog listed it
// again. Each of ours is given its folder, so this one leaves none behind.
class FolderForgettingDialog final : public QFileDialog {
 public:
  using QFileDialog::QFileDialog;
  ~FolderForgettingDialog() override { setDirectory(QString()); }
};

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

QIcon NameOnlyIconProvider::icon(const QFileInfo& info) const {
  if (info.isRoot()) return icon(Drive);
  QIcon& made = info.isDir() ? folder_ : file_;
  if (made.isNull()) made = icon(info.isDir() ? Folder : File);
  return made;
}

QString NameOnlyIconProvider::type(const QFileInfo& info) const {
  // Folders, drives and links to nothing are told apart without reading.
  if (!info.isFile()) return QFileIconProvider::type(info);
  const QString suffix = info.suffix();
  return suffix.isEmpty() ? QStringLiteral("Файл") : QStringLiteral("Файл ") + suffix.toUpper();
}

std::unique_ptr<QFileDialog> QtUserInterface::NewFileDialog(const FileDialogRequest& request,
                                                            QFileDialog::AcceptMode mode) {
  const QString folder = request.folder.empty() ? QDir::currentPath() : Q(request.folder);
  auto dialog = std::make_unique<FolderForgettingDialog>(parent_, Q(request.title), folder);
  // Before the event loop delivers the first files to type.
  dialog->setIconProvider(&icons_);
  dialog->setAcceptMode(mode);
  dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                      : QFileDialog::AnyFile);
  if (!request.filter.empty()) dialog->setNameFilter(Q(request.filter));
  if (!request.defaultSuffix.empty()) dialog->setDefaultSuffix(Q(request.defaultSuffix));
  if (!request.defaultName.empty()) dialog->selectFile(Q(request.defaultName));
  return dialog;
}

std::optional<std::string> QtUserInterface::AskOpenFile(const FileDialogRequest& request) {
  return Run(*NewFileDialog(request, QFileDialog::AcceptOpen));
}

std::optional<std::string> QtUserInterface::AskSaveFile(const FileDialogRequest& request) {
  return Run(*NewFileDialog(request, QFileDialog::AcceptSave));
}

bool QtUserInterface::OpenDocument(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(Q(path)));
}

void QtUserInterface::Beep() {
  QApplication::beep();
}

}  // namespace orten::gui
