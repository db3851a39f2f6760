#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;

namespace orten::gui {

// The column of small groups along the window's right edge: port, operating
// mode, link, device, file and the rest. Their handlers live in the window.
class RightColumn : public QWidget {
  Q_OBJECT

 public:
  // The items of "Режим работы:".
  static constexpr int kDemoItem = 0;
  static constexpr int kOnlineItem = 1;

  explicit RightColumn(QWidget* parent = nullptr);

  // The item the mode box's text names; -1 for typed text that names none.
  int operModeItem() const;
  void chooseOperMode(int item);

  // "Установить" while there is no link, "Разорвать" while there is one.
  void enableLinkButtons(bool connected);
  void enableConnect(bool on);
  // Whether the buttons show a link ("Разорвать" enabled).
  bool linked() const;

  // The group "Прибор": read from and write to the device.
  void enableDeviceButtons(bool read, bool write);
  // The group "Файл": load from and save to a file.
  void enableFileButtons(bool load, bool save);
  // Single buttons, for the steps that change one and leave its partner.
  void enableRead(bool on);
  void enableWrite(bool on);
  void enableLoad(bool on);
  void enableSave(bool on);
  // "Завод. настройки".
  void enableFactoryButton(bool on);
  // Every button that works on a page: save, load, write, read, factory settings.
  void disableWorkButtons();

  QGroupBox* GroupBox1 = nullptr;
  QCheckBox* CheckBox1 = nullptr;

  QGroupBox* OperModeGrB = nullptr;
  QComboBox* OperModeCmB = nullptr;

  QGroupBox* GroupBox39 = nullptr;
  QPushButton* ConnectButton = nullptr;
  QPushButton* DisconnectButton = nullptr;

  QGroupBox* GroupBox40 = nullptr;
  QPushButton* WriteButton = nullptr;
  QPushButton* ReadButton = nullptr;

  QGroupBox* GroupBox41 = nullptr;
  QPushButton* SaveButton = nullptr;
  QPushButton* LoadButton = nullptr;

  QGroupBox* GroupBox42 = nullptr;
  QPushButton* DefaultButton = nullptr;
  QPushButton* Help = nullptr;

 private:
  void buildPortGroup();
  void buildModeGroup();
  // A group holding two buttons, one above the other.
  QGroupBox* buttonPair(const QString& name, const QString& title, QPushButton* first,
                        QPushButton* second);
};

}  // namespace orten::gui
