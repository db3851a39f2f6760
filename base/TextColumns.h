#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace orten {

// Text laid out in columns on a terminal. The texts are UTF-8, mostly
// Cyrillic, and every character the programs print takes one column (what
// could be wider is escaped first), so a width counts characters, not bytes.
std::size_t DisplayWidth(std::string_view text);
// The first count characters of text.
std::string FirstChars(std::string_view text, std::size_t count);
// text and blanks up to width; one blank after text that fills it or more.
std::string Padded(std::string_view text, std::size_t width);
// A line of a table for people: each cell Padded to its column's width, the
// last one (which has no width) as it is.
std::string TableLine(std::span<const std::string> cells, std::span<const std::size_t> widths);

}  // namespace orten
