#pragma once

#include <QWidget>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace orten::gui {

class RadioGroup;

// The page "Резервная копия": create, restore and delete backups of the
// receiver's registration memory, with the facts that name the backup file.
class BackupPage : public QWidget {
  Q_OBJECT

 public:
  explicit BackupPage(QWidget* parent = nullptr);

 signals:
  // The module number box lost the focus to another control (not to its
  // own drop-down list).
  void moduleNumberLeft();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 public:
  QLabel* Label125 = nullptr;

  QGroupBox* RegistBackupGrB = nullptr;
  QLabel* Dev2TypeLabel = nullptr;
  QLabel* Dev2TypeLabel2 = nullptr;

  QGroupBox* RegistBackupModeGrB = nullptr;
  QPushButton* RegBackupCreateButton = nullptr;
  QPushButton* RegBackupRestoreButton = nullptr;
  QPushButton* RegBackupDeleteButton = nullptr;

  QGroupBox* RegistBackupParamsGrB = nullptr;
  QLabel* ObjNumLabel = nullptr;
  QLineEdit* ObjNumEdit = nullptr;
  QLabel* ModuleNumLabel = nullptr;
  QComboBox* ModuleNumCmB = nullptr;
  QLabel* RegFNameLabel = nullptr;
  QLabel* RegFNameLabel2 = nullptr;
  QLabel* ConfCodeLabel = nullptr;
  QLabel* ConfCodeLabel2 = nullptr;
  RadioGroup* RPU_RTRRadioGr = nullptr;

 private:
  void buildDeviceGroup();
  void buildActionsGroup();
  void buildParamsGroup();
};

}  // namespace orten::gui
