#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QWidget>
#include <memory>

#include "app/TMainForm.h"
#include "sim/SimClock.h"
#include "sim/SimTransport.h"
#include "sim/VirtualPacer.h"
#include "tests/support/ScriptedUi.h"

namespace orten::gui::test {

using orten::test::ScriptedUi;

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
