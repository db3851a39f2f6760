#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <QWidget>
#include <memory>

#include "app/TMainForm.h"
#include "sim/SimClock.h"
#include "sim/SimTransport.h"
#include "sim/VirtualPacer.h"
#include "tests/support/ScriptedUi.h"
#include "widgets/RadioGroup.h"

namespace orten::gui::test {

// The device's command packets as the window sends them.
inline const QByteArray kConnectMain("\x55\x55\xA0\xAA\x00\x00\x02\x29", 8);
inline const QByteArray kConnectWork("\x55\x55\xAA\xAA\x00\x00\x01\xF1", 8);
inline const QByteArray kDisconnect("\x55\x55\xA0\x00\x00\x00\x22\x09", 8);

using orten::test::ScriptedUi;

// A user's click on an item of a radio group: on a button's round indicator
// (a radio button takes clicks on indicator and text only), or on a row of
// the list form.
void ClickItem(const RadioGroup& group, int item, Qt::KeyboardModifiers modifiers = {});

// One window on the simulated line: a device plugged in, a scripted user, a
// virtual clock, and a fresh temporary folder as the program's folder.
class WindowFixture {
 public:
  // The window is built in programFolder, or in a fresh temporary folder.
  explicit WindowFixture(std::uint8_t version = 45, const QString& programFolder = {});
  ~WindowFixture();

  // Shows the window and waits until it can take input.
  bool Show();

  template <typename T>
  T* Find(const char* name) const {
    return form->findChild<T*>(QString::fromLatin1(name));
  }
  QWidget* Widget(const char* name) const { return Find<QWidget>(name); }

  QString Folder() const { return folder_; }

  // What a user does: click a button, pick an item of a radio group.
  void Click(const char* button) const;
  void Pick(const char* group, int item) const;
  bool Enabled(const char* name) const { return Widget(name)->isEnabled(); }

  // Every byte the simulated device has received.
  QByteArray Wire() const;
  // A firmware file in Base: the head 55 55 TYPE VERSION, then 64-byte blocks.
  void PutFirmware(const QString& name, int version, int blocks = 4, char type = '\x12') const;

  VirtualClock clock;
  SimBus bus;
  std::shared_ptr<SimDevice> device;
  SimTransport transport{bus, clock};
  VirtualPacer pacer{&clock};
  ScriptedUi ui;
  std::unique_ptr<TMainForm> form;

 private:
  QTemporaryDir dir_;
  QString folder_;
};

}  // namespace orten::gui::test
