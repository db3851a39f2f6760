#pragma once

#include <chrono>
#include <string>

#include "base/Outcome.h"

namespace orten {

// How long an append waits for another program's lock: far longer than any
// append takes, short enough that nobody waits on a stuck one.
inline constexpr std::chrono::milliseconds kAppendLockWait{1000};

// Adds text at the end of the file at path with one write of the whole text,
// under an exclusive lock, so that records appended by several programs at
// once never mix or tear. A file that is missing or empty gets header first,
// in the same write: two programs creating it at once give one header.
// A write cut short is cut back off the file, and a file whose last line has
// no end (torn before) gets one first: the text always starts a line of its
// own. Only a regular file the user may write is written to: a link at path
// is not followed, and a folder, a FIFO, a device or a file without write
// permission (root too) is refused without waiting on it. A lock held
// longer than lockWait is given up. A FileError says why, in the words of
// FileErrorText.
Outcome AppendToFile(const std::string& path, const std::string& header, const std::string& text,
                     std::chrono::milliseconds lockWait = kAppendLockWait);

#ifndef _WIN32
// Append: at the end, as AppendToFile writes. Fresh: from the start, the
// file emptied first (a trace); a FIFO that has a reader or a device (a
// terminal, /dev/null) is taken too.
enum class WriteMode { Append, Fresh };
// The file at path opened to write, created when missing. A link at path
// is not followed, and a file without write permission is refused, root or
// not; so is anything the mode does not take, without waiting on it. The
// descriptor, or a FileError saying why.
Result<int> OpenWritableFile(const std::string& path, WriteMode mode);
#endif

}  // namespace orten
