#include <gtest/gtest.h>

#include "protocol/DeviceCommands.h"
#include "protocol/FirmwareWriter.h"
#include "protocol/LinkCrc.h"
#include "tests/support/SimRig.h"
#include "tests/support/TraceCapture.h"

namespace orten {
namespace {

using test::ScriptedUi;
using test::SimRig;
using test::TraceCapture;
using Bytes = std::vector<std::uint8_t>;

Bytes Image(std::size_t blocks, std::uint8_t version = 121) {
  const CommandPacket head = MakeCommandPacket(kFirmwareTypeCode, version, 0x10, 0x20);
  Bytes image(head.begin(), head.end());
  for (std::size_t i = 0; i < blocks * kChunkSize; ++i)
    image.push_back(static_cast<std::uint8_t>(i * 7 + 3));
  image.push_back(0xE1);
  image.push_back(0xE2);
  return image;
}

class FirmwareWrite : public testing::Test {
 protected:
  void SetUp() override {
    device_ = rig_.AttachAndDiscover(100);
    ASSERT_TRUE(SendConnect(rig_.link, kCmdConnectMain));
    device_->set_faults({});
    rig_.ui.Clear();
    rig_.pacer.Clear();
  }
  // Writes through a traced link so the order of writes and pauses shows.
  bool Write(const Bytes& image) { return WriteFirmwareImage(traced_, image).ok(); }
  Bytes Sent() const { return Bytes(device_->received().begin() + 8, device_->received().end()); }
  // The trace reduced to its shape: "W1" single, "W64" block, "P10" pause, "R" read.
  std::vector<std::string> Shape() const {
    std::vector<std::string> shape;
    for (const std::string& line : trace_.Lines()) {
      if (line[0] == 'W') shape.push_back("W" + std::to_string((line.size() - 2) / 2));
      if (line[0] == 'P') shape.push_back("P" + line.substr(2));
      if (line[0] == 'R') shape.push_back("R");
    }
    return shape;
  }

  long Reads() const {
    const auto shape = Shape();
    return std::count(shape.begin(), shape.end(), "R");
  }

  SimRig rig_;
  TraceCapture trace_;
  DeviceLink traced_{rig_.transport, rig_.pacer, rig_.ui, trace_.log()};
  std::shared_ptr<SimDevice> device_;
};

std::vector<std::string> Repeat(const std::string& s, int n) {
  return std::vector<std::string>(n, s);
}
std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(FirmwareWrite, FourBlocksExactCutAndPauses) {
  const Bytes image = Image(4);
  ASSERT_EQ(image.size(), 266u);
  EXPECT_TRUE(Write(image));
  EXPECT_EQ(Sent(), image);  // every byte once, in order
  EXPECT_EQ(Shape(), (Repeat("W1", 8) + Repeat("W64", 4) +
                      std::vector<std::string>{"P10", "W1", "P10", "W1", "P25"} + Repeat("R", 8)));
  EXPECT_EQ(device_->version(), 121);
  EXPECT_EQ(rig_.ui.Messages(), std::vector<std::string>{"Прошивка загружена успешно"});
  EXPECT_EQ(rig_.ui.LastStatus(), "Прошивка загружена успешно");
}

TEST_F(FirmwareWrite, FiveBlocksPauseOnlyAfterTheFourth) {
  const Bytes image = Image(5);
  ASSERT_EQ(image.size(), 330u);
  EXPECT_TRUE(Write(image));
  EXPECT_EQ(Sent(), image);
  EXPECT_EQ(Shape(), (Repeat("W1", 8) + Repeat("W64", 4) + std::vector<std::string>{"P10", "W64"} +
                      std::vector<std::string>{"W1", "P10", "W1", "P25"} + Repeat("R", 8)));
}

TEST_F(FirmwareWrite, ProgressEveryEightBytes) {
  EXPECT_TRUE(Write(Image(4)));
  std::vector<int> expected{0};
  for (unsigned i = 7; i < 266; i += 8) expected.push_back(static_cast<int>((100 * i + 100) / 273));
  expected.push_back(100);
  EXPECT_EQ(rig_.ui.Progress(), expected);
  EXPECT_EQ(expected[1], 2);
  const auto statuses = rig_.ui.Statuses();
  EXPECT_EQ(statuses.front(), "Запись прошивки в прибор...0%");
  EXPECT_EQ(statuses[1], "Запись прошивки в прибор...2%");
  EXPECT_EQ(statuses[statuses.size() - 2], "Запись прошивки в прибор...100%");
  EXPECT_EQ(rig_.pacer.pumps(), 33);  // one per progress step: the window stays painted
}

TEST_F(FirmwareWrite, AnswerIsJudgedByItsResultByteAlone) {
  device_->set_faults({.badSync = true, .badChecksum = true});
  EXPECT_TRUE(Write(Image(4)));
}

TEST_F(FirmwareWrite, RejectionResetsProgressAndReports) {
  device_->set_faults({.reject = true});
  EXPECT_FALSE(Write(Image(4)));
  EXPECT_EQ(rig_.ui.Progress().back(), 0);
  EXPECT_EQ(rig_.ui.LastStatus(), "Ошибка: Прошивка не загружена");
  EXPECT_EQ(rig_.ui.Messages(), std::vector<std::string>{"Ошибка: Прошивка не загружена"});
  // Status line before the box.
  const auto& events = rig_.ui.events();
  EXPECT_EQ(events[events.size() - 2].kind, ScriptedUi::Kind::Status);
}

TEST_F(FirmwareWrite, MissingVerdictIsAFailureAfterTheLongWait) {
  device_->set_faults({.noAnswer = true});
  const std::int64_t before = rig_.clock.NowUs();
  EXPECT_FALSE(Write(Image(4)));
  EXPECT_EQ(rig_.clock.NowUs() - before, (10 + 10 + 25 + kFirmwareVerdictTimeoutMs) * 1000LL);
  ASSERT_EQ(rig_.ui.Messages().size(), 2u);
  EXPECT_EQ(rig_.ui.Of(ScriptedUi::Kind::Message)[0].caption, "Error");
  EXPECT_EQ(rig_.ui.Messages()[1], "Ошибка: Прошивка не загружена");
}

class FirmwareCut : public FirmwareWrite, public testing::WithParamInterface<int> {};

// A stream cut anywhere stops there: one error box, one failure message, no
// waiting for an answer to a stream the device never got whole.
TEST_P(FirmwareCut, WriteFailureStopsTheStream) {
  const Bytes image = Image(8);
  device_->set_faults({.failWriteAtByte = GetParam()});
  EXPECT_FALSE(Write(image));
  const std::size_t sent = Sent().size();
  EXPECT_LE(sent, static_cast<std::size_t>(GetParam()));
  EXPECT_EQ(Sent(), Bytes(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(sent)));
  EXPECT_EQ(rig_.ui.Messages().size(), 2u);
  EXPECT_EQ(Reads(), 0);
  EXPECT_EQ(device_->version(), 100);
}

TEST_P(FirmwareCut, UnplugStopsTheStream) {
  device_->set_faults({.unplugAtByte = GetParam()});
  EXPECT_FALSE(Write(Image(8)));
  EXPECT_EQ(rig_.ui.Messages().size(), 2u);
  EXPECT_EQ(Reads(), 0);
}

INSTANTIATE_TEST_SUITE_P(Where, FirmwareCut, testing::Values(0, 7, 8, 100, 520, 521));

TEST_F(FirmwareWrite, IncompleteLengthIsRefusedBeforeAnyByte) {
  Bytes image = Image(4);
  image.resize(300);
  EXPECT_FALSE(Write(image));
  EXPECT_TRUE(Sent().empty());
}

}  // namespace
}  // namespace orten
