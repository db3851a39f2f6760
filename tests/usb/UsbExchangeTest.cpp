#include <gtest/gtest.h>

#include <numeric>

#include "protocol/FirmwareWriter.h"
#include "protocol/DeviceCommands.h"
#include "protocol/Packets.h"
#include "protocol/ParameterExchange.h"
#include "tests/usb/UsbRig.h"

namespace orten {
namespace {

using test::EmulatedDeviceSetup;
using test::EmulatedUsbDevice;
using test::ScriptedUi;
using Bytes = std::vector<std::uint8_t>;

struct DiscoveryCase {
  const char* name;
  std::vector<EmulatedDeviceSetup> devices;
  bool denyAccess;
  bool found;
  std::uint32_t count;
  PipeState state;
  LinkFault fault;
  const char* boxSays;  // a piece of the one "Error" box, or none
  OutcomeKind connect;  // what the first command then ends in
  const char* adviceSays;  // a piece of the transport's advice, or none
};

void PrintTo(const DiscoveryCase& c, std::ostream* os) {
  *os << c.name;
}

class UsbDiscovery : public test::UsbRig, public testing::WithParamInterface<DiscoveryCase> {};

TEST_P(UsbDiscovery, FindsExactlyTheOneDeviceWithTheIds) {
  const DiscoveryCase& c = GetParam();
  for (const EmulatedDeviceSetup& setup : c.devices) usb_.Plug(setup);
  if (c.denyAccess) usb_.DenyAccess(*usb_.Devices().front());
  Start();
  bool found = false;
  {
    std::optional<test::Unprivileged> asUser;
    if (c.denyAccess) asUser.emplace();
    found = link_->DiscoverDevice();
  }
  EXPECT_EQ(found, c.found);
  EXPECT_EQ(link_->DeviceCount(), c.count);
  EXPECT_EQ(transport_->WritePipeState(), c.state);
  EXPECT_EQ(transport_->ReadPipeState(), c.state);
  EXPECT_EQ(transport_->LastFault(), c.fault);
  const auto boxes = ui_.Of(ScriptedUi::Kind::Message);
  if (!c.boxSays) {
    EXPECT_TRUE(boxes.empty()) << testing::PrintToString(Boxes());
    return;
  }
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, kErrorCaption);
  EXPECT_NE(boxes[0].text.find(c.boxSays), std::string::npos) << boxes[0].text;
  // A device that cannot be used refuses the first command at once, as what it is.
  EXPECT_EQ(SendConnect(*link_, kCmdConnectMain).kind(), c.connect);
  EXPECT_EQ(ui_.Of(ScriptedUi::Kind::Message).size(), 2u);
  const std::string advice = transport_->OpenAdvice();
  EXPECT_EQ(advice.empty(), !c.adviceSays);
  if (c.adviceSays) {
    EXPECT_NE(advice.find(c.adviceSays), std::string::npos) << advice;
  }
}

const EmulatedDeviceSetup kOther{.id = {0x16c0, 0x05df}};
const EmulatedDeviceSetup kNoBulkPair{.bulkPair = false};

INSTANTIATE_TEST_SUITE_P(
    Devices, UsbDiscovery,
    testing::Values(
        DiscoveryCase{"None", {}, false, false, 0, PipeState::None, LinkFault::None, nullptr},
        DiscoveryCase{
            "OtherIds", {kOther}, false, false, 0, PipeState::None, LinkFault::None, nullptr},
        DiscoveryCase{
            "One", {{}, kOther}, false, true, 1, PipeState::Open, LinkFault::None, nullptr},
        DiscoveryCase{"Two", {{}, {}}, false, false, 2, PipeState::None, LinkFault::None, nullptr},
        DiscoveryCase{"NoBulkPair", {kNoBulkPair}, false, true, 1, PipeState::Invalid,
                      LinkFault::Io, "bulk", OutcomeKind::SendFailed, nullptr},
        // No udev rule yet: not a transfer fault. The box says what was
        // refused; the rule is the advice, for whoever offers it.
        DiscoveryCase{"AccessRefused", {{}}, true, true, 1, PipeState::Invalid, LinkFault::Access,
                      "Нет прав на доступ к прибору USB 16c0:05dc (шина 1, адрес 2).",
                      OutcomeKind::AccessRefused,
                      "ATTR{idVendor}==\"16c0\", ATTR{idProduct}==\"05dc\", TAG+=\"uaccess\""}),
    [](const auto& row) { return std::string(row.param.name); });

// The exchanges through real libusb, with replies in packets of 64 and of 8.
class UsbExchange : public test::UsbRig, public testing::WithParamInterface<int> {
 protected:
  EmulatedUsbDevice& Connected(std::uint8_t version, std::uint8_t code) {
    EmulatedUsbDevice& device = StartWithOne({.version = version, .inPacketSize = GetParam()});
    EXPECT_TRUE(SendConnect(*link_, code));
    return device;
  }
  // How a reply of size bytes arrives: whole packets, then a short one.
  std::vector<int> Packets(int size) const {
    std::vector<int> packets(static_cast<std::size_t>(size / GetParam()), GetParam());
    if (size % GetParam() != 0) packets.push_back(size % GetParam());
    return packets;
  }
};

TEST_P(UsbExchange, ConnectAndDisconnectExactOnTheWire) {
  EmulatedUsbDevice& device = Connected(45, kCmdConnectMain);
  ASSERT_TRUE(SendDisconnect(*link_));
  const std::vector<std::string> expected{
      "FW",   "FR",   "W 55", "W 55", "W a0", "W aa", "W 00", "W 00", "W 02", "W 29", "FW",
      "R 55", "R 55", "R a0", "R 2d", "R 00", "R 00", "R b2", "R 00", "FR",   "FW",   "FW",
      "FR",   "W 55", "W 55", "W a0", "W 00", "W 00", "W 00", "W 22", "W 09", "FW"};
  EXPECT_EQ(trace_.Lines(), expected);
  const Bytes wire{0x55, 0x55, 0xa0, 0xaa, 0x00, 0x00, 0x02, 0x29,
                   0x55, 0x55, 0xa0, 0x00, 0x00, 0x00, 0x22, 0x09};
  EXPECT_EQ(device.WithSim([](SimDevice& sim) { return sim.received(); }), wire);
  EXPECT_EQ(device.InPackets(), std::vector<int>{8});
  EXPECT_TRUE(Boxes().empty());
}

TEST_P(UsbExchange, RegistrationAndRelaySettingsTravelInWholePackets) {
  EmulatedUsbDevice& device = Connected(120, kCmdConnectWork);
  device.WithSim([](SimDevice& sim) {
    for (std::size_t i = 0; i < sim.memory().size(); ++i)
      sim.memory()[i] = static_cast<std::uint8_t>(i * 13 + i / 256);
  });
  std::vector<std::int32_t> registration(kRegistrationArea.size());
  ASSERT_TRUE(ReadParameterBlock(*link_, kRegistrationArea, registration));
  for (std::size_t i = 0; i < registration.size(); ++i)
    ASSERT_EQ(registration[i], static_cast<std::uint8_t>(i * 13 + i / 256)) << i;

  std::vector<std::int32_t> settings(kReleSettingsArea.size());
  std::iota(settings.begin(), settings.end(), 3);
  ASSERT_TRUE(WriteParameterBlock(*link_, kReleSettingsArea, settings));
  std::vector<std::int32_t> back(settings.size());
  ASSERT_TRUE(ReadParameterBlock(*link_, kReleSettingsArea, back));
  for (std::int32_t& v : settings) v &= 0xFF;
  EXPECT_EQ(back, settings);

  // Connect reply, the registration frame, the write's answer, the settings frame.
  std::vector<int> expected{8};
  for (int size : {7 * 256 + 4, 8, 256 + 4}) {
    const std::vector<int> more = Packets(size);
    expected.insert(expected.end(), more.begin(), more.end());
  }
  EXPECT_EQ(device.InPackets(), expected);
  EXPECT_TRUE(Boxes().empty());
}

TEST_P(UsbExchange, FirmwareOfAFewBlocksIsAccepted) {
  EmulatedUsbDevice& device = Connected(100, kCmdConnectMain);
  const CommandPacket head = MakeCommandPacket(kFirmwareTypeCode, 121, 0x10, 0x20);
  Bytes image(head.begin(), head.end());
  for (std::size_t i = 0; i < 9 * kChunkSize; ++i) image.push_back(static_cast<std::uint8_t>(i));
  image.insert(image.end(), {0xE1, 0xE2});

  ASSERT_TRUE(WriteFirmwareImage(*link_, image));
  EXPECT_EQ(device.WithSim([](SimDevice& sim) { return sim.version(); }), 121);
  // The device checked the pacing against the clock these pauses moved.
  EXPECT_EQ(pacer_.pauses(), (std::vector<int>{10, 10, 10, 25}));
  EXPECT_EQ(Boxes(), std::vector<std::string>{msg::kFirmwareWritten});
}

INSTANTIATE_TEST_SUITE_P(PacketSize, UsbExchange, testing::Values(64, 8),
                         [](const auto& row) { return "Max" + std::to_string(row.param); });

}  // namespace
}  // namespace orten
