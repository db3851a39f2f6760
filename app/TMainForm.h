#pragma once

#include <QMainWindow>
#include <QString>
#include <string>

#include "app/AppServices.h"
#include "app/MainFormState.h"
#include "app/WindowUi.h"
#include "link/DeviceLink.h"

class QLabel;
class QProgressBar;
class QStatusBar;

namespace orten::gui {

class BackupPage;
class FirmwarePage;
class GuardedTabWidget;
class RelayPage;
class RightColumn;

// The program's one window: the pages on the left, the command column on
// the right, the status line with the progress bar at the bottom. It owns
// the link to the device and the state every page's handlers share.
class TMainForm : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int kFirmwareTab = 0;
  static constexpr int kBackupTab = 1;
  static constexpr int kRelayTab = 2;

  explicit TMainForm(const AppServices& services, QWidget* parent = nullptr);
  ~TMainForm() override;

  // Handlers.
  void OperModeCmBChange();
  // Asked before the user changes pages; false refuses the change.
  bool MainPageCChanging(int from, int to);
  void HelpClick();
  void SetStatusText(const QString& text);
  void SetProgress(int percent);
  void FormClose();

  // Controls.
  GuardedTabWidget* MainPageC = nullptr;
  FirmwarePage* UpdateSoftTabSh = nullptr;
  BackupPage* RegistBackupTabSh = nullptr;
  RelayPage* ReleSettingsTabSh = nullptr;
  RightColumn* Column = nullptr;
  QStatusBar* MainStatusB = nullptr;
  QProgressBar* MainProgressB = nullptr;

  QString statusText() const;
  MainFormState& state() { return state_; }
  const MainFormState& state() const { return state_; }
  // Exchanges with the device go through here; its user interface is the window's.
  DeviceLink& link() { return link_; }
  UserInterface& ui() { return ui_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildWindow();
  void buildStatusBar();
  void connectHandlers();
  void startUp(const std::string& programFolder);
  void enterProgramFolder(const std::string& programFolder);
  void setFileNameParts();

  MainFormState state_;
  WindowUi ui_;
  DeviceLink link_;
  QLabel* statusText_ = nullptr;
};

}  // namespace orten::gui
