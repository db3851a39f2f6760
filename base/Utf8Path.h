#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace orten {

// The core passes paths around as UTF-8 text; the file system sees them only
// through these two. On Windows the narrow file functions would go through
// the ANSI code page and lose every character it lacks (a Cyrillic user
// name under an English system, say), so paths become wide there.
std::filesystem::path PathFromUtf8(const std::string& utf8);
std::string Utf8FromPath(const std::filesystem::path& path);

#ifdef _WIN32
// UTF-16 text of the system's wide functions to and from UTF-8. Invalid input
// turns into replacement characters instead of failing.
std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);
#endif

}  // namespace orten
