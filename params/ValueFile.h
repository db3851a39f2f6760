#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/Outcome.h"

namespace orten {

// The settings (.cfg) and backup (.rrg) files: one decimal byte value per
// line, CR LF line ends, no header. Readers take whitespace-separated
// tokens, so values on one line separated by blanks read the same; anything
// after the expected count is ignored.

// A backup holds 1792 short lines (some 9 KiB): a file past this is no
// settings file and is refused before it is read.
inline constexpr std::uintmax_t kMaxValueFileBytes = 256 * 1024;
// A value is at most "255"; longer tokens are kept only this far, to quote.
inline constexpr std::size_t kMaxValueTokenBytes = 32;

// Where and why the text of a value file fails.
struct ValueTextError {
  enum class Kind { NotInteger, TooLong, OutOfRange, TooFew };
  Kind kind = Kind::TooFew;
  std::size_t line = 0;   // of the token; CR, LF and CR LF each end a line
  std::string token;      // raw, at most kMaxValueTokenBytes + 1 bytes of it
  std::size_t found = 0;  // values read before the failure
};

// Takes count values from the text. On a failure values is left untouched.
std::optional<ValueTextError> ParseValueText(std::string_view text, std::size_t count,
                                             std::vector<std::int32_t>& values);
// The message for a failure in the file named fileName (shown escaped).
std::string ValueTextErrorMessage(const std::string& fileName, const ValueTextError& error,
                                  std::size_t count);

// Reads exactly count values. A file that cannot be read, is not a regular
// file, is larger than kMaxValueFileBytes, holds fewer values, or holds a
// token that is not an integer 0-255 is refused: a FileError naming the
// file, the line and the value, and values untouched.
Outcome ReadValueFile(const std::string& path, std::size_t count,
                      std::vector<std::int32_t>& values);

// The text of a file holding values, as WriteValueFile writes it.
std::string ValueFileText(std::span<const std::int32_t> values);

// Writes the values, one per line, through a temporary file in the same
// folder renamed over the target: a failed save leaves the old file whole.
Outcome WriteValueFile(const std::string& path, std::span<const std::int32_t> values);

}  // namespace orten
