#include "sim/SimState.h"

#include <algorithm>
#include <charconv>
#include <sstream>

#include "base/AtomicFile.h"
#include "base/FileKind.h"
#include "base/RegularFileReader.h"
#include "base/TraceLog.h"
#include "base/Wording.h"
#include "protocol/DeviceCommands.h"
#include "sim/SimDevice.h"

namespace orten {

namespace {

constexpr const char* kMagic = "orten-sim-state 1";
// Of a path and of a word typed, in a message: escaped and cut to this many characters.
constexpr std::size_t kShownPathChars = 200;
constexpr std::size_t kShownWordChars = 40;

std::optional<int> ParseInt(const std::string& text) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

Result<std::uint8_t> ParseSimulateOption(const std::string& text) {
  const std::size_t colon = text.find(':');
  const std::string family = text.substr(0, colon);
  int low = 0;
  int high = 0;
  int fallback = 0;
  const DeviceMode mode = FamilyOfToken(family);
  if (mode == DeviceMode::Receiver) {
    low = 100, high = 255, fallback = 120;
  } else if (mode == DeviceMode::Relay) {
    low = 0, high = 99, fallback = 45;
  } else {
    return Outcome{OutcomeKind::Usage, "неизвестное семейство прибора '" +
                                           EscapedExcerpt(family, kShownWordChars) +
                                           "' (ожидается rpu или mro)"};
  }
  if (colon == std::string::npos) return static_cast<std::uint8_t>(fallback);
  const std::optional<int> version = ParseInt(text.substr(colon + 1));
  if (!version || *version < low || *version > high) {
    return Outcome{OutcomeKind::Usage, "версия для " + family + " должна быть числом от " +
                                           std::to_string(low) + " до " + std::to_string(high)};
  }
  return static_cast<std::uint8_t>(*version);
}

Outcome LoadSimState(const std::string& path, SimDevice& device) {
  const std::string shown = EscapedExcerpt(path, kShownPathChars);
  // A state file is a few KiB of text: anything much larger, or anything but
  // a regular file (a FIFO would block, /dev/zero never ends), is not one.
  constexpr std::uintmax_t kLimit = 64 * 1024;
  const RegularFileRead read = ReadRegularFile(path, kLimit);
  if (read.status != RegularFileRead::Status::Read) {
    return {OutcomeKind::FileError,
            ReadRefusal(
                read, {"Файл состояния имитатора " + shown,
                       "Не удается открыть файл состояния имитатора " + shown,
                       "такие файлы не бывают больше " + std::to_string(kLimit / 1024) + " КиБ"})};
  }
  std::istringstream in(read.bytes);
  std::string magic;
  std::getline(in, magic);
  std::string key;
  std::string versionText;
  in >> key >> versionText;
  const std::optional<int> version = ParseInt(versionText);
  if (magic.rfind(kMagic, 0) != 0 || key != "version" || !version || *version < 0 ||
      *version > 255) {
    return {OutcomeKind::FileError, "файл " + shown + " не является состоянием имитатора"};
  }
  auto memory = device.memory();  // a copy: nothing changes unless all of it reads
  for (std::size_t page = 0; page < SimDevice::kPageCount; ++page) {
    std::string name;
    std::string hex;
    in >> name >> hex;
    if (name != "page" + std::to_string(page) || hex.size() != SimDevice::kPageSize * 2) {
      return {OutcomeKind::FileError,
              "файл " + shown + ": повреждена страница " + std::to_string(page)};
    }
    for (std::size_t i = 0; i < SimDevice::kPageSize; ++i) {
      const int hi = HexDigit(hex[2 * i]);
      const int lo = HexDigit(hex[2 * i + 1]);
      if (hi < 0 || lo < 0) {
        return {OutcomeKind::FileError,
                "файл " + shown + ": повреждена страница " + std::to_string(page)};
      }
      memory[page * SimDevice::kPageSize + i] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
  }
  device.memory() = memory;
  device.set_version(static_cast<std::uint8_t>(*version));
  return {};
}

Outcome SaveSimState(const std::string& path, const SimDevice& device) {
  std::ostringstream text;
  text << kMagic << "\nversion " << int{device.version()} << '\n';
  const auto& memory = device.memory();
  for (std::size_t page = 0; page < SimDevice::kPageCount; ++page) {
    text << "page" << page << ' '
         << TraceLog::Hex(std::span<const std::uint8_t>(memory).subspan(page * SimDevice::kPageSize,
                                                                        SimDevice::kPageSize))
         << '\n';
  }
  return WriteFileAtomically(path, text.str());
}

SimStateFile::Image SimStateFile::Snapshot() const {
  Image image{};
  std::copy(device_.memory().begin(), device_.memory().end(), image.begin());
  image.back() = device_.version();
  return image;
}

Outcome SimStateFile::Take() {
  // Anything but a file is refused before a lock file is made beside it
  // (/dev/zero.lock has no business in /dev).
  const FileKind kind = InspectFile(path_).kind;
  if (kind != FileKind::Missing && kind != FileKind::Regular) {
    return LoadSimState(path_, device_);  // says what it is instead
  }
  const Result<FileLock::Hold> locked = lock_.TryLock(path_ + ".lock");
  if (!locked) return locked.outcome();
  if (*locked == FileLock::Hold::Busy) {
    return {OutcomeKind::DeviceBusy, "Прибор занят другой программой (файл состояния " +
                                         EscapedExcerpt(path_, kShownPathChars) + ")."};
  }
  // Looked at again: another program may have made it meanwhile.
  const bool missing = InspectFile(path_).kind == FileKind::Missing;
  if (Outcome used = missing ? SaveSimState(path_, device_) : LoadSimState(path_, device_); !used) {
    lock_.Unlock();
    return used;
  }
  saved_ = Snapshot();
  return {};
}

Outcome SimStateFile::SaveChanges() {
  const Image now = Snapshot();
  if (now == saved_) return {};
  if (Outcome saved = SaveSimState(path_, device_); !saved) return saved;
  saved_ = now;
  return {};
}

}  // namespace orten
