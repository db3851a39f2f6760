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
  Link,          // a link where none is followed (InspectFile follows them)
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

#ifndef _WIN32
// The kind a stat's st_mode names.
FileKind FileKindOfMode(unsigned long mode);
#endif

// Whether a failed operation read a file or made one: a missing path means a
// missing file to a reader, a missing folder to a writer.
enum class FileAccess { Read, Write };

// Why a file operation failed, in Russian: the usual cases by name, the rest
// as the system words it (escaped, perhaps English: better than no reason).
std::string FileErrorText(std::error_code error, FileAccess access = FileAccess::Read);

}  // namespace orten
