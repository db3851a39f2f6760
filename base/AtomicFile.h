#pragma once

#include <string>

namespace orten {

// Writes text to a temporary file beside path and renames it over path, so
// a failed or interrupted save never leaves a truncated file behind.
bool WriteFileAtomically(const std::string& path, const std::string& text, std::string& error);

}  // namespace orten
