#pragma once

#include <cstdint>
#include <span>

namespace orten {

// CRC-16/ARC (reflected polynomial 0xA001, start 0, no final XOR), sent low
// byte first. Every frame starts a fresh computation from 0.
std::uint16_t UpdateLinkCrc(std::uint16_t crc, std::uint8_t byte);
std::uint16_t ComputeLinkCrc(std::span<const std::uint8_t> bytes);
// Integer arrays hold one byte per element: only the low 8 bits count.
std::uint16_t ComputeLinkCrc(std::span<const std::int32_t> values);

inline constexpr std::uint8_t LowByte(std::uint16_t v) {
  return static_cast<std::uint8_t>(v & 0xFF);
}
inline constexpr std::uint8_t HighByte(std::uint16_t v) {
  return static_cast<std::uint8_t>(v >> 8);
}

}  // namespace orten
