#include <gtest/gtest.h>

#include "protocol/DeviceCommands.h"
#include "protocol/FirmwareWriter.h"
#include "protocol/Packets.h"
#include "protocol/ParameterExchange.h"
#include "tests/usb/UsbRig.h"

namespace orten {
namespace {

using test::EmulatedUsbDevice;
using test::ScriptedUi;
using test::UsbFaults;
using Bytes = std::vector<std::uint8_t>;

enum class Exchange { Connect, ReadRegistration };

struct FaultCase {
  const char* name;
  int packetSize;
  UsbFaults faults;
  Exchange exchange;
  // Pieces of the boxes the first exchange raises, in order; none: it succeeds.
  std::vector<std::string> boxesSay;
  std::vector<unsigned> clearedHalts;
};

// A fault hits one exchange; the next exchange on the same connection works.
void PrintTo(const FaultCase& c, std::ostream* os) {
  *os << c.name;
}

class UsbFault : public test::UsbRig, public testing::WithParamInterface<FaultCase> {
 protected:
  bool Run(Exchange exchange) {
    if (exchange == Exchange::Connect) return SendConnect(*link_, kCmdConnectMain).ok();
    std::vector<std::int32_t> values(kRegistrationArea.size());
    if (!ReadParameterBlock(*link_, kRegistrationArea, values)) return false;
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (values[i] != static_cast<std::uint8_t>(i * 5)) return false;
    }
    return true;
  }
};

TEST_P(UsbFault, TheNextExchangeStartsClean) {
  const FaultCase& c = GetParam();
  EmulatedUsbDevice& device = StartWithOne({.version = 120, .inPacketSize = c.packetSize});
  device.WithSim([](SimDevice& sim) {
    for (std::size_t i = 0; i < sim.memory().size(); ++i)
      sim.memory()[i] = static_cast<std::uint8_t>(i * 5);
  });
  ASSERT_TRUE(SendConnect(*link_, kCmdConnectWork));
  device.SetFaults(c.faults);

  EXPECT_EQ(Run(c.exchange), c.boxesSay.empty());
  const std::vector<std::string> boxes = Boxes();
  ASSERT_EQ(boxes.size(), c.boxesSay.size());
  for (std::size_t i = 0; i < boxes.size(); ++i)
    EXPECT_NE(boxes[i].find(c.boxesSay[i]), std::string::npos) << boxes[i];
  EXPECT_EQ(device.ClearedHalts(), c.clearedHalts);

  ui_.Clear();
  EXPECT_TRUE(Run(c.exchange));
  EXPECT_TRUE(Boxes().empty());
}

const std::string kNoReplyBox = msg::kNoReply;
const std::string kTimeoutBox = "(2 с)";
const std::string kStallBox = "сброшена";

INSTANTIATE_TEST_SUITE_P(
    Faults, UsbFault,
    testing::Values(FaultCase{"StalledIn",
                              64,
                              {.stallInAtByte = 0},
                              Exchange::Connect,
                              {kStallBox, kNoReplyBox},
                              {0x81}},
                    FaultCase{"StalledOut",
                              64,
                              {.stallOutAtByte = 0},
                              Exchange::Connect,
                              {kStallBox, msg::kConnectSendFailed},
                              {0x01}},
                    FaultCase{"StalledMidFrame",
                              8,
                              {.stallInAtByte = 100},
                              Exchange::ReadRegistration,
                              {kStallBox, kNoReplyBox},
                              {0x81}},
                    // The host holds 62 bytes of the cut frame when the read gives up.
                    FaultCase{"SilentMidFrame",
                              64,
                              {.silentAtByte = 64},
                              Exchange::ReadRegistration,
                              {kTimeoutBox, kNoReplyBox},
                              {}},
                    FaultCase{"SilentMidPacket",
                              8,
                              {.silentAtByte = 20},
                              Exchange::ReadRegistration,
                              {kTimeoutBox, kNoReplyBox},
                              {}},
                    // Slower than one read slice, well within the reply time: nothing is lost.
                    FaultCase{"PauseMidFrame",
                              64,
                              {.silentAtByte = 64, .silentForMs = 350},
                              Exchange::ReadRegistration,
                              {},
                              {}}),
    [](const auto& row) { return std::string(row.param.name); });

// The device is pulled out while a firmware image streams to it, at the
// host byte given.
class UsbUnplug : public test::UsbRig, public testing::WithParamInterface<std::uint64_t> {};

TEST_P(UsbUnplug, OneBoxThenEverythingFailsAtOnce) {
  EmulatedUsbDevice& device = StartWithOne({.version = 100});
  ASSERT_TRUE(SendConnect(*link_, kCmdConnectMain));
  device.SetFaults({.unplugAtByte = GetParam()});
  const CommandPacket head = MakeCommandPacket(kFirmwareTypeCode, 121, 0x10, 0x20);
  Bytes image(head.begin(), head.end());
  image.resize(8 + 9 * kChunkSize + 2, 0x5a);

  EXPECT_FALSE(WriteFirmwareImage(*link_, image));
  EXPECT_TRUE(device.Gone());
  EXPECT_EQ(transport_->LastFault(), LinkFault::NoDevice);
  const auto boxes = ui_.Of(ScriptedUi::Kind::Message);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].caption, kErrorCaption);
  EXPECT_NE(boxes[0].text.find("отключен"), std::string::npos) << boxes[0].text;
  EXPECT_EQ(boxes[1].text, msg::kFirmwareNotWritten);

  // Nothing more to say: the disconnect and any transfer fail quietly, at once.
  const std::size_t sent = device.WithSim([](SimDevice& sim) { return sim.received().size(); });
  EXPECT_FALSE(SendDisconnect(*link_));
  EXPECT_FALSE(link_->WriteByte(0x55));
  EXPECT_FALSE(link_->ReadByte());
  EXPECT_EQ(transport_->LastFault(), LinkFault::NoDevice);
  EXPECT_EQ(device.WithSim([](SimDevice& sim) { return sim.received().size(); }), sent);
  EXPECT_EQ(ui_.Of(ScriptedUi::Kind::Message).size(), 2u);

  usb_.Remove(device);
  EXPECT_FALSE(link_->DiscoverDevice());
  EXPECT_EQ(link_->DeviceCount(), 0u);
  EXPECT_EQ(transport_->LastFault(), LinkFault::None);
}

// A head byte, a byte inside the second block, the last tail byte.
INSTANTIATE_TEST_SUITE_P(Where, UsbUnplug, testing::Values(0u, 8u + 64 + 10, 8u + 9 * 64 + 1));

}  // namespace
}  // namespace orten
