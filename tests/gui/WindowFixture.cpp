#include "tests/gui/WindowFixture.h"

#include <QDir>
#include <QTest>

namespace orten::gui::test {

WindowFixture::WindowFixture(std::uint8_t version, const QString& programFolder)
    : device(bus.Attach(version)), folder_(programFolder.isEmpty() ? dir_.path() : programFolder) {
  form = std::make_unique<TMainForm>(
      AppServices{transport, ui, pacer, nullptr, QDir(folder_).absolutePath().toStdString()});
}

WindowFixture::~WindowFixture() {
  form.reset();
  // Leave the temporary folder before it is removed.
  QDir::setCurrent(QDir::tempPath());
}

bool WindowFixture::Show() {
  form->show();
  form->activateWindow();
  return QTest::qWaitForWindowExposed(form.get());
}

}  // namespace orten::gui::test
