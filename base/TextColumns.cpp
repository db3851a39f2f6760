#include "base/TextColumns.h"

#include <algorithm>

namespace orten {

namespace {

bool StartsCharacter(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
}

}  // namespace

std::size_t DisplayWidth(std::string_view text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), StartsCharacter));
}

std::string FirstChars(std::string_view text, std::size_t count) {
  std::size_t end = 0;
  for (std::size_t seen = 0; end < text.size(); ++end) {
    if (StartsCharacter(text[end]) && seen++ == count) break;
  }
  return std::string(text.substr(0, end));
}

std::string Padded(std::string_view text, std::size_t width) {
  const std::size_t used = DisplayWidth(text);
  return std::string(text) + std::string(used < width ? width - used : 1, ' ');
}

std::string TableLine(std::span<const std::string> cells, std::span<const std::size_t> widths) {
  std::string line;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    line += i + 1 < cells.size() ? Padded(cells[i], widths[i]) : cells[i];
  }
  return line;
}

}  // namespace orten
