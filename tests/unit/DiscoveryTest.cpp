#include <gtest/gtest.h>

#include "tests/support/SimRig.h"

namespace orten {
namespace {

using test::SimRig;

TEST(Discovery, NoDevice) {
  SimRig rig;
  EXPECT_FALSE(rig.link.DiscoverDevice());
  EXPECT_EQ(rig.link.DeviceCount(), 0u);
  EXPECT_EQ(rig.transport.WritePipeState(), PipeState::None);
  EXPECT_TRUE(rig.ui.events().empty());  // the connect workflow says what this means
}

TEST(Discovery, OneDeviceOpensBothPipes) {
  SimRig rig;
  rig.bus.Attach(45);
  EXPECT_TRUE(rig.link.DiscoverDevice());
  EXPECT_EQ(rig.link.DeviceCount(), 1u);
  EXPECT_EQ(rig.transport.WritePipeState(), PipeState::Open);
  EXPECT_EQ(rig.transport.ReadPipeState(), PipeState::Open);
}

TEST(Discovery, TwoDevicesLeaveNoHandle) {
  SimRig rig;
  rig.bus.Attach(45);
  rig.bus.Attach(120);
  EXPECT_FALSE(rig.link.DiscoverDevice());
  EXPECT_EQ(rig.link.DeviceCount(), 2u);
  EXPECT_EQ(rig.transport.WritePipeState(), PipeState::None);
  EXPECT_EQ(rig.transport.ReadPipeState(), PipeState::None);
  EXPECT_FALSE(rig.link.WriteByte(0x55));  // nothing to write to
}

TEST(Discovery, EarlierHandlesAreClosedWhenDiscoveringAgain) {
  SimRig rig;
  auto first = rig.bus.Attach(45);
  ASSERT_TRUE(rig.link.DiscoverDevice());
  EXPECT_EQ(rig.transport.closeCount(), 0);

  ASSERT_TRUE(rig.link.DiscoverDevice());  // replaces the handles
  EXPECT_EQ(rig.transport.closeCount(), 1);

  rig.bus.Attach(120);
  EXPECT_FALSE(rig.link.DiscoverDevice());  // several: the old ones are closed, none kept
  EXPECT_EQ(rig.transport.closeCount(), 2);
  EXPECT_EQ(rig.transport.device(), nullptr);

  first->Unplug();
  ASSERT_TRUE(rig.link.DiscoverDevice());  // the one left
  EXPECT_EQ(rig.transport.device()->version(), 120);
}

TEST(Discovery, UnpluggedDevicesDoNotCount) {
  SimRig rig;
  rig.bus.Attach(45)->Unplug();
  EXPECT_FALSE(rig.link.DiscoverDevice());
  EXPECT_EQ(rig.link.DeviceCount(), 0u);
}

TEST(Discovery, CloseWithNothingOpenIsHarmless) {
  SimRig rig;
  rig.link.CloseLink();
  rig.link.CloseLink();
  EXPECT_EQ(rig.transport.closeCount(), 0);
  EXPECT_TRUE(rig.ui.events().empty());
}

TEST(Discovery, AFailedWriteChangesNoHandle) {
  SimRig rig;
  auto device = rig.AttachAndDiscover(45);
  device->set_faults({.failWriteAtByte = 0});
  EXPECT_FALSE(rig.link.WriteByte(0x11));
  EXPECT_EQ(rig.transport.WritePipeState(), PipeState::Open);
  EXPECT_TRUE(rig.link.WriteByte(0x22));  // the next write goes to the same pipe
  EXPECT_EQ(device->received(), std::vector<std::uint8_t>{0x22});
}

}  // namespace
}  // namespace orten
