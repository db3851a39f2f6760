#include "protocol/LinkCrc.h"

#include <array>

namespace orten {

namespace {

// The bitwise rule once per byte value, so a frame costs one lookup a byte.
constexpr std::array<std::uint16_t, 256> MakeTable() {
  std::array<std::uint16_t, 256> table{};
  for (unsigned value = 0; value < 256; ++value) {
    std::uint16_t crc = static_cast<std::uint16_t>(value);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 1U) != 0 ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001U)
                            : static_cast<std::uint16_t>(crc >> 1);
    }
    table[value] = crc;
  }
  return table;
}

constexpr std::array<std::uint16_t, 256> kTable = MakeTable();

}  // namespace

std::uint16_t UpdateLinkCrc(std::uint16_t crc, std::uint8_t byte) {
  return static_cast<std::uint16_t>((crc >> 8) ^ kTable[(crc ^ byte) & 0xFFU]);
}

std::uint16_t ComputeLinkCrc(std::span<const std::uint8_t> bytes) {
  std::uint16_t crc = 0;
  for (std::uint8_t b : bytes) crc = UpdateLinkCrc(crc, b);
  return crc;
}

std::uint16_t ComputeLinkCrc(std::span<const std::int32_t> values) {
  std::uint16_t crc = 0;
  for (std::int32_t v : values) crc = UpdateLinkCrc(crc, static_cast<std::uint8_t>(v & 0xFF));
  return crc;
}

}  // namespace orten
