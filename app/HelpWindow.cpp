#include "app/HelpWindow.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QScrollArea>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "base/UserInterface.h"

namespace orten::gui {

namespace {

constexpr const char* kGuidePage = "guide/index.html";

bool IsPicture(const QUrl& url) {
  return url.isLocalFile() &&
         QImageReader::supportedImageFormats().contains(
             QFileInfo(url.toLocalFile()).suffix().toLower().toLatin1());
}

}  // namespace

// One of the guide's pictures at its own size, scrolling when the screen is smaller.
void HelpWindow::showPicture(const QUrl& url) {
  if (!picture_) {
    picture_ = new QDialog(this);
    picture_->setObjectName("HelpPicture");
    auto* label = new QLabel();
    label->setObjectName("HelpPictureImage");
    auto* scroll = new QScrollArea();
    scroll->setWidget(label);
    auto* layout = new QVBoxLayout(picture_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
  }
  auto* label = picture_->findChild<QLabel*>("HelpPictureImage");
  const QPixmap pixmap(url.toLocalFile());
  label->setPixmap(pixmap);
  label->resize(pixmap.size());
  picture_->setWindowTitle(QFileInfo(url.toLocalFile()).fileName());
  picture_->resize(pixmap.size() + QSize(4, 4));
  picture_->show();
  picture_->raise();
}

HelpWindow::HelpWindow(const QString& guidePage, QWidget* parent) : QDialog(parent) {
  setObjectName("HelpWindow");
  setWindowTitle(QString("Справка — ") + kAppTitle);
  browser_ = new QTextBrowser();
  browser_->setObjectName("HelpBrowser");
  browser_->setAccessibleName("Руководство пользователя");
  // Links to the web go to the browser, a picture opens at its full size
  // (the page shows it smaller), the guide's own pages stay here.
  browser_->setOpenLinks(false);
  connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
    const QUrl url = browser_->source().resolved(link);
    if (IsPicture(url)) {
      showPicture(url);
    } else if (url.isLocalFile()) {
      browser_->setSource(url);
    } else {
      QDesktopServices::openUrl(url);
    }
  });
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
