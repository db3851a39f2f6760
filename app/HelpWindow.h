#pragma once

#include <QDialog>
#include <QString>

class QTextBrowser;
class QUrl;

namespace orten::gui {

// The program's own user guide (HTML with its pictures), shown in a window
// of its own so that it needs no browser. Above it, where this program keeps
// its files (dataFolder), each folder a link that opens it: on Windows they
// are hidden and Explorer does not list them.
class HelpWindow : public QDialog {
  Q_OBJECT

 public:
  explicit HelpWindow(const QString& guidePage, const QString& dataFolder = {},
                      QWidget* parent = nullptr);

  QTextBrowser* browser() const { return browser_; }
  // Opens one of the guide's pictures at full size (a click on it in the guide).
  void showPicture(const QUrl& url);

 private:
  void fitPictures();

  QTextBrowser* browser_ = nullptr;
  QDialog* picture_ = nullptr;
};

// The guide's start page: next to the executable (the build tree copies it
// there) or in the installed PREFIX/share/ortenconf; empty when neither is.
QString FindUserGuide(const QString& executableFolder);

}  // namespace orten::gui
