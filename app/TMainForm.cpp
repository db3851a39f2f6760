#include "app/TMainForm.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

#include "app/HelpWindow.h"
#include "app/RightColumn.h"
#include "base/DataFolders.h"
#include "base/DateStamp.h"
#include "base/TraceLog.h"
#include "pages/BackupPage.h"
#include "pages/FirmwarePage.h"
#include "pages/RelayPage.h"
#include "params/ReleSettings.h"
#include "startup/DeviceChooser.h"
#include "widgets/BusyGuard.h"
#include "widgets/GuardedTabWidget.h"
#include "widgets/RadioGroup.h"
#include "widgets/ValueLabel.h"

namespace orten::gui {

namespace {

constexpr const char* kPageChangeRefused =
    "Внимание!\nВы не можете поменять режим работы в данный момент!\n"
    "Для смены режима работы разорвите связь с прибором.";
constexpr const char* kHelpMissing = "Не найден файл справки: ";
constexpr const char* kHelpNoViewer = "Не удалось открыть файл справки: ";
constexpr const char* kHelpNoViewerHint =
    "\nВ системе не настроена программа для просмотра файлов справки (*.hlp).";

}  // namespace

TMainForm::TMainForm(const AppServices& services, QWidget* parent)
    : QMainWindow(parent),
      ui_(services.ui),
      trace_(services.trace),
      journal_(JournalPath(services.programFolder), "ortenconf"),
      session_(services.transport, services.pacer, ui_, services.trace, &journal_) {
  buildWindow();
  resize(800, 600);
  startUp(services.programFolder);
  state_.UserGuide = services.userGuide;
  connectHandlers();
  // A journal that cannot be written is told once, after the exchange, as a
  // failed trace is; the work with the device goes on without it.
  journal_.OnFailure([this](const std::string& text) {
    BusyGuard::WhenIdle(this, [this, text] { ui_.ShowMessage(text, kAppTitle, BoxIcon::Error); });
  });
  session_.SetEmptyLineAdvice(services.emptyLineAdvice);
  chooser_ = services.chooser;
  if (chooser_) {
    session_.SetEmptyLineHandler(
        [this](LinkFault fault) { return chooser_->OfferAfterEmptyLine(fault, ui_); });
    // The one box about the rule: the rule, and the offer to install it.
    session_.SetAccessRefusedHandler(
        [this] { chooser_->OfferRule(ui_, session_.link().transport().OpenAdvice()); });
  }
  if (trace_) {
    // The trace stops at its first failed line; the user hears of it once,
    // after the exchange, which goes on meanwhile.
    trace_->OnFailure([this](const std::string& text) {
      BusyGuard::WhenIdle(this, [this, text] { ui_.ShowMessage(text, kAppTitle, BoxIcon::Error); });
    });
  }
}

TMainForm::~TMainForm() {
  journal_.OnFailure(nullptr);
  if (trace_) trace_->OnFailure(nullptr);
  // The pages outlive this part of the window by a moment: no handler of
  // ours may run for what they report while they are taken down.
  for (QObject* page : std::initializer_list<QObject*>{UpdateSoftTabSh, RegistBackupTabSh,
                                                       ReleSettingsTabSh, Column, MainPageC}) {
    page->disconnect(this);
  }
}

void TMainForm::buildWindow() {
  setObjectName("MainForm");
  setWindowTitle(kAppTitle);

  MainPageC = new GuardedTabWidget();
  MainPageC->setObjectName("MainPageC");
  MainPageC->setAccessibleName("Вкладки");
  UpdateSoftTabSh = new FirmwarePage();
  RegistBackupTabSh = new BackupPage();
  ReleSettingsTabSh = new RelayPage();
  MainPageC->addTab(UpdateSoftTabSh, "Главная");
  MainPageC->addTab(RegistBackupTabSh, "Резервная копия");
  MainPageC->addTab(ReleSettingsTabSh, "Режимы реле и выхода ОК");
  Column = new RightColumn();

  auto* central = new QWidget();
  auto* layout = new QHBoxLayout(central);
  layout->addWidget(MainPageC, 1);
  layout->addWidget(Column);
  setCentralWidget(central);
  buildStatusBar();
}

void TMainForm::buildStatusBar() {
  MainStatusB = new QStatusBar();
  MainStatusB->setObjectName("MainStatusB");
  MainStatusB->setAccessibleName("Строка состояния");
  // The progress bar takes the right end; the window frame resizes.
  MainStatusB->setSizeGripEnabled(false);
  // A label rather than showMessage(): a temporary message would be wiped by
  // any status tip, and the status text must stay until the program changes it.
  // A screen reader reads the text itself; a long one is cut with an ellipsis
  // at the window's edge rather than widening it.
  statusText_ = new ValueLabel(Qt::ElideRight);
  statusText_->setObjectName("MainStatusText");
  statusText_->setAccessibleDescription("Состояние");
  statusText_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  MainStatusB->addWidget(statusText_, 1);

  MainProgressB = new QProgressBar();
  MainProgressB->setObjectName("MainProgressB");
  MainProgressB->setAccessibleName("Ход выполнения");
  MainProgressB->setRange(0, 100);
  MainProgressB->setValue(0);
  MainProgressB->setTextVisible(false);  // the plain bar, no percentage
  MainStatusB->addPermanentWidget(MainProgressB);
  setStatusBar(MainStatusB);
  ui_.Attach(statusText_, MainProgressB);
}

void TMainForm::connectHandlers() {
  MainPageC->setChangeGuard([this](int from, int to) { return MainPageCChanging(from, to); });
  // The box is editable: a choice from the list and typed text both count.
  connect(Column->OperModeCmB, &QComboBox::currentIndexChanged, this,
          &TMainForm::OperModeCmBChange);
  connect(Column->OperModeCmB, &QComboBox::editTextChanged, this, &TMainForm::OperModeCmBChange);
  connect(Column->Help, &QPushButton::clicked, this, &TMainForm::HelpClick);
  connect(Column->ConnectButton, &QPushButton::clicked, this, &TMainForm::ConnectButtonClick);
  connect(Column->DisconnectButton, &QPushButton::clicked, this, &TMainForm::DisconnectButtonClick);
  connect(UpdateSoftTabSh->DevOperModeRdG, &RadioGroup::clicked, this,
          &TMainForm::DevOperModeRdGClick);
  connect(UpdateSoftTabSh->SWVersionRdG, &RadioGroup::clicked, this, &TMainForm::SWVersionRdGClick);
  connect(UpdateSoftTabSh->ExecuteButton, &QPushButton::clicked, this,
          &TMainForm::ExecuteButtonClick);
  connect(Column->ReadButton, &QPushButton::clicked, this, &TMainForm::ReadButtonClick);
  connect(Column->WriteButton, &QPushButton::clicked, this, &TMainForm::WriteButtonClick);
  connect(Column->SaveButton, &QPushButton::clicked, this, &TMainForm::SaveButtonClick);
  connect(Column->LoadButton, &QPushButton::clicked, this, &TMainForm::LoadButtonClick);
  connect(Column->DefaultButton, &QPushButton::clicked, this, &TMainForm::DefaultButtonClick);
  connectBackupHandlers();
}

void TMainForm::startUp(const std::string& programFolder) {
  Column->chooseOperMode(RightColumn::kOnlineItem);
  OperModeCmBChange();
  state_.DemoMode = false;
  state_.DisconnectDue = true;

  closeWorkPages();
  RegistBackupTabSh->clearNumbers();
  UpdateSoftTabSh->clearDeviceFacts();

  enterProgramFolder(programFolder);
  state_.ReleCount = kReleCount;
  state_.ReleParamCount = static_cast<int>(kReleParamCount);
  relay_.showFactorySettings();  // the relay page starts with the factory settings
  state_.DateStamp = TodayDateStamp();
}

void TMainForm::enterProgramFolder(const std::string& programFolder) {
  // The folders go inside the program's folder, wherever the program was
  // started from, so they are where every later file operation looks.
  const std::string folder =
      programFolder.empty() ? QDir::currentPath().toStdString() : programFolder;
  EnsureDataFolders(folder);
  state_.ProgramFolder = QDir::setCurrent(QString::fromStdString(folder))
                             ? QDir::toNativeSeparators(QDir::currentPath()).toStdString()
                             : folder;
}

void TMainForm::OperModeCmBChange() {
  // Typed text that names no item leaves everything as it is.
  const int item = Column->operModeItem();
  if (item != RightColumn::kDemoItem && item != RightColumn::kOnlineItem) return;
  const bool demo = item == RightColumn::kDemoItem;
  state_.DemoMode = demo;
  Column->enableConnect(!demo);
  UpdateSoftTabSh->showFamilyChoice(demo);
}

bool TMainForm::MainPageCChanging(int from, int /*to*/) {
  if (!state_.DemoMode && Column->linked()) {
    ui_.Beep();
    ui_.ShowMessage(kPageChangeRefused, kSystemCaption, BoxIcon::None);
    return false;
  }
  if (pageAt(from)) {
    // Leaving a work page always ends the work there: it can only be
    // reopened from "Главная".
    closeWorkPages();
    Column->disableWorkButtons();
    UpdateSoftTabSh->setFocus();
  }
  return true;
}

void TMainForm::HelpClick() {
  const QString path = QDir::toNativeSeparators(
      QDir(QString::fromStdString(state_.ProgramFolder)).filePath(kHelpFileName));
  const bool present = QFileInfo(path).isFile();
  if (present && ui_.OpenDocument(path.toStdString())) return;
  // Where the help file is missing or nothing can show it, our own guide does.
  const QString guide = QString::fromStdString(state_.UserGuide);
  if (!guide.isEmpty() && QFileInfo(guide).isFile()) {
    showUserGuide(guide);
    return;
  }
  if (!present) {
    ui_.ShowMessage(kHelpMissing + path.toStdString(), kWarningCaption, BoxIcon::Error);
    return;
  }
  ui_.ShowMessage(kHelpNoViewer + path.toStdString() + kHelpNoViewerHint, kWarningCaption,
                  BoxIcon::Error);
}

void TMainForm::showUserGuide(const QString& guide) {
  // One guide window, kept open beside the main window while the user works.
  if (!helpWindow_) {
    helpWindow_ = new HelpWindow(guide, QString::fromStdString(state_.ProgramFolder), this);
  }
  helpWindow_->show();
  helpWindow_->raise();
  helpWindow_->activateWindow();
}

void TMainForm::SetStatusText(const QString& text) {
  ui_.SetStatusText(text.toStdString());
}

void TMainForm::SetProgress(int percent) {
  ui_.SetProgress(percent);
}

QString TMainForm::statusText() const {
  return statusText_->text();
}

void TMainForm::FormClose() {
  // Only the pipes are closed: the device is left as it is, no disconnect
  // command is sent.
  session_.Close();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}

bool TMainForm::event(QEvent* event) {
  if (event->type() != BusyGuard::CloseRefused()) return QMainWindow::event(event);
  // Refused silently, a close looks like a hung window for as long as the
  // device may take (up to a minute for a firmware verdict). The status text
  // comes back when the exchange ends, unless it set a new one.
  ui_.ShowAside(kCloseWhileBusy);
  BusyGuard::WhenIdle(this, [this] { ui_.EndAside(); });
  return true;
}

}  // namespace orten::gui
