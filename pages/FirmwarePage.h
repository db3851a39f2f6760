#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <optional>

class QGroupBox;
class QLabel;
class QPushButton;

namespace orten::gui {

class RadioGroup;

// The page "Главная": the connected device, the choice of the firmware
// family and file, and the facts of the chosen file.
class FirmwarePage : public QWidget {
  Q_OBJECT

 public:
  explicit FirmwarePage(QWidget* parent = nullptr);

  // The connected device's type and current firmware version.
  void showDevice(const QString& type, const QString& version);
  void clearDeviceFacts();
  // The group "Сведения о файле прошивки:" emptied.
  void clearFileFacts();

  // The family choice and "Выполнить", shown or hidden together.
  void showFamilyChoice(bool shown);
  // The connected device's family chosen (item), the choice shown, and it
  // and "Выполнить" enabled.
  void offerFamilyChoice(int item);
  // "Выполнить" and the family choice, in that order.
  void enableFamilyChoice(bool on);
  // The family item chosen, -1 for none.
  int chosenFamily() const;
  void showExecuteButton(bool shown);

  void setFirmwareFiles(const QStringList& names);
  void clearFirmwareFiles();
  void showFirmwareFiles(bool shown);
  void showFileFacts(bool shown);
  // The firmware file chosen in the list, even while the list is hidden.
  std::optional<QString> chosenFirmwareFile() const;
  // The family choice, the file facts, the file list and "Выполнить", as
  // before any device was connected.
  void hideChoices();

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
