#include "startup/UsbIdSettings.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>

#include "base/AtomicFile.h"
#include "base/FileKind.h"
#include "base/RegularFileReader.h"
#include "base/Wording.h"

namespace fs = std::filesystem;

namespace orten {

namespace {

constexpr const char* kKey = "usb-id";
constexpr const char* kFileName = "usb.conf";

constexpr std::size_t kExcerptChars = 80;
// A few IDs fit in a line; anything larger is not this file.
constexpr std::uintmax_t kFileLimit = 4096;

// A folder from the environment, used only when it is an absolute path: a
// relative one would land wherever the program happens to be started.
std::optional<fs::path> AbsoluteFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value || !fs::path(value).is_absolute()) return std::nullopt;
  return fs::path(value);
}

std::string Trim(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

std::string UserConfigFolder() {
#ifdef _WIN32
  const std::optional<fs::path> base = AbsoluteFromEnvironment("APPDATA");
  return base ? (*base / "ortenconf").string() : std::string();
#else
  if (const std::optional<fs::path> xdg = AbsoluteFromEnvironment("XDG_CONFIG_HOME")) {
    return (*xdg / "ortenconf").string();
  }
  const std::optional<fs::path> home = AbsoluteFromEnvironment("HOME");
  return home ? (*home / ".config" / "ortenconf").string() : std::string();
#endif
}

std::string RememberedUsbIdsPath() {
  const std::string folder = UserConfigFolder();
  return folder.empty() ? folder : (fs::path(folder) / kFileName).string();
}

Outcome ParseRememberedUsbIds(const std::string& text, std::vector<UsbId>& ids) {
  const auto refuse = [](std::string why) {
    return Outcome{OutcomeKind::FileError, std::move(why)};
  };
  std::istringstream in(text);
  std::string line;
  bool seen = false;
  for (int number = 1; std::getline(in, line); ++number) {
    const std::string content = Trim(line);
    if (content.empty() || content[0] == '#') continue;
    const std::size_t equals = content.find('=');
    const std::string key = Trim(content.substr(0, equals));
    const std::string where = "строка " + std::to_string(number) + ": ";
    if (equals == std::string::npos || key != kKey) {
      return refuse(where + "ожидается «usb-id = VID:PID», а не «" +
                    EscapedExcerpt(content, kExcerptChars) + "»");
    }
    if (seen) {
      return refuse(where + "usb-id указан второй раз");
    }
    Result<std::vector<UsbId>> parsed = ParseUsbIdList(Trim(content.substr(equals + 1)));
    if (!parsed || parsed->empty()) {
      return refuse(where + (parsed ? std::string("нет идентификаторов после usb-id =")
                                    : parsed.outcome().detail));
    }
    ids = std::move(*parsed);
    seen = true;
  }
  return {};
}

std::string FormatRememberedUsbIds(const std::vector<UsbId>& ids) {
  std::string text =
      "# Идентификаторы USB прибора для ortenconf и ortenctl (ortenctl usb --remember).\n";
  text += kKey;
  text += " = ";
  for (std::size_t i = 0; i < ids.size(); ++i) {
    if (i > 0) text += ',';
    text += FormatUsbId(ids[i]);
  }
  return text + "\n";
}

Outcome LoadRememberedUsbIds(const std::string& path, std::vector<UsbId>& ids) {
  if (path.empty()) return {};  // no configuration folder: nothing can be remembered
  const RegularFileRead read = ReadRegularFile(path, kFileLimit);
  if (read.facts.kind == FileKind::Missing) return {};  // nothing remembered
  if (read.status != RegularFileRead::Status::Read) {
    return {OutcomeKind::FileError, "не удается прочитать файл " + path +
                                        (read.status == RegularFileRead::Status::NotRegular
                                             ? ": " + FileKindText(read.facts.kind)
                                         : read.status == RegularFileRead::Status::TooLarge
                                             ? ": он слишком велик"
                                             : ": " + FileErrorText(read.error))};
  }
  if (const Outcome parsed = ParseRememberedUsbIds(read.bytes, ids); !parsed) {
    return {OutcomeKind::FileError,
            "файл " + path + ", " + parsed.detail +
                "\nИсправьте его, запишите заново (ortenctl usb --remember VID:PID) или удалите "
                "(ortenctl usb --forget)."};
  }
  return {};
}

Outcome RememberUsbIds(const std::string& path, const std::vector<UsbId>& ids) {
  if (path.empty()) return {OutcomeKind::FileError, kNoConfigFolder};
  // Only what the programs will read back: a file past the limit would be
  // refused at the next start, and all of it forgotten.
  const std::string text = FormatRememberedUsbIds(ids);
  if (text.size() > kFileLimit) {
    const std::size_t fit = (kFileLimit - FormatRememberedUsbIds({}).size() + 1) / 10;
    return {OutcomeKind::FileError, "слишком много идентификаторов (" + std::to_string(ids.size()) +
                                        "): запомнить можно не больше " + std::to_string(fit)};
  }
  std::error_code ec;
  fs::create_directories(fs::path(path).parent_path(), ec);
  if (ec) {
    return {OutcomeKind::FileError, "не удается создать папку " +
                                        fs::path(path).parent_path().string() + ": " +
                                        FileErrorText(ec, FileAccess::Write)};
  }
  return WriteFileAtomically(path, text);
}

Outcome ForgetUsbIds(const std::string& path) {
  if (path.empty()) return {};  // nothing can have been remembered
  std::error_code ec;
  fs::remove(path, ec);
  if (ec) {
    return {OutcomeKind::FileError,
            "не удается удалить файл " + path + ": " + FileErrorText(ec, FileAccess::Write)};
  }
  return {};
}

Result<ConfiguredUsbIds> ResolveUsbIds(const std::vector<UsbId>& fromOption) {
  if (!fromOption.empty()) return ConfiguredUsbIds{fromOption, UsbIdSource::Option};
  if (const char* fromEnv = std::getenv("ORTEN_USB_ID"); fromEnv && *fromEnv) {
    Result<std::vector<UsbId>> ids = ParseUsbIdList(fromEnv);
    if (!ids) return Outcome{OutcomeKind::Usage, "ORTEN_USB_ID: " + ids.outcome().detail};
    return ConfiguredUsbIds{std::move(*ids), UsbIdSource::Environment};
  }
  std::vector<UsbId> remembered;
  if (Outcome loaded = LoadRememberedUsbIds(RememberedUsbIdsPath(), remembered); !loaded) {
    return loaded;
  }
  if (remembered.empty()) return ConfiguredUsbIds{};
  return ConfiguredUsbIds{std::move(remembered), UsbIdSource::Remembered};
}

std::string UsbIdSourceText(UsbIdSource source) {
  switch (source) {
    case UsbIdSource::Option:
      return "из --usb-id";
    case UsbIdSource::Environment:
      return "из ORTEN_USB_ID";
    case UsbIdSource::Remembered:
      return "запомнены в " + RememberedUsbIdsPath();
    case UsbIdSource::None:
      break;
  }
  return "не заданы";
}

}  // namespace orten
