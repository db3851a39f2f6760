#include "app/HelpWindow.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "base/UserInterface.h"

namespace orten::gui {

namespace {

constexpr const char* kGuidePage = "guide/index.html";

}  // namespace

HelpWindow::HelpWindow(const QString& guidePage, QWidget* parent) : QDialog(parent) {
  setObjectName("HelpWindow");
  setWindowTitle(QString("Справка — ") + kAppTitle);
  browser_ = new QTextBrowser();
  browser_->setObjectName("HelpBrowser");
  browser_->setAccessibleName("Руководство пользователя");
  // Links to the web go to the browser; the guide's own pages stay here.
  browser_->setOpenExternalLinks(true);
  browser_->setSource(QUrl::fromLocalFile(QFileInfo(guidePage).absoluteFilePath()));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(browser_);
  layout->addWidget(buttons);
  resize(820, 640);
}

QString FindUserGuide(const QString& executableFolder) {
  const QDir folder(executableFolder);
  for (const QString& candidate : {folder.filePath(kGuidePage),
                                   folder.filePath(QString("../share/ortenconf/") + kGuidePage)}) {
    if (QFileInfo(candidate).isFile()) return QFileInfo(candidate).absoluteFilePath();
  }
  return {};
}

}  // namespace orten::gui
