#include "startup/UdevRuleInstall.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "base/AtomicFile.h"
#include "base/FileKind.h"
#include "transport/UdevRule.h"

#ifndef _WIN32
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace fs = std::filesystem;

namespace orten {

namespace {

// pkexec's own codes: the user dismissed the password dialog or was refused.
constexpr int kPkexecNotAuthorized = 126;
constexpr int kPkexecNoAgent = 127;
// What pkexec itself gives root; used when PATH is empty.
constexpr const char* kSafePath = "/usr/sbin:/usr/bin:/sbin:/bin";

std::string Hex4(std::uint16_t value) {
  return FormatUsbId({value, 0}).substr(0, 4);
}

std::string Joined(const std::vector<std::string>& words) {
  std::string line;
  for (const std::string& w : words) line += (line.empty() ? "" : " ") + w;
  return line;
}

}  // namespace

std::optional<UsbId> ParseRuleUsbId(const std::string& text) {
  if (text.size() != 9 || text[4] != ':') return std::nullopt;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (i != 4 && !std::isxdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
  }
  return ParseUsbId(text);
}

std::string InstalledRulePath(const std::string& root) {
  return (fs::path(root.empty() ? "/" : root) / fs::path(kUdevRulePath).relative_path()).string();
}

std::vector<std::vector<std::string>> UdevReloadCommands(const UsbId& id) {
  return {
      {"udevadm", "control", "--reload"},
      {"udevadm", "trigger", "--action=change", "--subsystem-match=usb",
       "--attr-match=idVendor=" + Hex4(id.vendor), "--attr-match=idProduct=" + Hex4(id.product)}};
}

std::string ManualInstallCommands(const UsbId& id) {
  std::string text = "echo '" + UdevRuleLine(id).substr(0, UdevRuleLine(id).size() - 1) +
                     "' | sudo tee " + kUdevRulePath + "\n";
  for (const auto& command : UdevReloadCommands(id)) text += "sudo " + Joined(command) + "\n";
  return text;
}

#ifndef _WIN32

std::string FindProgram(const std::string& name, const std::string& searchPath) {
  std::size_t start = 0;
  while (start <= searchPath.size()) {
    const std::size_t end = std::min(searchPath.find(':', start), searchPath.size());
    const std::string folder = searchPath.substr(start, end - start);
    start = end + 1;
    if (folder.empty() || folder[0] != '/') continue;  // a relative folder depends on where we are
    const std::string path = (fs::path(folder) / name).string();
    if (::access(path.c_str(), X_OK) == 0 && InspectFile(path).kind == FileKind::Regular) {
      return path;
    }
  }
  return {};
}

std::optional<int> RunProgram(const std::string& path, const std::vector<std::string>& args) {
  std::vector<std::string> words{path};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
    return std::nullopt;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return std::nullopt;
  }
  if (!WIFEXITED(status)) return std::nullopt;
  return WEXITSTATUS(status);
}

UdevRuleInstaller::Setup UdevRuleInstaller::FromEnvironment(std::string helper) {
  Setup setup;
  if (const char* root = std::getenv("ORTEN_INSTALL_ROOT"); root && *root) setup.root = root;
  const char* path = std::getenv("PATH");
  setup.searchPath = path && *path ? path : kSafePath;
  setup.asRoot = ::geteuid() == 0;
  setup.helper = std::move(helper);
  return setup;
}

UdevRuleInstaller::Route UdevRuleInstaller::route() const {
  if (setup_.asRoot) return Route::Write;
  const bool helperThere = !setup_.helper.empty() && ::access(setup_.helper.c_str(), X_OK) == 0;
  return helperThere && !FindProgram("pkexec", setup_.searchPath).empty() ? Route::Pkexec
                                                                          : Route::Manual;
}

UdevRuleInstaller::Result UdevRuleInstaller::Install(const UsbId& id) const {
  switch (route()) {
    case Route::Write:
      return WriteAndReload(id);
    case Route::Pkexec:
      return ThroughPkexec(id);
    case Route::Manual:
      break;
  }
  return {Result::Kind::Manual, ManualInstallCommands(id)};
}

UdevRuleInstaller::Result UdevRuleInstaller::WriteAndReload(const UsbId& id) const {
  const std::string path = InstalledRulePath(setup_.root);
  std::error_code ec;
  fs::create_directories(fs::path(path).parent_path(), ec);
  std::string error;
  if (ec) {
    error = "не удается создать папку " + fs::path(path).parent_path().string() + ": " +
            FileErrorText(ec, FileAccess::Write);
    return {Result::Kind::Failed, error};
  }
  if (!WriteFileAtomically(path, UdevRuleText({id}), error)) return {Result::Kind::Failed, error};
  std::string text = "Правило udev для " + FormatUsbId(id) + " записано в " + path + ".";
  const std::string udevadm = FindProgram("udevadm", setup_.searchPath);
  bool applied = !udevadm.empty();
  for (const auto& command : UdevReloadCommands(id)) {
    if (!applied) break;
    const std::vector<std::string> args(command.begin() + 1, command.end());
    applied = RunProgram(udevadm, args) == 0;
  }
  text += applied ? " Оно действует для подключенного прибора."
                  : " udevadm не применил его: переподключите прибор.";
  return {Result::Kind::Installed, text};
}

UdevRuleInstaller::Result UdevRuleInstaller::ThroughPkexec(const UsbId& id) const {
  const std::optional<int> rc =
      RunProgram(FindProgram("pkexec", setup_.searchPath),
                 {setup_.helper, "usb", "--install-rule", FormatUsbId(id)});
  if (rc == 0) {
    return {Result::Kind::Installed, "Правило udev для " + FormatUsbId(id) + " поставлено."};
  }
  const std::string why = !rc                           ? "pkexec не запустился"
                          : *rc == kPkexecNotAuthorized ? "права администратора не получены"
                          : *rc == kPkexecNoAgent ? "pkexec не смог спросить пароль"
                                                  : "ошибка " + std::to_string(*rc);
  return {Result::Kind::Failed, "Правило udev не поставлено (" + why +
                                    "). Поставьте его командами:\n" + ManualInstallCommands(id)};
}

#else

UdevRuleInstaller::Setup UdevRuleInstaller::FromEnvironment(std::string helper) {
  Setup setup;
  setup.helper = std::move(helper);
  return setup;
}

// Windows reaches the device through its own driver: there is no rule to install.
UdevRuleInstaller::Route UdevRuleInstaller::route() const {
  return Route::Manual;
}

UdevRuleInstaller::Result UdevRuleInstaller::Install(const UsbId& id) const {
  return {Result::Kind::Manual, ManualInstallCommands(id)};
}

#endif

}  // namespace orten
