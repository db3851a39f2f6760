#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orten {

// The settings (.cfg) and backup (.rrg) files: one decimal byte value per
// line, CR LF line ends, no header. Readers take whitespace-separated
// tokens, so values on one line separated by blanks read the same; anything
// after the expected count is ignored.

// Reads exactly count values. A file that cannot be read, holds fewer
// values, or holds a token that is not an integer 0-255 is refused: false,
// values untouched, and error names the file, the line and the value.
bool ReadValueFile(const std::string& path, std::size_t count, std::vector<std::int32_t>& values,
                   std::string& error);

// Writes the values, one per line, through a temporary file in the same
// folder renamed over the target: a failed save leaves the old file whole.
bool WriteValueFile(const std::string& path, std::span<const std::int32_t> values,
                    std::string& error);

}  // namespace orten
