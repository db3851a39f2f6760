#pragma once

#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;

namespace orten::gui {

class RadioGroup;

// The page "Главная": the connected device, the choice of the firmware
// family and file, and the facts of the chosen file. The window's handlers
// work on these controls directly.
class FirmwarePage : public QWidget {
  Q_OBJECT

 public:
  explicit FirmwarePage(QWidget* parent = nullptr);

  QLabel* Label43 = nullptr;

  QGroupBox* SoftUpdateGrB2 = nullptr;
  QLabel* DevTypeLabel = nullptr;
  QLabel* DevTypeLabel2 = nullptr;
  QLabel* CurrentSoftVerLabel = nullptr;
  QLabel* CurrentSoftVerLabel2 = nullptr;

  RadioGroup* DevOperModeRdG = nullptr;
  RadioGroup* SWVersionRdG = nullptr;
  QPushButton* ExecuteButton = nullptr;

  QGroupBox* SoftUpdateGrB = nullptr;
  QLabel* NewSoftVerLabel = nullptr;
  QLabel* NewSoftVerLabel2 = nullptr;
  QLabel* SoftFNameLabel = nullptr;
  QLabel* SoftFNameLabel2 = nullptr;
  QLabel* SoftFTypeLabel = nullptr;
  QLabel* SoftFTypeLabel2 = nullptr;
  QLabel* SoftFDateLabel = nullptr;
  QLabel* SoftFDateLabel2 = nullptr;
  QLabel* SoftFSizeLabel = nullptr;
  QLabel* SoftFSizeLabel2 = nullptr;

 private:
  void buildDeviceGroup();
  void buildFileGroup();
};

}  // namespace orten::gui
