#include "app/HelpWindow.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextFragment>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "base/DataFolders.h"
#include "base/UserInterface.h"

namespace orten::gui {

namespace {

constexpr const char* kGuidePage = "guide/index.html";

bool IsPicture(const QUrl& url) {
  return url.isLocalFile() &&
         QImageReader::supportedImageFormats().contains(
             QFileInfo(url.toLocalFile()).suffix().toLower().toLatin1());
}

// The widest picture of the page, at its own size.
int WidestPicture(const QTextBrowser& browser) {
  int widest = 0;
  for (QTextBlock block = browser.document()->begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextImageFormat image = it.fragment().charFormat().toImageFormat();
      if (!image.isValid()) continue;
      const QUrl url = browser.source().resolved(QUrl(image.name()));
      widest = std::max(widest, QImageReader(url.toLocalFile()).size().width());
    }
  }
  return widest;
}

QString FolderLink(const QString& path, const QString& text) {
  return QString("<a href=\"%1\">%2</a>")
      .arg(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded), text.toHtmlEscaped());
}

// Where the files are, each folder a link: Base, Reg_RPU and ReleCfg are
// hidden on Windows, so Explorer does not list them in the folder above.
QString DataFolderText(const QString& dataFolder) {
  const QDir folder(dataFolder);
  const auto link = [&folder](const char* name) { return FolderLink(folder.filePath(name), name); };
  return QString(
             "Файлы программы лежат в папке %1: %2 — прошивки, %3 — резервные копии, "
             "%4 — настройки реле.")
      .arg(FolderLink(dataFolder, QDir::toNativeSeparators(dataFolder)), link(kFirmwareFolder),
           link(kBackupFolder), link(kSettingsFolder));
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

HelpWindow::HelpWindow(const QString& guidePage, const QString& dataFolder, QWidget* parent)
    : QDialog(parent) {
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
  if (!dataFolder.isEmpty()) {
    auto* folders = new QLabel(DataFolderText(dataFolder));
    folders->setObjectName("HelpDataFolder");
    folders->setWordWrap(true);
    folders->setTextInteractionFlags(Qt::TextBrowserInteraction);
    folders->setOpenExternalLinks(true);
    layout->addWidget(folders);
  }
  layout->addWidget(browser_);
  layout->addWidget(buttons);
  fitPictures();
}

// The pictures are shown at their own size, pixel for pixel, so their small
// print stays legible: the window opens wide enough for the widest one where
// the screen allows, and scrolls otherwise.
void HelpWindow::fitPictures() {
  const QMargins outer = layout()->contentsMargins();
  const int around = outer.left() + outer.right() + 2 * browser_->frameWidth() +
                     style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  // The page's own margins around the widest picture come with the layout's width.
  QTextDocument* page = browser_->document();
  page->setTextWidth(WidestPicture(*browser_));
  const int content = static_cast<int>(std::ceil(page->size().width()));
  QSize size(std::max(820, content + around), 700);
  if (const QScreen* screen = this->screen()) {
    size = size.boundedTo(screen->availableGeometry().size() - QSize(24, 48));
  }
  resize(size);
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
