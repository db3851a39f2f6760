// The Windows transport against the real SetupAPI (under wine in the tests):
// a system without the device.
#include "transport/WinPipeTransport.h"

#include <gtest/gtest.h>

namespace orten {
namespace {

TEST(WinPipeTransport, NoDeviceIsAnEmptyResultNotAnError) {
  WinPipeTransport transport;
  EXPECT_FALSE(transport.DiscoverDevice());
  EXPECT_EQ(transport.DeviceCount(), 0u);
  EXPECT_EQ(transport.LastErrorText(), "");
  EXPECT_EQ(transport.LastFault(), LinkFault::None);
  EXPECT_EQ(transport.WritePipeState(), PipeState::None);
  EXPECT_EQ(transport.ReadPipeState(), PipeState::None);

  // With no pipe the byte operations fail at once, saying so.
  EXPECT_FALSE(transport.WriteByte(0x55));
  EXPECT_NE(transport.LastErrorText(), "");
  std::uint8_t byte = 0;
  EXPECT_EQ(transport.ReadByte(byte, 100), ReadStatus::Failed);
  transport.FlushReadPipe();
  transport.CloseLink();
  EXPECT_EQ(transport.WritePipeState(), PipeState::None);
}

}  // namespace
}  // namespace orten
