#include "cli/InputFile.h"

#include <filesystem>

#include "base/Utf8Path.h"

namespace fs = std::filesystem;

namespace orten::cli {

std::string InputFile(const std::string& programFolder, const std::string& arg,
                      const char* kindFolder) {
  std::error_code ec;
  const fs::path given = PathFromUtf8(arg);
  const fs::path fromStart = fs::absolute(given, ec);
  if (given.is_absolute() || fs::exists(fromStart, ec)) return Utf8FromPath(fromStart);
  for (const fs::path& candidate : {PathFromUtf8(programFolder) / given,
                                    PathFromUtf8(programFolder) / kindFolder / given}) {
    if (fs::exists(candidate, ec)) return Utf8FromPath(candidate);
  }
  return Utf8FromPath(fromStart);
}

}  // namespace orten::cli
