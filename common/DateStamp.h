#pragma once

#include <string>

namespace orten {

// The date part of backup file names, from today's date in the user's short
// date format: longer than 6 characters, drop the 3rd character and then 3
// characters from the 5th ("07.12.2026" -> "071226"); then drop what a file
// name may not hold, and wrap it in underscores: "_071226_".
std::string MakeDateStamp(const std::string& shortDate);

}  // namespace orten
