// The simulated device is the yardstick of every exchange test, so its own
// judgement of frames and pacing is checked here against hand-made traffic.
#include <gtest/gtest.h>

#include <numeric>

#include "protocol/LinkCrc.h"
#include "tests/support/SimRig.h"

namespace orten {
namespace {

using test::SimRig;
using Bytes = std::vector<std::uint8_t>;

class SimDeviceTest : public testing::Test {
 protected:
  void SetUp() override {
    device_ = rig_.AttachAndDiscover(45);
    ASSERT_TRUE(rig_.link.SendPacket(MakeCommandPacket(kCmdConnectWork, kCmdConnectWork)));
    CommandPacket reply{};
    ASSERT_TRUE(rig_.link.ReadPacket(reply));
    ASSERT_EQ(reply[3], 45);
  }

  std::optional<std::uint8_t> Answer() {
    CommandPacket answer{};
    if (!rig_.link.ReadPacket(answer, kFirmwareVerdictTimeoutMs)) return std::nullopt;
    return answer[3];
  }

  // Sends a frame as the parameter writer does: singles, chunks with a pause
  // after each (unless told not to), singles.
  void SendFrame(const Bytes& frame, bool pause = true) {
    rig_.link.WriteByte(frame[0]);
    rig_.link.WriteByte(frame[1]);
    for (std::size_t at = 2; at + 2 < frame.size(); at += kChunkSize) {
      Chunk chunk{};
      std::copy_n(frame.begin() + static_cast<std::ptrdiff_t>(at), kChunkSize, chunk.begin());
      rig_.link.WriteChunk(chunk);
      if (pause) rig_.link.Pause(10);
    }
    rig_.link.WriteByte(frame[frame.size() - 2]);
    rig_.link.Pause(10);
    rig_.link.WriteByte(frame.back());
    rig_.link.Pause(10);
  }

  // A firmware image: a head packet, blocks, a checksum tail.
  static Bytes Image(std::uint8_t version, std::size_t blocks) {
    CommandPacket head = MakeCommandPacket(kFirmwareTypeCode, version, 0x01, 0x02);
    Bytes image(head.begin(), head.end());
    Bytes body(blocks * kChunkSize);
    std::iota(body.begin(), body.end(), std::uint8_t{7});
    image.insert(image.end(), body.begin(), body.end());
    const std::uint16_t crc = ComputeLinkCrc(std::span<const std::uint8_t>(body));
    image.push_back(LowByte(crc));
    image.push_back(HighByte(crc));
    return image;
  }

  void SendImage(const Bytes& image, int blockPause = 10, int tailPause = 10,
                 int answerPause = 25) {
    const std::size_t blocks = (image.size() - 10) / kChunkSize;
    for (std::size_t i = 0; i < 8; ++i) rig_.link.WriteByte(image[i]);
    for (std::size_t b = 0; b < blocks; ++b) {
      Chunk chunk{};
      std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(8 + b * kChunkSize), kChunkSize,
                  chunk.begin());
      rig_.link.WriteChunk(chunk);
      if ((b + 1) % 4 == 0 && blockPause > 0) rig_.link.Pause(blockPause);
    }
    rig_.link.WriteByte(image[image.size() - 2]);
    if (tailPause > 0) rig_.link.Pause(tailPause);
    rig_.link.WriteByte(image.back());
    if (answerPause > 0) rig_.link.Pause(answerPause);
  }

  SimRig rig_;
  std::shared_ptr<SimDevice> device_;
};

TEST_F(SimDeviceTest, ParameterReadReturnsTheRequestedPages) {
  for (std::size_t i = 0; i < device_->memory().size(); ++i) {
    device_->memory()[i] = static_cast<std::uint8_t>(i / 256 + i);
  }
  ASSERT_TRUE(rig_.link.SendPacket(MakeCommandPacket(kCmdReadParams, 1, 7)));
  Bytes frame;
  for (int i = 0; i < 2; ++i) frame.push_back(*rig_.link.ReadByte());
  for (int c = 0; c < 4; ++c) {
    Chunk chunk{};
    ASSERT_TRUE(rig_.link.ReadChunk(chunk));
    frame.insert(frame.end(), chunk.begin(), chunk.end());
  }
  for (int i = 0; i < 2; ++i) frame.push_back(*rig_.link.ReadByte());
  ASSERT_EQ(frame.size(), 260u);
  EXPECT_TRUE(DataFrameSyncOk(frame));
  EXPECT_TRUE(DataFrameChecksumOk(frame));
  EXPECT_TRUE(std::equal(frame.begin() + 2, frame.end() - 2, device_->memory().begin() + 7 * 256));
}

TEST_F(SimDeviceTest, ParameterWriteStoresAGoodFrameAndAnswersZero) {
  std::vector<std::int32_t> payload(256);
  std::iota(payload.begin(), payload.end(), 0);
  ASSERT_TRUE(rig_.link.SendPacket(MakeCommandPacket(kCmdWriteParams, 1, 7)));
  SendFrame(BuildDataFrame(payload));
  EXPECT_EQ(Answer(), SimDevice::kAccepted);
  EXPECT_EQ(device_->memory()[7 * 256 + 200], 200);
  EXPECT_EQ(device_->memory()[6 * 256 + 200], 0);
}

TEST_F(SimDeviceTest, ParameterWriteRejectsBadChecksumOverrunAndFault) {
  std::vector<std::int32_t> payload(256, 9);
  Bytes frame = BuildDataFrame(payload);
  frame[100] ^= 1;
  ASSERT_TRUE(rig_.link.SendPacket(MakeCommandPacket(kCmdWriteParams, 1, 7)));
  SendFrame(frame);
  EXPECT_EQ(Answer(), SimDevice::kRejected);
  EXPECT_EQ(device_->memory()[7 * 256], 0);  // nothing stored

  ASSERT_TRUE(rig_.link.SendPacket(MakeCommandPacket(kCmdWriteParams, 1, 7)));
  SendFrame(BuildDataFrame(payload), /*pause=*/false);
  EXPECT_EQ(Answer(), SimDevice::kRejected);
  EXPECT_NE(device_->lastVerdictReason().find("overrun"), std::string::npos);

  device_->set_faults({.reject = true});
  ASSERT_TRUE(rig_.link.SendPacket(MakeCommandPacket(kCmdWriteParams, 1, 7)));
  SendFrame(BuildDataFrame(payload));
  EXPECT_EQ(Answer(), SimDevice::kRejected);
}

TEST_F(SimDeviceTest, FirmwareAcceptedChangesTheVersion) {
  SendImage(Image(121, 5));
  EXPECT_EQ(Answer(), SimDevice::kAccepted) << device_->lastVerdictReason();
  EXPECT_EQ(device_->version(), 121);
}

TEST_F(SimDeviceTest, FirmwarePacingAndContentAreJudged) {
  SendImage(Image(121, 8), /*blockPause=*/0);
  EXPECT_EQ(Answer(), SimDevice::kRejected);
  EXPECT_NE(device_->lastVerdictReason().find("block 4"), std::string::npos);

  SendImage(Image(121, 4), 10, /*tailPause=*/0);
  EXPECT_EQ(Answer(), SimDevice::kRejected);

  SendImage(Image(121, 4), 10, 10, /*answerPause=*/5);
  EXPECT_EQ(Answer(), SimDevice::kRejected);

  Bytes cut = Image(121, 4);
  cut.pop_back();  // 9 + 64n bytes: the blocks no longer line up
  for (std::size_t i = 0; i < 8; ++i) rig_.link.WriteByte(cut[i]);
  for (std::size_t i = 8; i < cut.size(); ++i) rig_.link.WriteByte(cut[i]);
  rig_.link.Pause(25);
  EXPECT_EQ(Answer(), SimDevice::kRejected);
  EXPECT_EQ(device_->version(), 45);
}

TEST_F(SimDeviceTest, FirmwareHeadNeedsNoChecksumOfOurs) {
  Bytes image = Image(122, 4);
  image[6] = image[7] = 0;  // what a file's head holds is the file maker's business
  SendImage(image);
  EXPECT_EQ(Answer(), SimDevice::kAccepted) << device_->lastVerdictReason();
  EXPECT_EQ(device_->version(), 122);
}

TEST_F(SimDeviceTest, FirmwareWithoutAnswerTimesOut) {
  device_->set_faults({.noAnswer = true});
  SendImage(Image(121, 4));
  EXPECT_FALSE(Answer());
  EXPECT_EQ(device_->version(), 121);  // it did take the image; only the answer got lost
}

TEST_F(SimDeviceTest, CommandsNeedAConnectFirst) {
  ASSERT_TRUE(rig_.link.SendPacket(MakeCommandPacket(kCmdConnectMain)));  // disconnect
  EXPECT_FALSE(device_->connected());
  ASSERT_TRUE(rig_.link.SendPacket(MakeCommandPacket(kCmdReadParams, 1, 7)));
  EXPECT_FALSE(rig_.link.ReadByte(kReadSliceMs));
}

}  // namespace
}  // namespace orten
