#pragma once

#include <QDialog>
#include <optional>

#include "base/UserInterface.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace orten::gui {

// "Выбор прибора": the devices that could be the receiver, one row each with
// its IDs, where it is plugged in, maker, product and whether this user may
// open it. The first row is chosen to begin with; a double click chooses.
class DeviceChoiceDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit DeviceChoiceDialog(const DeviceChoice& choice, QWidget* parent = nullptr);

  // The row chosen, once accepted.
  std::optional<std::size_t> chosenRow() const;

  QLabel* DeviceChoiceText = nullptr;
  QTreeWidget* DeviceChoiceList = nullptr;
  QPushButton* DeviceChoiceOkButton = nullptr;
  QPushButton* DeviceChoiceCancelButton = nullptr;
};

}  // namespace orten::gui
