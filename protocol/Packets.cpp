#include "protocol/Packets.h"

#include "protocol/LinkCrc.h"

namespace orten {

CommandPacket MakeCommandPacket(std::uint8_t code, std::uint8_t arg1, std::uint8_t arg2,
                                std::uint8_t arg3) {
  CommandPacket packet{kPacketSync, kPacketSync, code, arg1, arg2, arg3, 0, 0};
  const std::uint16_t crc = ComputeLinkCrc(std::span<const std::uint8_t>(packet.data(), 6));
  packet[6] = LowByte(crc);
  packet[7] = HighByte(crc);
  return packet;
}

bool PacketHasSync(const CommandPacket& packet) {
  return packet[0] == kPacketSync && packet[1] == kPacketSync;
}

bool PacketChecksumOk(const CommandPacket& packet) {
  const std::uint16_t crc = ComputeLinkCrc(std::span<const std::uint8_t>(packet.data(), 6));
  return packet[6] == LowByte(crc) && packet[7] == HighByte(crc);
}

std::vector<std::uint8_t> BuildDataFrame(std::span<const std::int32_t> payload) {
  std::vector<std::uint8_t> frame;
  frame.reserve(payload.size() + 4);
  frame.push_back(kDataSync);
  frame.push_back(kDataSync);
  for (std::int32_t v : payload) frame.push_back(static_cast<std::uint8_t>(v & 0xFF));
  const std::uint16_t crc = ComputeLinkCrc(std::span<const std::uint8_t>(frame));
  frame.push_back(LowByte(crc));
  frame.push_back(HighByte(crc));
  return frame;
}

bool DataFrameSyncOk(std::span<const std::uint8_t> frame) {
  return frame.size() >= 2 && frame[0] == kDataSync && frame[1] == kDataSync;
}

bool DataFrameChecksumOk(std::span<const std::uint8_t> frame) {
  if (frame.size() < 4) return false;
  const std::size_t covered = frame.size() - 2;
  const std::uint16_t crc = ComputeLinkCrc(frame.first(covered));
  return frame[covered] == LowByte(crc) && frame[covered + 1] == HighByte(crc);
}

}  // namespace orten
