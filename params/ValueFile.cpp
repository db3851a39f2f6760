#include "params/ValueFile.h"

#include "common/AtomicFile.h"
#include "common/Utf8Path.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace orten {

namespace {

std::string Name(const std::string& path) {
  return Utf8FromPath(PathFromUtf8(path).filename());
}

}  // namespace

bool ReadValueFile(const std::string& path, std::size_t count, std::vector<std::int32_t>& values,
                   std::string& error) {
  std::ifstream in(PathFromUtf8(path), std::ios::binary);
  if (!in) {
    error = "Не удается открыть файл " + path + ".";
    return false;
  }
  std::vector<std::int32_t> read;
  read.reserve(count);
  int line = 1;
  std::string token;
  // Tokens are runs of non-blank characters; line numbers follow LF.
  for (int c = in.get(); read.size() < count; c = in.get()) {
    const bool end = c == std::char_traits<char>::eof();
    const bool blank =
        end || c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
    if (!blank) {
      token.push_back(static_cast<char>(c));
      continue;
    }
    if (!token.empty()) {
      int value = 0;
      const auto [next, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
      if (ec != std::errc() || next != token.data() + token.size()) {
        error = "Файл " + Name(path) + ", строка " + std::to_string(line) + ": «" + token +
                "» не является целым числом.";
        return false;
      }
      if (value < 0 || value > 255) {
        error = "Файл " + Name(path) + ", строка " + std::to_string(line) + ": значение " + token +
                " вне диапазона 0–255.";
        return false;
      }
      read.push_back(value);
      token.clear();
    }
    if (c == '\n') ++line;
    if (end) break;
  }
  if (read.size() < count) {
    error = "Файл " + Name(path) + " содержит " + std::to_string(read.size()) + " значений из " +
            std::to_string(count) + ".";
    return false;
  }
  values = std::move(read);
  return true;
}

bool WriteValueFile(const std::string& path, std::span<const std::int32_t> values,
                    std::string& error) {
  std::ostringstream text;
  for (std::int32_t v : values) text << v << "\r\n";
  return WriteFileAtomically(path, text.str(), error);
}

}  // namespace orten
