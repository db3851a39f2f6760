#include "base/TraceLog.h"

#include <cerrno>
#include <system_error>

#include "base/AppendFile.h"
#include "base/FileKind.h"
#include "base/Utf8Path.h"
#include "base/Wording.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace orten {

namespace {

constexpr std::size_t kNameChars = 200;

std::string Why(int code) {
  // A stream that failed without saying why still failed.
  return FileErrorText({code != 0 ? code : EIO, std::generic_category()}, FileAccess::Write);
}

// Opened as the journal is: a link is not followed, and a file the user may
// not write is refused, root or not.
std::FILE* OpenTrace(const std::string& path, std::string& why) {
#ifdef _WIN32
  const DWORD attributes = GetFileAttributesW(PathFromUtf8(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    why = FileKindText(FileKind::Link);
    return nullptr;
  }
  errno = 0;
  std::FILE* file = _wfopen(PathFromUtf8(path).c_str(), L"wb");
  if (!file) why = Why(errno);
  return file;
#else
  const Result<int> fd = OpenWritableFile(path, WriteMode::Fresh);
  if (!fd) {
    why = fd.outcome().detail;
    return nullptr;
  }
  std::FILE* file = ::fdopen(*fd, "wb");
  if (!file) {
    why = Why(errno);
    ::close(*fd);
  }
  return file;
#endif
}

}  // namespace

Outcome TraceLog::Open(const std::string& path) {
  std::string why;
  file_.reset(OpenTrace(path, why));
  if (!file_) {
    return {OutcomeKind::FileError,
            "не удается создать файл трассировки " + EscapedExcerpt(path, kNameChars) + ": " + why};
  }
  path_ = path;
  failure_.clear();
  return {};
}

std::string TraceLog::Hex(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (std::uint8_t b : bytes) {
    text.push_back(kDigits[b >> 4]);
    text.push_back(kDigits[b & 0x0F]);
  }
  return text;
}

void TraceLog::Line(const std::string& text) {
  if (!file_ || !failure_.empty()) return;
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), file_.get()) == text.size() &&
      std::fputc('\n', file_.get()) != EOF && std::fflush(file_.get()) == 0) {
    return;
  }
  failure_ = "Не удается записать файл трассировки " + EscapedExcerpt(path_, kNameChars) + ": " +
             Why(errno) + ".";
  if (onFailure_) onFailure_(failure_);
}

void TraceLog::Transfer(char kind, std::span<const std::uint8_t> bytes, bool ok) {
  std::string line(1, kind);
  if (!bytes.empty()) line += ' ' + Hex(bytes);
  if (!ok) line += " !";
  Line(line);
}

void TraceLog::Pause(int ms) {
  Line("P " + std::to_string(ms));
}

void TraceLog::Flush(char pipe) {
  Line(std::string{'F', pipe});
}

void TraceLog::Note(const std::string& line) {
  Line(line);
}

}  // namespace orten
