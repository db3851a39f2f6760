// The Windows transport against the real SetupAPI (under wine in the tests):
// a system without the device, and what the system's error codes mean. The
// device itself is tested through the test driver (tests/wine/device_test.sh).
#include "transport/WinPipeTransport.h"

#include <windows.h>

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

// The codes a driver gives for a device pulled out, for a pipe someone else
// holds, and for anything else.
TEST(WinPipeTransport, ErrorCodesTellGoneFromBusyFromBroken) {
  struct Row {
    unsigned long code;
    LinkFault atOpen;
    LinkFault onTransfer;
  };
  const Row rows[] = {
      {ERROR_SHARING_VIOLATION, LinkFault::Busy, LinkFault::Io},
      {ERROR_ACCESS_DENIED, LinkFault::Busy, LinkFault::NoDevice},  // delete pending
      {ERROR_DEVICE_NOT_CONNECTED, LinkFault::Io, LinkFault::NoDevice},
      {433, LinkFault::Io, LinkFault::NoDevice},  // ERROR_NO_SUCH_DEVICE
      {ERROR_DEVICE_REMOVED, LinkFault::Io, LinkFault::NoDevice},
      {ERROR_FILE_NOT_FOUND, LinkFault::Io, LinkFault::NoDevice},
      {ERROR_GEN_FAILURE, LinkFault::Io, LinkFault::Io},
      {ERROR_IO_DEVICE, LinkFault::Io, LinkFault::Io},
      {ERROR_OPERATION_ABORTED, LinkFault::Io, LinkFault::Io},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(WindowsErrorFault(row.code, true), row.atOpen) << row.code;
    EXPECT_EQ(WindowsErrorFault(row.code, false), row.onTransfer) << row.code;
  }
}

}  // namespace
}  // namespace orten
