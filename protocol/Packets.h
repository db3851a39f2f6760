#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace orten {

inline constexpr std::uint8_t kPacketSync = 0x55;
inline constexpr std::uint8_t kDataSync = 0xAA;
inline constexpr std::size_t kPacketSize = 8;

// Command codes the host sends (byte 2 of a CommandPacket).
inline constexpr std::uint8_t kCmdConnectMain = 0xA0;  // connect from "Главная"; also disconnect
inline constexpr std::uint8_t kCmdConnectWork = 0xAA;  // connect from a work page
inline constexpr std::uint8_t kCmdReadParams = 0x93;
inline constexpr std::uint8_t kCmdWriteParams = 0x94;
inline constexpr std::uint8_t kFirmwareTypeCode = 0x12;

// 55 55, code, three arguments, CRC low, CRC high (CRC over bytes 0-5).
using CommandPacket = std::array<std::uint8_t, kPacketSize>;

CommandPacket MakeCommandPacket(std::uint8_t code, std::uint8_t arg1 = 0, std::uint8_t arg2 = 0,
                                std::uint8_t arg3 = 0);
bool PacketHasSync(const CommandPacket& packet);
bool PacketChecksumOk(const CommandPacket& packet);

// AA AA, payload, CRC low, CRC high (CRC over sync and payload). Only the low
// 8 bits of each payload value are framed.
std::vector<std::uint8_t> BuildDataFrame(std::span<const std::int32_t> payload);
// frame holds sync, payload and the two checksum bytes.
bool DataFrameSyncOk(std::span<const std::uint8_t> frame);
bool DataFrameChecksumOk(std::span<const std::uint8_t> frame);

}  // namespace orten
