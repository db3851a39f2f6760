#pragma once

#include <array>

#include "params/ReleSettings.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QWidget;

namespace orten::gui {

class RadioGroup;

// The controls of one output's page (relay 1, relay 2 or the open-collector
// output). Control names carry the output number: `ReleWorkMode2`,
// `privrele116`, `TimeZmk3`.
struct OutputControls {
  RadioGroup* ReleWorkMode = nullptr;

  // "Привязки к разделам:": four panels of four partitions each.
  QGroupBox* bindingsGroup = nullptr;
  std::array<QFrame*, 4> panels{};
  std::array<QLabel*, kPartitionCount> partitionLabels{};
  std::array<QCheckBox*, kPartitionCount> privrele{};  // by partition - 1

  // "Обрабатываемые извещения:": the nine stored notifications (in the
  // order of kNotifications) and three boxes that are never enabled.
  QGroupBox* notificationsGroup = nullptr;
  std::array<QCheckBox*, kNotificationCount> notifications{};
  QCheckBox* ErrorPower = nullptr;
  QCheckBox* NoConnect = nullptr;
  QCheckBox* BoxDamage = nullptr;

  // "Дополнительно:": the times, the inverse mode and the hidden relay control.
  QGroupBox* extraGroup = nullptr;
  QLabel* TimeRzmkLabel = nullptr;
  QComboBox* TimeRzmk = nullptr;
  QLabel* TimeZmkLabel = nullptr;
  QComboBox* TimeZmk = nullptr;
  QLabel* TimePeriodLabel = nullptr;
  QComboBox* TimePeriod = nullptr;
  QLabel* InvReleLabel = nullptr;
  QComboBox* InvRele = nullptr;
  QLabel* ReleControlLabel = nullptr;
  QComboBox* ReleControl = nullptr;

  QCheckBox* notification(Notification n) const {
    return notifications[static_cast<std::size_t>(n)];
  }
};

// Fills page with the controls of output 1-3, laid out as the window has
// them: bindings and work mode above, notifications and times below.
OutputControls BuildOutputPage(QWidget* page, int output);

}  // namespace orten::gui
