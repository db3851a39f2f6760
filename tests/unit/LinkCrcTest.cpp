#include <gtest/gtest.h>

#include <boost/crc.hpp>
#include <random>
#include <string_view>
#include <vector>

#include "protocol/LinkCrc.h"
#include "protocol/Packets.h"

namespace orten {
namespace {

std::uint16_t Crc(std::initializer_list<std::uint8_t> bytes) {
  const std::vector<std::uint8_t> v(bytes);
  return ComputeLinkCrc(std::span<const std::uint8_t>(v));
}

TEST(LinkCrc, KnownValues) {
  EXPECT_EQ(Crc({}), 0x0000);
  constexpr std::string_view kCheck = "123456789";
  EXPECT_EQ(ComputeLinkCrc(std::span<const std::uint8_t>(
                reinterpret_cast<const std::uint8_t*>(kCheck.data()), kCheck.size())),
            0xBB3D);
  EXPECT_EQ(UpdateLinkCrc(0, 0x55), 0x3FC0);
  EXPECT_EQ(Crc({0x55, 0x55}), 0x6FFF);
  EXPECT_EQ(Crc({0xAA, 0xAA}), 0xDFFE);
  EXPECT_EQ(Crc({0x55, 0x55, 0xA0, 0xAA, 0x00, 0x00}), 0x2902);
  EXPECT_EQ(Crc({0x55, 0x55, 0xA0, 0x00, 0x00, 0x00}), 0x0922);
}

// The byte rule as the device documents it, bit by bit, kept apart from the
// table-driven code under test.
std::uint16_t BitwiseRule(std::uint16_t crc, std::uint8_t b) {
  for (int i = 0; i < 8; ++i) {
    if (((crc ^ b) & 1) != 0) {
      crc = static_cast<std::uint16_t>(((crc ^ 0x4002) >> 1) | 0x8000);
    } else {
      crc = static_cast<std::uint16_t>(crc >> 1);
    }
    b = static_cast<std::uint8_t>(b >> 1);
  }
  return crc;
}

TEST(LinkCrc, MatchesIndependentImplementationsOnRandomInput) {
  std::mt19937 rng(20261208);
  for (int round = 0; round < 200; ++round) {
    std::vector<std::uint8_t> data(rng() % 2000);
    for (auto& b : data) b = static_cast<std::uint8_t>(rng());
    boost::crc_16_type reference;
    reference.process_bytes(data.data(), data.size());
    std::uint16_t bitwise = 0;
    for (std::uint8_t b : data) bitwise = BitwiseRule(bitwise, b);
    const std::uint16_t ours = ComputeLinkCrc(std::span<const std::uint8_t>(data));
    ASSERT_EQ(ours, reference.checksum()) << "length " << data.size();
    ASSERT_EQ(ours, bitwise) << "length " << data.size();
  }
}

TEST(LinkCrc, IntegerArraysFeedOnlyTheLowByte) {
  const std::vector<std::int32_t> values{0x1AA, -86, 0x55};  // AA, AA (as 0xFFFFFFAA), 55
  const std::vector<std::uint8_t> bytes{0xAA, 0xAA, 0x55};
  EXPECT_EQ(ComputeLinkCrc(std::span<const std::int32_t>(values)),
            ComputeLinkCrc(std::span<const std::uint8_t>(bytes)));
}

TEST(Packets, CommandPacketsCarryTheirChecksumLowByteFirst) {
  EXPECT_EQ(MakeCommandPacket(0xA0, 0xAA),
            (CommandPacket{0x55, 0x55, 0xA0, 0xAA, 0, 0, 0x02, 0x29}));
  EXPECT_EQ(MakeCommandPacket(0xAA, 0xAA),
            (CommandPacket{0x55, 0x55, 0xAA, 0xAA, 0, 0, 0x01, 0xF1}));
  EXPECT_EQ(MakeCommandPacket(0xA0), (CommandPacket{0x55, 0x55, 0xA0, 0, 0, 0, 0x22, 0x09}));
  EXPECT_EQ(MakeCommandPacket(0x93, 1, 7), (CommandPacket{0x55, 0x55, 0x93, 1, 7, 0, 0x7E, 0xBD}));
  EXPECT_EQ(MakeCommandPacket(0x94, 7, 0), (CommandPacket{0x55, 0x55, 0x94, 7, 0, 0, 0x9D, 0xF8}));
}

TEST(Packets, ReplyChecks) {
  CommandPacket reply = MakeCommandPacket(0xA0, 0x78, 0x12, 0x34);
  EXPECT_TRUE(PacketHasSync(reply));
  EXPECT_TRUE(PacketChecksumOk(reply));
  reply[6] ^= 1;
  EXPECT_TRUE(PacketHasSync(reply));
  EXPECT_FALSE(PacketChecksumOk(reply));
  reply = MakeCommandPacket(0xA0, 0x78);
  reply[1] = 0x54;
  EXPECT_FALSE(PacketHasSync(reply));
}

TEST(Packets, DataFramesCoverSyncAndPayload) {
  const std::vector<std::int32_t> page(256, 0);
  const std::vector<std::uint8_t> frame = BuildDataFrame(page);
  ASSERT_EQ(frame.size(), 260u);
  EXPECT_EQ(frame[0], 0xAA);
  EXPECT_EQ(frame[1], 0xAA);
  EXPECT_EQ(frame[258], 0x5E);
  EXPECT_EQ(frame[259], 0x92);
  EXPECT_TRUE(DataFrameSyncOk(frame));
  EXPECT_TRUE(DataFrameChecksumOk(frame));

  const std::vector<std::int32_t> registration(1792, 0);
  const std::vector<std::uint8_t> big = BuildDataFrame(registration);
  EXPECT_EQ(big[1794], 0x3A);
  EXPECT_EQ(big[1795], 0xBD);

  std::vector<std::int32_t> wide(256, 0);
  wide[0] = 0x1AA;
  wide[1] = 256;
  const std::vector<std::uint8_t> low = BuildDataFrame(wide);
  EXPECT_EQ(low[2], 0xAA);
  EXPECT_EQ(low[3], 0x00);
  EXPECT_TRUE(DataFrameChecksumOk(low));
}

}  // namespace
}  // namespace orten
