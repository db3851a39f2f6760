#include "base/AtomicFile.h"

#include <filesystem>
#include <fstream>

#include "base/FileKind.h"
#include "base/Utf8Path.h"

namespace fs = std::filesystem;

namespace orten {

bool WriteFileAtomically(const std::string& path, const std::string& text, std::string& error) {
  const fs::path target = PathFromUtf8(path);
  const fs::path temp = PathFromUtf8(path + ".tmp");
  std::error_code ec;
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) {
      error = "Не удается записать файл " + path + ".";
      out.close();
      fs::remove(temp, ec);
      return false;
    }
  }
  fs::rename(temp, target, ec);
  if (ec) {
    error = "Не удается записать файл " + path + ": " + FileErrorText(ec) + ".";
    fs::remove(temp, ec);
    return false;
  }
  return true;
}

}  // namespace orten
