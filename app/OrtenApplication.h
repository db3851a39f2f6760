#pragma once

#include <QApplication>
#include <string>

namespace orten::gui {

// The application object. An exception that escapes an event handler is
// shown in a box and the program goes on, instead of tearing down the
// event loop with the user's unsaved work.
class OrtenApplication final : public QApplication {
  Q_OBJECT

 public:
  OrtenApplication(int& argc, char** argv) : QApplication(argc, argv) {}

  bool notify(QObject* receiver, QEvent* event) override;

  // The box for an exception; a non-standard one has an empty message.
  static void ShowException(const std::string& what);
};

}  // namespace orten::gui
