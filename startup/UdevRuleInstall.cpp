#include "startup/UdevRuleInstall.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "base/AtomicFile.h"
#include "base/FileKind.h"
#include "transport/UdevRule.h"

#ifndef _WIN32
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

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
// A rule file is a few lines; anything larger is not one.
constexpr std::size_t kRuleFileLimit = 1 << 20;

std::string Trimmed(std::string_view line) {
  const std::size_t first = line.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  return std::string(line.substr(first, line.find_last_not_of(" \t\r\n") - first + 1));
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

std::string SystemProgramFolders(const std::string& root) {
  std::string folders;
  std::size_t start = 0;
  const std::string safe = kSafePath;
  while (start < safe.size()) {
    const std::size_t end = std::min(safe.find(':', start), safe.size());
    const fs::path folder = fs::path(root.empty() ? "/" : root) /
                            fs::path(safe.substr(start, end - start)).relative_path();
    // Appended piece by piece: GCC 12's release build misreads a
    // temporary's concatenation here as an overlapping copy (-Wrestrict).
    if (!folders.empty()) folders += ':';
    folders += folder.lexically_normal().string();
    start = end + 1;
  }
  return folders;
}

std::optional<std::string> RuleFileWithLine(const std::string& existing, const UsbId& id) {
  const std::string line = UdevRuleLine(id);
  if (Trimmed(existing).empty()) return UdevRuleText({id});
  const std::string wanted = Trimmed(line);
  for (std::size_t start = 0; start < existing.size();) {
    const std::size_t end = std::min(existing.find('\n', start), existing.size());
    if (Trimmed(std::string_view(existing).substr(start, end - start)) == wanted) {
      return std::nullopt;
    }
    start = end + 1;
  }
  return existing + (existing.ends_with('\n') ? "" : "\n") + line;
}

#ifndef _WIN32

namespace {

std::string Refusal(const std::string& path, const std::string& why) {
  return "Правило udev не записано: " + path + " - " + why + ".";
}

std::string Refusal(const std::string& path, int code) {
  return Refusal(path, FileErrorText(std::error_code(code, std::generic_category())));
}

// The rule file as it stands, empty when there is none. Read without
// following a link: the root step writes the file at its own path or nothing.
bool ReadRuleFile(const std::string& path, std::string& text, std::string& error) {
  text.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return true;
    error = errno == ELOOP
                ? Refusal(path, "символическая ссылка (правило пишется только в сам файл)")
                : Refusal(path, errno);
    return false;
  }
  struct stat info {};
  const bool known = ::fstat(fd, &info) == 0;
  if (!known || !S_ISREG(info.st_mode)) {
    error = !known ? Refusal(path, errno) : Refusal(path, FileKindText(InspectFile(path).kind));
    ::close(fd);
    return false;
  }
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0 || text.size() + static_cast<std::size_t>(got) > kRuleFileLimit) {
      if (got != 0) {
        error = got < 0 ? Refusal(path, errno) : Refusal(path, "больше 1 МиБ, это не файл правил");
      }
      ::close(fd);
      return got == 0;
    }
    text.append(buffer, static_cast<std::size_t>(got));
  }
}

}  // namespace

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
#ifdef ORTEN_TEST_HOOKS
  // Tests install under a folder of their own. A program built for users
  // never looks: the root step writes the system's file or nothing.
  if (const char* root = std::getenv("ORTEN_INSTALL_ROOT"); root && *root) {
    std::error_code ec;
    setup.root = fs::absolute(root, ec).string();
  }
#endif
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

Result<UdevRuleInstaller::Installation> UdevRuleInstaller::Install(const UsbId& id) const {
  switch (route()) {
    case Route::Write:
      return WriteAndReload(id);
    case Route::Pkexec:
      return ThroughPkexec(id);
    case Route::Manual:
      break;
  }
  return Installation{Installation::Kind::Manual, ManualInstallCommands(id)};
}

Result<UdevRuleInstaller::Installation> UdevRuleInstaller::WriteAndReload(const UsbId& id) const {
  const std::string path = InstalledRulePath(setup_.root);
  std::error_code ec;
  fs::create_directories(fs::path(path).parent_path(), ec);
  if (ec) {
    return Outcome{OutcomeKind::FileError, "не удается создать папку " +
                                               fs::path(path).parent_path().string() + ": " +
                                               FileErrorText(ec, FileAccess::Write)};
  }
  std::string existing;
  std::string error;
  if (!ReadRuleFile(path, existing, error)) return Outcome{OutcomeKind::FileError, error};
  const std::optional<std::string> text = RuleFileWithLine(existing, id);
  std::string said = "Правило udev для " + FormatUsbId(id);
  if (!text) {
    said += " уже есть в " + path + ".";
  } else if (const Outcome saved = WriteFileAtomically(path, *text); !saved) {
    return Outcome{OutcomeKind::FileError, saved.detail};
  } else {
    said += (existing.empty() ? " записано в " + path + "."
                              : " добавлено в " + path + "; остальные строки файла сохранены.");
  }
  const std::string udevadm = FindProgram("udevadm", SystemProgramFolders(setup_.root));
  bool applied = !udevadm.empty();
  for (const auto& command : UdevReloadCommands(id)) {
    if (!applied) break;
    const std::vector<std::string> args(command.begin() + 1, command.end());
    applied = RunProgram(udevadm, args) == 0;
  }
  said += applied ? " Оно действует для подключенного прибора."
                  : " udevadm не применил его: переподключите прибор.";
  return Installation{Installation::Kind::Installed, said};
}

Result<UdevRuleInstaller::Installation> UdevRuleInstaller::ThroughPkexec(const UsbId& id) const {
  const std::optional<int> rc =
      RunProgram(FindProgram("pkexec", setup_.searchPath),
                 {setup_.helper, "usb", "--install-rule", FormatUsbId(id)});
  if (rc == 0) {
    return Installation{Installation::Kind::Installed,
                        "Правило udev для " + FormatUsbId(id) + " поставлено."};
  }
  const std::string why = !rc                           ? "pkexec не запустился"
                          : *rc == kPkexecNotAuthorized ? "права администратора не получены"
                          : *rc == kPkexecNoAgent ? "pkexec не смог спросить пароль"
                                                  : "ошибка " + std::to_string(*rc);
  return Outcome{OutcomeKind::FileError, "Правило udev не поставлено (" + why +
                                             "). Поставьте его командами:\n" +
                                             ManualInstallCommands(id)};
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

Result<UdevRuleInstaller::Installation> UdevRuleInstaller::Install(const UsbId& id) const {
  return Installation{Installation::Kind::Manual, ManualInstallCommands(id)};
}

#endif

}  // namespace orten
