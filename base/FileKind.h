#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <system_error>

namespace orten {

// What a path names, found out without opening it (links are followed).
enum class FileKind {
  Missing,  // nothing there
  Regular,  // a file with content: the only kind the readers take
  Directory,
  Fifo,  // opened for reading, it would wait for a writer forever
  Socket,
  Device,        // /dev/zero and the like: endless or blocking
  DanglingLink,  // a link to nothing
  Other,
  Unreadable,  // the system would not say (no access to the folder, a loop of links)
};

struct FileFacts {
  FileKind kind = FileKind::Missing;
  // Known for regular files only; nothing rather than a made-up number.
  std::optional<std::uintmax_t> size;
  std::optional<std::chrono::system_clock::time_point> modified;
  std::error_code error;  // why, for Missing and Unreadable
};

FileFacts InspectFile(const std::string& path);

// "это папка", "это именованный канал", ... for the kinds other than Regular.
std::string FileKindText(FileKind kind);

// Why a file operation failed, in Russian: the usual cases by name, the rest
// in general words. The system's own text may be English and is never shown.
std::string FileErrorText(std::error_code error);

}  // namespace orten
