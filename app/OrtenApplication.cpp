#include "app/OrtenApplication.h"

#include <QMessageBox>
#include <exception>

#include "base/UserInterface.h"

namespace orten::gui {

bool OrtenApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    ShowException(e.what());
  } catch (...) {
    ShowException({});
  }
  return false;
}

void OrtenApplication::ShowException(const std::string& what) {
  QMessageBox::critical(QApplication::activeWindow(), kAppTitle, QString::fromStdString(what));
}

}  // namespace orten::gui
