#include <gtest/gtest.h>

#include "protocol/DeviceCommands.h"
#include "tests/support/SimRig.h"
#include "tests/support/TraceCapture.h"

namespace orten {
namespace {

using test::ScriptedUi;
using test::SimRig;
using test::TraceCapture;

class TracedRig : public testing::Test {
 protected:
  std::vector<std::string> Lines() const { return trace_.Lines(); }

  SimRig rig_;
  TraceCapture trace_;
  DeviceLink link_{rig_.transport, rig_.pacer, rig_.ui, trace_.log()};
};

TEST_F(TracedRig, ConnectAndDisconnectAsLogged) {
  rig_.bus.Attach(45);
  ASSERT_TRUE(link_.DiscoverDevice());
  ASSERT_TRUE(SendConnect(link_, kCmdConnectMain));
  ASSERT_TRUE(SendDisconnect(link_));
  const std::vector<std::string> expected{
      "FW",   "FR",   "W 55", "W 55", "W a0", "W aa", "W 00", "W 00", "W 02", "W 29", "FW",
      "R 55", "R 55", "R a0", "R 2d", "R 00", "R 00", "R b2", "R 00", "FR",   "FW",   "FW",
      "FR",   "W 55", "W 55", "W a0", "W 00", "W 00", "W 00", "W 22", "W 09", "FW"};
  EXPECT_EQ(Lines(), expected);
}

TEST_F(TracedRig, FailuresPausesChunksAndNotes) {
  auto device = rig_.bus.Attach(45);
  ASSERT_TRUE(link_.DiscoverDevice());
  device->set_faults({.failWriteAtByte = 0});
  EXPECT_FALSE(link_.WriteByte(0x5a));
  link_.Pause(10);
  Chunk chunk{};
  chunk[0] = 0xff;
  EXPECT_TRUE(link_.WriteChunk(chunk));
  EXPECT_FALSE(link_.ReadByte(kReadSliceMs));
  link_.TraceNote("TxData[0] - aa");
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "W 5a !");
  EXPECT_EQ(lines[1], "P 10");
  EXPECT_EQ(lines[2], "W ff" + std::string(126, '0'));
  EXPECT_EQ(lines[3], "R !");
  EXPECT_EQ(lines[4], "TxData[0] - aa");
  EXPECT_EQ(rig_.pacer.pauses(), std::vector<int>{10});
}

TEST(DeviceLink, ShortChunkIsAFailedRead) {
  SimRig rig;
  auto device = rig.AttachAndDiscover(45);
  ASSERT_TRUE(rig.link.SendPacket(MakeCommandPacket(kCmdConnectMain, kCmdConnectWork)));
  ASSERT_TRUE(rig.link.SendPacket(MakeCommandPacket(kCmdReadParams, 1, 7)));
  CommandPacket reply{};
  ASSERT_TRUE(rig.link.ReadPacket(reply));  // the connect reply
  Chunk chunk{};
  device->set_faults({.shortChunkAtByte = 2});
  ASSERT_TRUE(rig.link.ReadByte());
  ASSERT_TRUE(rig.link.ReadByte());
  rig.ui.Clear();
  EXPECT_FALSE(rig.link.ReadChunk(chunk));
  ASSERT_EQ(rig.ui.Of(ScriptedUi::Kind::Message).size(), 1u);
  EXPECT_EQ(rig.ui.Of(ScriptedUi::Kind::Message)[0].caption, "Error");
  EXPECT_NE(rig.ui.Messages()[0].find("32"), std::string::npos) << rig.ui.Messages()[0];
}

TEST(DeviceLink, LongWaitsAreSlicedAndBounded) {
  SimRig rig;
  rig.AttachAndDiscover(45);
  EXPECT_FALSE(rig.link.ReadByte(kFirmwareVerdictTimeoutMs));
  EXPECT_EQ(rig.clock.NowUs(), std::int64_t{kFirmwareVerdictTimeoutMs} * 1000);
  EXPECT_EQ(rig.pacer.pumps(), kFirmwareVerdictTimeoutMs / kReadSliceMs - 1);
  ASSERT_EQ(rig.ui.Messages().size(), 1u);
  EXPECT_NE(rig.ui.Messages()[0].find("60 с"), std::string::npos);
}

TEST(DeviceLink, ReadsOnADeadLinkFailAtOnce) {
  SimRig rig;
  auto device = rig.AttachAndDiscover(45);
  device->Unplug();
  EXPECT_FALSE(rig.link.ReadByte());
  EXPECT_EQ(rig.clock.NowUs(), 0);  // no waiting on a device that is gone
  EXPECT_EQ(rig.ui.Messages().size(), 1u);
}

}  // namespace
}  // namespace orten
