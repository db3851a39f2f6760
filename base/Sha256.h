#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace orten {

// SHA-256 of bytes as 64 lower-case hex digits: what sha256sum prints for a
// file of these bytes, so a journal's record can be matched with a file.
std::string Sha256Hex(std::span<const std::uint8_t> bytes);
std::string Sha256Hex(std::string_view bytes);

}  // namespace orten
