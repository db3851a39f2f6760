#pragma once

#include <QString>
#include <QWidget>

#include "backup/BackupNaming.h"

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

  // "Создать" and "Восстановить"; "Удалить" needs no device and stays enabled.
  void enableCreateAndRestore(bool on);
  // The object number and the module number box.
  void enableNumbers(bool on);
  // The numbers and the system mode, which only a new backup fills in.
  void enableFields(bool on);

  void showDeviceType(const QString& type);
  void clearDeviceType();
  // The object number and the module number, list and text.
  void clearNumbers();
  // The backup file's name and configuration code, and the numbers.
  void clearFileFields();
  // Everything that describes a backup, the system mode included.
  void clearBackup();

  // The system mode chosen in "Режим работы в системе:", None before a choice.
  SystemMode systemMode() const;
  void clearSystemMode();
  // A new system mode: its module numbers are offered with none chosen, and
  // the object number starts afresh.
  void fillModuleNumbers(SystemMode mode);

  void showFileName(const QString& name);
  void showConfigurationCode(int code);
  QString configurationCodeText() const;
  // A backup read from a file: its name, its code, and the system mode,
  // module and object as the name records them.
  void showBackup(const QString& fileName, int configurationCode, const BackupNameFacts& facts);

  QString moduleNumber() const;
  QString objectNumber() const;
  // Back to the module number, its text as typed, for the user to mend.
  void focusModuleNumber();

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
