#include "tests/gui/WindowFixture.h"

#include "app/RussianLanguage.h"
#include "widgets/RadioGroup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace orten::gui::test {

WindowFixture::WindowFixture(std::uint8_t version, const QString& programFolder)
    : device(bus.Attach(version)), folder_(programFolder.isEmpty() ? dir_.path() : programFolder) {
  UseRussianLanguage();  // as the program does at start
  form = std::make_unique<TMainForm>(
      AppServices{transport, ui, pacer, nullptr, QDir(folder_).absolutePath().toStdString(), {}});
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

void WindowFixture::Click(const char* button) const {
  QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton);
}

void ClickItem(const RadioGroup& group, int item, Qt::KeyboardModifiers modifiers) {
  QCoreApplication::processEvents();  // lay out buttons the page has just made
  if (QListView* list = group.list()) {
    const QModelIndex index = list->model()->index(item, 0);
    QVERIFY(index.isValid());
    list->scrollTo(index);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                      list->visualRect(index).center());
    return;
  }
  QRadioButton* b = group.button(item);
  QVERIFY(b);
  QTest::mouseClick(b, Qt::LeftButton, modifiers, QPoint(6, b->height() / 2));
}

void WindowFixture::Pick(const char* group, int item) const {
  ClickItem(*Find<RadioGroup>(group), item);
}

QByteArray WindowFixture::Wire() const {
  const auto& bytes = device->received();
  return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qsizetype>(bytes.size()));
}

void WindowFixture::PutFirmware(const QString& name, int version, int blocks, char type) const {
  QByteArray bytes(10 + 64 * blocks, '\x33');
  bytes[0] = bytes[1] = '\x55';
  bytes[2] = type;
  bytes[3] = static_cast<char>(version);
  QFile file(QDir(folder_).filePath("Base/" + name));
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

}  // namespace orten::gui::test
