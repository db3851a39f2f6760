#pragma once

#include <string>

namespace orten {

// Adds text at the end of the file at path with one write of the whole text,
// under an exclusive lock, so that records appended by several programs at
// once never mix or tear. A file that is missing or empty gets header first,
// in the same write: two programs creating it at once give one header. Only
// a regular file is written to (a folder, a FIFO or a device in its place is
// refused without waiting on it). error: why, in the words of FileErrorText.
bool AppendToFile(const std::string& path, const std::string& header, const std::string& text,
                  std::string& error);

}  // namespace orten
