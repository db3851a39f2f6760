#pragma once

#include <QMainWindow>
#include <QString>
#include <array>
#include <string>
#include <vector>

#include "app/AppServices.h"
#include "app/MainFormState.h"
#include "app/PageControllers.h"
#include "app/WindowUi.h"
#include "backup/BackupNaming.h"
#include "backup/RegistrationImage.h"
#include "firmware/FirmwareLibrary.h"
#include "ops/Journal.h"
#include "ops/Session.h"
#include "protocol/DeviceCommands.h"
#include "protocol/DeviceLink.h"
#include "protocol/FirmwareImage.h"
#include "widgets/WindowThread.h"

class QLabel;
class QProgressBar;
class QStatusBar;

namespace orten::gui {

// On the status line when the window is asked to close during an exchange.
inline constexpr const char* kCloseWhileBusy =
    "Идет обмен с прибором: окно можно будет закрыть, когда он закончится.";

class BackupPage;
class FirmwarePage;
class GuardedTabWidget;
class HelpWindow;
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

  // What the device may hold when it went away in the middle of an operation.
  enum class GoneDuring { Connect, Read, Write, FirmwareWrite };

  // The connect workflow (group "Связь").
  void ConnectButtonClick();
  void DisconnectButtonClick();
  void ResetDeviceInfo();

  // The page "Главная": family choice, firmware choice, "Выполнить".
  void DevOperModeRdGClick();
  void SWVersionRdGClick();
  void ExecuteButtonClick();

  // The groups "Прибор" and "Файл": each acts on the active work page.
  void ReadButtonClick();
  void WriteButtonClick();
  void SaveButtonClick();
  void LoadButtonClick();

  // The page "Режимы реле и выхода ОК" (app/RelayHandlers.cpp).
  void DefaultButtonClick();

  // The page "Резервная копия" (app/BackupHandlers.cpp).
  void RegBackupCreateButtonClick(QObject* sender);
  void RPU_RTRRadioGrClick();
  void ModuleNumCmBExit();

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
  DeviceLink& link() { return session_.link(); }
  // What the handlers say after an operation goes through the session's
  // interface, so that the journal records the words the user read.
  UserInterface& ui() { return session_.ui(); }
  // The firmware file last loaded, as it goes to the device.
  const FirmwareImage& firmwareImage() const { return firmwareImage_; }
  // The registration memory last read from a device or a backup file.
  const RegistrationImage& registrationImage() const { return backup_.image(); }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;

 private:
  // Runs work with the device (or a scan of a large folder) on a worker
  // thread; the window keeps painting and stays busy until it returns.
  template <typename Work>
  auto offThread(Work&& work) {
    return OffWindowThread(this, std::forward<Work>(work));
  }

  void buildWindow();
  void buildStatusBar();
  void connectHandlers();
  void startUp(const std::string& programFolder);
  void enterProgramFolder(const std::string& programFolder);
  void showUserGuide(const QString& guide);

  // A device gone during an operation ends the work: the window goes idle
  // without a word to the device, and the user is told to connect again and
  // what the device may now hold. True when it was gone.
  bool endIfDeviceGone(const Outcome& outcome, GoneDuring during);
  // The idle state "Разорвать" leaves, with the disconnect command only when
  // sendDisconnect; the status line is left to the caller.
  void endLink(bool sendDisconnect);

  // A connect that did not come about: the link's buttons as before it.
  void connectFailed(const Outcome& outcome);
  void applyIdentity(const DeviceIdentity& device);
  void connectOnMainPage();
  void offerNewerFirmware();
  // A data folder inside ProgramFolder ("Base", "Reg_RPU", "ReleCfg").
  std::string dataFolder(const char* folder) const;
  std::string firmwarePath(const QString& name) const;
  bool readFirmwareFile(const QString& name, FirmwareReadMode mode);
  Outcome writeFirmwareAndDisconnect();
  void checkAfterRestart();
  void openWorkPage(const PageController& page);
  void openDemoWorkPage(int item);

  // The work pages' controllers, and the one on a tab or for a family;
  // none on "Главная".
  std::array<PageController*, 2> pages() { return {&backup_, &relay_}; }
  PageController* pageAt(int tab);
  PageController* activePage();
  PageController* pageOf(DeviceMode family);
  // Back on "Главная" with the work pages hidden: they open only from there.
  void closeWorkPages();
  friend class PageController;
  friend class BackupController;
  friend class RelayController;

  void connectBackupHandlers();

  MainFormState state_;
  WindowUi ui_;
  TraceLog* trace_ = nullptr;
  DeviceChooser* chooser_ = nullptr;
  Journal journal_;  // before the session, which records into it
  Session session_;
  FirmwareImage firmwareImage_;
  std::string firmwareFile_;  // the file firmwareImage_ was read from
  BackupController backup_{*this};
  RelayController relay_{*this};
  QLabel* statusText_ = nullptr;
  HelpWindow* helpWindow_ = nullptr;
};

}  // namespace orten::gui
