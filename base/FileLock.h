#pragma once

#include <string>

#include "base/Outcome.h"

namespace orten {

// An exclusive lock on a file, seen by every program (and by every other
// lock object in this one): taken without waiting, and given back by
// Unlock, by the destructor or by the system when the process ends, however
// it ends. The file is created when missing and left in place afterwards:
// removing it would let a third program lock a new file while the second
// still holds the old one.
class FileLock {
 public:
  // Busy is no failure: someone else holds it, as locks are meant to be held.
  enum class Hold { Taken, Busy };

  FileLock() = default;
  ~FileLock() { Unlock(); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Busy when someone else holds it; a FileError saying why when the file
  // could not be opened or locked at all.
  Result<Hold> TryLock(const std::string& path);
  void Unlock();
  bool held() const { return handle_ != kNone; }

 private:
#ifdef _WIN32
  using Handle = void*;
  static constexpr Handle kNone = nullptr;
#else
  using Handle = int;
  static constexpr Handle kNone = -1;
#endif
  Handle handle_ = kNone;
};

}  // namespace orten
