// ortenconf: the configuration program's window.
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QGuiApplication>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <memory>

#include "app/CommandLine.h"
#include "app/HelpWindow.h"
#include "app/OrtenApplication.h"
#include "app/RussianLanguage.h"
#include "app/TMainForm.h"
#include "base/DataFolders.h"
#include "base/UserInterface.h"
#include "startup/DeviceChooser.h"
#include "startup/ExitCodes.h"
#include "startup/LinkEnvironment.h"
#include "widgets/GuiPacer.h"
#include "widgets/QtUserInterface.h"

#ifdef _WIN32
#include <windows.h>

#include "base/Utf8Path.h"
#endif

using namespace orten;
using namespace orten::gui;

namespace {

constexpr int kExitFailure = kWindowFailure;
constexpr int kExitUsage = kWindowUsage;
constexpr int kExitNoDisplay = kWindowNoDisplay;

// Qt ends the program with an English abort when no platform can start (no
// display, or one it cannot reach): say it in the user's words, with a code
// scripts can tell apart.
void NoDisplayHandler(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type != QtFatalMsg) {
    std::cerr << message.toStdString() << '\n';
    return;
  }
  std::cerr << "ortenconf: окно не может открыться: нет графического дисплея (переменная DISPLAY "
               "или WAYLAND_DISPLAY не задана, или к дисплею нельзя подключиться). Без дисплея "
               "запустите программу под Xvfb: xvfb-run -a ortenconf\n("
            << message.toStdString() << ")\n";
  std::_Exit(kExitNoDisplay);
}

// Help, version and usage errors, on the stream they belong to. A Windows
// window program started from Explorer or a shortcut has no streams at all,
// so there the text goes into the system's box (no Qt object exists yet);
// `boxText` is what the box says instead of `text`, where that differs.
void Tell(std::ostream& stream, const std::string& text, [[maybe_unused]] bool error,
          [[maybe_unused]] const std::string& boxText = {}) {
#ifdef _WIN32
  const HANDLE handle = GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
    MessageBoxW(nullptr, WideFromUtf8(boxText.empty() ? text : boxText).c_str(),
                WideFromUtf8(kAppTitle).c_str(),
                MB_OK | (error ? MB_ICONERROR : MB_ICONINFORMATION));
    return;
  }
#endif
  stream << text << std::flush;
}

int UsageError(const std::string& error) {
  // The usage text's columns do not survive a box's line breaks: the box
  // names the mistake and where the list of options is.
  Tell(std::cerr, "ortenconf: " + error + "\n\n" + UsageText(), true,
       "ortenconf: " + error + "\n\nСписок параметров: ortenconf --help");
  return kExitUsage;
}

// Start-up timing (make bench): with ORTEN_EXIT_ON_SHOW set, the window's
// first show prints the steady clock's count and ends the program.
class ExitOnFirstShow final : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) {
      std::cout << "shown " << std::chrono::steady_clock::now().time_since_epoch().count()
                << std::endl;
      watched->removeEventFilter(this);
      QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
    }
    return false;
  }
};

// A box where a person will see it: not on the test platforms, where no one would close it.
void TellInBox(const std::string& text) {
  const QString platform = QGuiApplication::platformName();
  if (platform != "offscreen" && platform != "minimal") OrtenApplication::ShowException(text);
}

// --open-folder: the data folder as the window would use it, made where it
// is missing, opened in the system's file manager. The Start menu's way into
// folders that Windows keeps hidden.
int OpenDataFolder(const GuiOptions& options) {
  const std::string programFolder = ResolveProgramFolder(
      QCoreApplication::applicationDirPath().toStdString(), options.common.dataDir);
  EnsureDataFolders(programFolder);
  const QString path =
      QDir::toNativeSeparators(QDir(QString::fromStdString(programFolder))
                                   .filePath(QString::fromStdString(options.openFolder)));
  if (QDesktopServices::openUrl(QUrl::fromLocalFile(path))) return 0;
  const std::string error = "Не удалось открыть папку " + path.toStdString();
  std::cerr << "ortenconf: " << error << '\n';
  TellInBox(error);
  return kExitFailure;
}

int RunWindow(LinkEnvironment& env, const CommonOptions& options) {
  QtUserInterface ui;
  GuiPacer pacer;
  const std::string programFolder =
      ResolveProgramFolder(QCoreApplication::applicationDirPath().toStdString(), options.dataDir);
  if (programFolder.empty()) {
    std::cerr << "ortenconf: " << kNoDataFolder << '\n';
    // Started from a menu nobody reads stderr: say it where it is seen.
    const QString platform = QGuiApplication::platformName();
    if (platform != "offscreen" && platform != "minimal") {
      OrtenApplication::ShowException(kNoDataFolder);
    }
    return kExitFailure;
  }
  const QString guide = FindUserGuide(QCoreApplication::applicationDirPath());
  // On real USB a connect that finds nothing offers the devices plugged in,
  // and the rule when access is refused; ortenctl beside us installs it.
  std::unique_ptr<DeviceChooser> chooser;
  if (!env.simDevice()) {
    const QString helper = QCoreApplication::applicationDirPath() + "/ortenctl";
    chooser = std::make_unique<DeviceChooser>(
        options.usbIds,
        UdevRuleInstaller(UdevRuleInstaller::FromEnvironment(helper.toStdString())));
  }
  TMainForm form({env.transport(), ui, pacer, env.trace(), programFolder, guide.toStdString(),
                  chooser.get(), env.emptyLineAdvice()});
  ui.SetParentWidget(&form);
  ExitOnFirstShow exitOnShow;
  if (qEnvironmentVariableIsSet("ORTEN_EXIT_ON_SHOW")) form.installEventFilter(&exitOnShow);
  form.show();
  return QCoreApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
#ifndef _WIN32
  // Past the file-size limit (ulimit -f) a save must fail with its box, not
  // end the program mid-save.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  GuiOptions options;
  if (const Outcome parsed =
          ParseGuiOptions(std::vector<std::string>(argv + 1, argv + argc), options);
      !parsed) {
    return UsageError(parsed.detail);
  }
  if (options.help) {
    Tell(std::cout, UsageText(), false);
    return 0;
  }
  if (options.version) {
    Tell(std::cout, std::string("ortenconf ") + ORTEN_VERSION + '\n', false);
    return 0;
  }

  // Qt takes its own options from what is left; anything it leaves is unknown.
  std::vector<std::string> qtArgs{argv[0]};
  qtArgs.insert(qtArgs.end(), options.rest.begin(), options.rest.end());
  std::vector<char*> qtArgv;
  for (std::string& arg : qtArgs) qtArgv.push_back(arg.data());
  qtArgv.push_back(nullptr);
  int qtArgc = static_cast<int>(qtArgs.size());
  const QtMessageHandler previous = qInstallMessageHandler(NoDisplayHandler);
  OrtenApplication app(qtArgc, qtArgv.data());
  qInstallMessageHandler(previous);
  if (qtArgc > 1) return UsageError(std::string("неизвестный параметр ") + qtArgv[1]);
  if (!UseRussianLanguage()) {
    std::cerr << "ortenconf: не найдены русские переводы Qt (qtbase_ru.qm); "
                 "стандартные диалоги будут на английском\n";
  }
  if (!options.openFolder.empty()) return OpenDataFolder(options);

  const Result<std::unique_ptr<LinkEnvironment>> env = LinkEnvironment::Create(options.common);
  if (!env) {
    std::cerr << "ortenconf: " << env.outcome().detail << '\n';
    // Started from a menu nobody reads stderr: say it where it is seen.
    TellInBox(env.outcome().detail);
    return kExitUsage;
  }
  int rc = kExitFailure;
  try {
    rc = RunWindow(**env, options.common);
  } catch (const std::exception& e) {
    OrtenApplication::ShowException(e.what());
  } catch (...) {
    OrtenApplication::ShowException({});
  }
  return rc;
}
