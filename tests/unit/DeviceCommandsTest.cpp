#include <gtest/gtest.h>

#include <vector>

#include "protocol/DeviceCommands.h"
#include "tests/support/SimRig.h"

namespace orten {
namespace {

using test::ScriptedUi;
using test::SimRig;
using Bytes = std::vector<std::uint8_t>;

const Bytes kConnectMain{0x55, 0x55, 0xA0, 0xAA, 0x00, 0x00, 0x02, 0x29};
const Bytes kConnectWork{0x55, 0x55, 0xAA, 0xAA, 0x00, 0x00, 0x01, 0xF1};
const Bytes kDisconnect{0x55, 0x55, 0xA0, 0x00, 0x00, 0x00, 0x22, 0x09};

struct VersionCase {
  int version;
  DeviceMode mode;
  const char* text;
};

void PrintTo(const VersionCase& c, std::ostream* os) {
  *os << (c.mode == DeviceMode::Receiver ? "Receiver"
          : c.mode == DeviceMode::Relay  ? "Relay"
                                         : "None")
      << '_' << c.version;
}

class VersionTextTest : public testing::TestWithParam<VersionCase> {};

TEST_P(VersionTextTest, RendersAsTheDeviceShowsIt) {
  EXPECT_EQ(VersionText(GetParam().version, GetParam().mode), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Table, VersionTextTest,
                         testing::Values(VersionCase{7, DeviceMode::Receiver, "0_7"},
                                         VersionCase{42, DeviceMode::Receiver, "4_2"},
                                         VersionCase{105, DeviceMode::Receiver, "10_5"},
                                         VersionCase{123, DeviceMode::Receiver, "12_3"},
                                         VersionCase{255, DeviceMode::Receiver, "25_5"},
                                         VersionCase{100, DeviceMode::Receiver, "10_0"},
                                         VersionCase{42, DeviceMode::Relay, "4_2"},
                                         VersionCase{0, DeviceMode::Relay, "0_0"},
                                         VersionCase{99, DeviceMode::Relay, "9_9"},
                                         VersionCase{123, DeviceMode::Relay, "1_3"},
                                         VersionCase{200, DeviceMode::Relay, "2_0"},
                                         VersionCase{45, DeviceMode::None, ""},
                                         VersionCase{120, DeviceMode::None, ""}),
                         testing::PrintToStringParamName());

TEST(FamilyRule, VersionByteDecidesTheFamily) {
  EXPECT_EQ(FamilyOfVersion(100), DeviceMode::Receiver);
  EXPECT_EQ(FamilyOfVersion(255), DeviceMode::Receiver);
  EXPECT_EQ(FamilyOfVersion(99), DeviceMode::Relay);
  EXPECT_EQ(FamilyOfVersion(0), DeviceMode::Relay);
  EXPECT_EQ(DeviceTypeText(DeviceMode::Receiver), "Радиоприемное устройство (РПУ/РТР)");
  EXPECT_EQ(DeviceTypeText(DeviceMode::Relay), "Модуль реле и оповещения (МРО)");
  EXPECT_EQ(DeviceTypeText(DeviceMode::None), "");
}

// The one spelling of the families (--family, the journal, --json, --simulate).
TEST(FamilyRule, TokensNameTheFamiliesBothWays) {
  const std::pair<const char*, DeviceMode> rows[] = {
      {"rpu", DeviceMode::Receiver}, {"mro", DeviceMode::Relay}, {"", DeviceMode::None}};
  for (const auto& [token, mode] : rows) {
    EXPECT_STREQ(FamilyToken(mode), token);
    EXPECT_EQ(FamilyOfToken(token), mode) << token;
  }
  EXPECT_EQ(FamilyOfToken("RPU"), DeviceMode::None);
  EXPECT_EQ(FamilyOfToken("rtr"), DeviceMode::None);
}

TEST(SendConnect, IdentifiesARelayModuleWithExactBytes) {
  SimRig rig;
  auto device = rig.AttachAndDiscover(45);
  const auto identity = SendConnect(rig.link, kCmdConnectMain);
  ASSERT_TRUE(identity);
  EXPECT_EQ(identity->version, 45);
  EXPECT_EQ(identity->mode, DeviceMode::Relay);
  EXPECT_EQ(device->received(), kConnectMain);
  EXPECT_EQ(rig.ui.Statuses(), std::vector<std::string>{"Связь с прибором установлена"});
  EXPECT_TRUE(rig.ui.Messages().empty());
}

TEST(SendConnect, WorkPageCodeAndReceiverFamily) {
  SimRig rig;
  auto device = rig.AttachAndDiscover(100);
  const auto identity = SendConnect(rig.link, kCmdConnectWork);
  ASSERT_TRUE(identity);
  EXPECT_EQ(identity->mode, DeviceMode::Receiver);
  EXPECT_EQ(VersionText(identity->version, identity->mode), "10_0");
  EXPECT_EQ(device->received(), kConnectWork);
}

TEST(SendConnect, BadSyncIsABadPacketWhateverTheChecksum) {
  SimRig rig;
  auto device = rig.AttachAndDiscover(120);
  device->set_faults({.badSync = true});
  EXPECT_FALSE(SendConnect(rig.link, kCmdConnectMain));
  EXPECT_EQ(rig.ui.Messages(), std::vector<std::string>{"Ответ получен. Пакет неверный !"});
  EXPECT_TRUE(rig.ui.Statuses().empty());
}

TEST(SendConnect, BadChecksumIsReportedAsCrcError) {
  SimRig rig;
  auto device = rig.AttachAndDiscover(120);
  device->set_faults({.badChecksum = true});
  EXPECT_FALSE(SendConnect(rig.link, kCmdConnectMain));
  EXPECT_EQ(rig.ui.Messages(), std::vector<std::string>{"Ответ получен. Ошибка CRC !"});
}

class ConnectWriteFailure : public testing::TestWithParam<int> {};

// The packet stops at the failed byte: nothing after it is sent, nothing is
// read, and the user sees the pipe's error once, then the command's message.
TEST_P(ConnectWriteFailure, StopsAtTheFailedByte) {
  const int k = GetParam();
  SimRig rig;
  auto device = rig.AttachAndDiscover(45);
  device->set_faults({.failWriteAtByte = k});
  EXPECT_FALSE(SendConnect(rig.link, kCmdConnectMain));
  EXPECT_EQ(device->received(), Bytes(kConnectMain.begin(), kConnectMain.begin() + k));
  const auto messages = rig.ui.Of(ScriptedUi::Kind::Message);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].caption, "Error");
  EXPECT_EQ(messages[0].icon, BoxIcon::Error);
  EXPECT_FALSE(messages[0].text.empty());
  EXPECT_EQ(messages[1].text, "Не могу отправить команду инициализации связи !");
  EXPECT_EQ(messages[1].caption, kAppTitle);
  EXPECT_EQ(device->connectCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(EveryByte, ConnectWriteFailure, testing::Range(0, 8));

class ConnectReadTimeout : public testing::TestWithParam<int> {};

TEST_P(ConnectReadTimeout, IsBoundedAndReportedOnce) {
  SimRig rig;
  auto device = rig.AttachAndDiscover(45);
  device->set_faults({.readTimeoutAtByte = GetParam()});
  EXPECT_FALSE(SendConnect(rig.link, kCmdConnectMain));
  const auto messages = rig.ui.Of(ScriptedUi::Kind::Message);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].caption, "Error");
  EXPECT_NE(messages[0].text.find("2 с"), std::string::npos) << messages[0].text;
  EXPECT_EQ(messages[1].text, "Нет ответа от прибора !");
  // The wait was sliced and the window kept alive, for two seconds in all.
  EXPECT_GE(rig.pacer.pumps(), 2000 / kReadSliceMs - 1);
  EXPECT_EQ(rig.clock.NowUs(), std::int64_t{kReplyTimeoutMs} * 1000);
}

INSTANTIATE_TEST_SUITE_P(FirstMiddleLast, ConnectReadTimeout, testing::Values(0, 3, 7));

TEST(SendConnect, UnpluggedDeviceFailsOnceWithoutCascade) {
  SimRig rig;
  auto device = rig.AttachAndDiscover(45);
  device->Unplug();
  EXPECT_FALSE(SendConnect(rig.link, kCmdConnectMain));
  EXPECT_EQ(rig.ui.Messages().size(), 2u);
}

TEST(SendConnect, StaleInputIsDroppedBeforeTheRequest) {
  SimRig rig;
  auto device = rig.AttachAndDiscover(45);
  ASSERT_TRUE(SendConnect(rig.link, kCmdConnectMain));
  // A second connect answers again; a reply left unread before it must not
  // be taken for the new one.
  ASSERT_TRUE(rig.link.SendPacket(MakeCommandPacket(kCmdConnectMain, kCmdConnectWork)));
  device->set_version(46);
  const auto identity = SendConnect(rig.link, kCmdConnectMain);
  ASSERT_TRUE(identity);
  EXPECT_EQ(identity->version, 46);
}

TEST(SendDisconnect, SendsEightBytesAndReadsNothing) {
  SimRig rig;
  auto device = rig.AttachAndDiscover(45);
  ASSERT_TRUE(SendDisconnect(rig.link));
  EXPECT_EQ(device->received(), kDisconnect);
  EXPECT_EQ(device->disconnectCount(), 1);
  EXPECT_TRUE(rig.ui.events().empty());
}

TEST(SendDisconnect, WriteFailureStopsThePacket) {
  SimRig rig;
  auto device = rig.AttachAndDiscover(45);
  device->set_faults({.failWriteAtByte = 2});
  EXPECT_FALSE(SendDisconnect(rig.link));
  EXPECT_EQ(device->received(), Bytes(kDisconnect.begin(), kDisconnect.begin() + 2));
  ASSERT_EQ(rig.ui.Messages().size(), 2u);
  EXPECT_EQ(rig.ui.Messages()[1], "Не могу отправить команду разрыва связи !");
}

TEST(SendConnect, PipeThatWontOpenFailsAtTheFirstWrite) {
  SimRig rig;
  auto device = rig.bus.Attach(45);
  device->set_faults({.pipeOpenFails = true});
  EXPECT_TRUE(rig.link.DiscoverDevice());  // the device still counts
  EXPECT_EQ(rig.ui.Of(ScriptedUi::Kind::Message).size(), 1u);
  EXPECT_EQ(rig.ui.Of(ScriptedUi::Kind::Message)[0].caption, "Error");
  EXPECT_FALSE(SendConnect(rig.link, kCmdConnectMain));
  EXPECT_EQ(rig.ui.Messages().back(), "Не могу отправить команду инициализации связи !");
  EXPECT_TRUE(device->received().empty());
}

}  // namespace
}  // namespace orten
