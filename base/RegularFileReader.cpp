#include "base/RegularFileReader.h"

#include "base/Wording.h"

#include "base/Utf8Path.h"

#include <algorithm>

#ifdef _WIN32
#include <fstream>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace orten {

namespace {

using Status = RegularFileRead::Status;

// Reads until the end or until limit + 1 bytes are in, starting from the size
// the file reported, so a small file costs a small buffer. readSome returns
// the count read, 0 at the end, or a negative number on failure.
template <class ReadSome>
bool ReadUpTo(std::uintmax_t reported, std::uintmax_t limit, std::string& bytes,
              ReadSome readSome) {
  const std::size_t most = static_cast<std::size_t>(limit) + 1;
  bytes.resize(static_cast<std::size_t>(std::min(reported, limit)) + 1);
  std::size_t got = 0;
  for (;;) {
    if (got == bytes.size()) {
      if (got == most) break;
      bytes.resize(std::min(most, got * 2));
    }
    const long long n = readSome(bytes.data() + got, bytes.size() - got);
    if (n < 0) return false;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  return true;
}

#ifdef _WIN32

// No FIFOs or devices live among Windows files: what InspectFile let through
// is a file, read through the wide path.
void ReadOpened(const std::string& path, std::uintmax_t limit, RegularFileRead& read) {
  std::ifstream in(PathFromUtf8(path), std::ios::binary);
  if (!in) {
    read.status = Status::Failed;
    read.error = std::make_error_code(std::errc::permission_denied);
    return;
  }
  const bool whole = ReadUpTo(read.facts.size.value_or(0), limit, read.bytes,
                              [&in](char* to, std::size_t n) -> long long {
                                in.read(to, static_cast<std::streamsize>(n));
                                return in.bad() ? -1 : static_cast<long long>(in.gcount());
                              });
  if (!whole) {
    read.status = Status::Failed;
    read.error = std::make_error_code(std::errc::io_error);
  }
}

#else

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

std::error_code LastError() {
  return {errno, std::generic_category()};
}

// Non-blocking, so that a FIFO put in the file's place after it was looked at
// cannot hold the open; the descriptor's own facts decide then. The
// descriptor (its size in st) when it is a regular file, else -1 with read
// saying why.
int OpenRegular(const std::string& path, RegularFileRead& read, struct stat& st) {
  const int fd = ::open(PathFromUtf8(path).c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0 || ::fstat(fd, &st) != 0) {
    read.status = Status::Failed;
    read.error = LastError();
    if (fd >= 0) ::close(fd);
    return -1;
  }
  if (!S_ISREG(st.st_mode)) {
    read.status = Status::NotRegular;
    read.facts.kind = S_ISDIR(st.st_mode)    ? FileKind::Directory
                      : S_ISFIFO(st.st_mode) ? FileKind::Fifo
                                             : FileKind::Other;
    ::close(fd);
    return -1;
  }
  return fd;
}

long long ReadSome(int fd, char* to, std::size_t n) {
  for (;;) {
    const ssize_t got = ::read(fd, to, n);
    if (got >= 0 || errno != EINTR) return got;
  }
}

void ReadOpened(const std::string& path, std::uintmax_t limit, RegularFileRead& read) {
  struct stat st {};
  const FileDescriptor fd(OpenRegular(path, read, st));
  if (fd.get() < 0) return;
  const auto size = static_cast<std::uintmax_t>(st.st_size);
  if (size > limit) {
    read.status = Status::TooLarge;
    read.facts.size = size;
    return;
  }
  const bool whole = ReadUpTo(size, limit, read.bytes,
                              [&fd](char* to, std::size_t n) { return ReadSome(fd.get(), to, n); });
  if (!whole) {
    read.status = Status::Failed;
    read.error = LastError();
  }
}

#endif

// What InspectFile says of path, as ReadRegularFile takes it: Read for a
// regular file, else why not.
RegularFileRead LookAt(const std::string& path) {
  RegularFileRead read;
  read.facts = InspectFile(path);
  switch (read.facts.kind) {
    case FileKind::Regular:
      read.status = Status::Read;
      break;
    case FileKind::Missing:
    case FileKind::Unreadable:
      read.status = Status::Failed;
      read.error = read.facts.error;
      break;
    default:
      read.status = Status::NotRegular;
      break;
  }
  return read;
}

}  // namespace

std::string ReadRefusal(const RegularFileRead& read, const RefusalWords& words) {
  switch (read.status) {
    case Status::NotRegular:
      return words.file + " не является обычным файлом (" + FileKindText(read.facts.kind) + ").";
    case Status::TooLarge:
      return words.file + " слишком велик" +
             (read.facts.size ? " (" + ByteCountText(*read.facts.size) + ")" : std::string()) +
             "; " + words.limit + ".";
    case Status::Failed:
    case Status::Read:
      break;
  }
  return words.cannotOpen + ": " + FileErrorText(read.error) + ".";
}

RegularFileRead ReadRegularFile(const std::string& path, std::uintmax_t limit) {
  RegularFileRead read = LookAt(path);
  if (read.status != Status::Read) return read;
  if (read.facts.size && *read.facts.size > limit) {
    read.status = Status::TooLarge;
    return read;
  }
  ReadOpened(path, limit, read);
  if (read.status == Status::Read && read.bytes.size() > limit) {
    // It grew since it was looked at, or never told its size.
    read.status = Status::TooLarge;
    read.facts.size.reset();
    read.bytes.clear();
  }
  if (read.status == Status::Read) read.facts.size = read.bytes.size();
  return read;
}

RegularFileStream::~RegularFileStream() {
#ifdef _WIN32
  if (file_) std::fclose(file_);
#else
  if (fd_ >= 0) ::close(fd_);
#endif
}

RegularFileRead RegularFileStream::Open(const std::string& path) {
  RegularFileRead read = LookAt(path);
  if (read.status != Status::Read) return read;
#ifdef _WIN32
  file_ = _wfopen(PathFromUtf8(path).c_str(), L"rb");
  if (!file_) {
    read.status = Status::Failed;
    read.error = std::make_error_code(std::errc::permission_denied);
  }
#else
  struct stat st {};
  fd_ = OpenRegular(path, read, st);
#endif
  return read;
}

long long RegularFileStream::Read(char* to, std::size_t most) {
#ifdef _WIN32
  const std::size_t got = file_ ? std::fread(to, 1, most, file_) : 0;
  if (!file_ || (got == 0 && std::ferror(file_))) {
    error_ = std::make_error_code(std::errc::io_error);
    return -1;
  }
  return static_cast<long long>(got);
#else
  const long long got = fd_ < 0 ? (errno = EBADF, -1) : ReadSome(fd_, to, most);
  if (got < 0) error_ = LastError();
  return got;
#endif
}

}  // namespace orten
