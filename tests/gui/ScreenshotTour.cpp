// Takes the user guide's pictures from the real window on the simulated
// device: scripts/take-screenshots.sh runs it under Xvfb with the guide's
// image folder, so the pictures can be remade whenever the window changes.
// Run by the tests too (offscreen), so the tour breaks loudly when a control
// it drives is renamed.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QTest>
#include <cstdio>

#include "tests/gui/WindowFixture.h"

using namespace orten::gui;
using namespace orten::gui::test;

namespace {

bool Save(const WindowFixture& f, const QDir& folder, const char* name) {
  QCoreApplication::processEvents();
  // A palette of 256 colours keeps the pictures small; a window has few.
  const QImage image =
      f.form->grab().toImage().convertToFormat(QImage::Format_Indexed8, Qt::AvoidDither);
  const QString path = folder.filePath(QString(name) + ".png");
  if (!image.save(path, "PNG", 9)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

// A receiver on the line with a newer firmware in Base; "Выполнить" with
// the first item then opens the backup page.
bool ReceiverPictures(const QDir& out) {
  WindowFixture f(120);
  if (!f.Show()) return false;
  f.PutFirmware("RPU_120", 120);
  f.PutFirmware("RPU_130", 130);
  if (!Save(f, out, "start")) return false;
  f.Click("ConnectButton");  // the newer-firmware offer is declined
  if (!Save(f, out, "connected")) return false;
  f.Click("ExecuteButton");
  if (!Save(f, out, "backup")) return false;
  f.Click("DisconnectButton");
  return true;
}

// Demo mode: the family choice, then the relay page with the factory settings.
bool DemoPictures(const QDir& out) {
  WindowFixture f(45);
  if (!f.Show()) return false;
  f.Find<QComboBox>("OperModeCmB")->setCurrentIndex(0);
  f.Pick("DevOperModeRdG", 1);
  if (!Save(f, out, "demo")) return false;
  f.Click("ExecuteButton");
  return Save(f, out, "relay");
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // Plain text edges: a third of the bytes, and just as legible.
  QFont font = QApplication::font();
  font.setStyleStrategy(QFont::NoAntialias);
  QApplication::setFont(font);
  if (argc != 2) {
    std::fprintf(stderr, "usage: ortenconf_screenshot_tour FOLDER\n");
    return 2;
  }
  // Absolute: the window makes its own folder the current directory.
  const QDir out(QDir(QString::fromLocal8Bit(argv[1])).absolutePath());
  if (!QDir().mkpath(out.path())) return 1;
  return ReceiverPictures(out) && DemoPictures(out) ? 0 : 1;
}
