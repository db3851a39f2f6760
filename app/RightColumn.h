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
  explicit RightColumn(QWidget* parent = nullptr);

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
