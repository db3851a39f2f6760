#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <system_error>

#include "base/FileKind.h"

namespace orten {

// How far a read got: the file's own state, not an error of the program's
// (the callers choose the words and the outcome).
struct RegularFileRead {
  enum class Status {
    Read,        // bytes hold the whole file
    NotRegular,  // facts.kind says what it is instead; it was never opened
    TooLarge,    // more than the limit; facts.size says how much, when known
    Failed,      // could not be found, opened or read: error says why
  };
  Status status = Status::Failed;
  FileFacts facts;
  std::string bytes;
  std::error_code error;
};

// Reads a regular file whole, when it holds at most limit bytes. The size is
// checked before anything is read, and no more than limit + 1 bytes are ever
// read (files that report no size, as /proc has them, end there too).
// Anything but a regular file (a folder, a FIFO, a device such as /dev/zero,
// a socket, a link to nothing) is refused without being opened, so no reader
// can block on it or read it without end.
RegularFileRead ReadRegularFile(const std::string& path, std::uintmax_t limit);

// A regular file read piece by piece, for a file that has no size limit (a
// journal that grows for years): refused as ReadRegularFile refuses, but
// never for its size, and never held in memory whole.
class RegularFileStream {
 public:
  RegularFileStream() = default;
  ~RegularFileStream();
  RegularFileStream(const RegularFileStream&) = delete;
  RegularFileStream& operator=(const RegularFileStream&) = delete;

  // Status Read when the file is open to be read, else NotRegular or
  // Failed with facts and error as ReadRegularFile gives them.
  RegularFileRead Open(const std::string& path);
  // Up to most bytes into to: the count, 0 at the end, negative on failure
  // (error() says why).
  long long Read(char* to, std::size_t most);
  std::error_code error() const { return error_; }

 private:
#ifdef _WIN32
  std::FILE* file_ = nullptr;
#else
  int fd_ = -1;
#endif
  std::error_code error_;
};

// The words around the reason a file was refused; they differ with the kind
// of file the reader wanted.
struct RefusalWords {
  std::string file;        // "Файл NAME", how the file is named at the start of a sentence
  std::string cannotOpen;  // "Не удается открыть файл NAME"
  std::string limit;       // "файлы ... не бывают больше N КиБ"
};
// What to say about a read that did not give the whole file.
std::string ReadRefusal(const RegularFileRead& read, const RefusalWords& words);

}  // namespace orten
