#include <gtest/gtest.h>

#include <numeric>

#include "protocol/DeviceCommands.h"
#include "protocol/ParameterExchange.h"
#include "tests/support/SimRig.h"
#include "tests/support/TraceCapture.h"

namespace orten {
namespace {

using test::ScriptedUi;
using test::SimRig;
using test::TraceCapture;
using Bytes = std::vector<std::uint8_t>;

class ParameterExchange : public testing::Test {
 protected:
  void SetUp() override {
    device_ = rig_.AttachAndDiscover(45);
    ASSERT_TRUE(SendConnect(rig_.link, kCmdConnectWork));
    rig_.ui.Clear();
    rig_.pacer.Clear();
    sentBefore_ = device_->received().size();
  }
  Bytes Sent() const {
    return Bytes(device_->received().begin() + static_cast<std::ptrdiff_t>(sentBefore_),
                 device_->received().end());
  }
  std::vector<std::string> Lines() const { return trace_.Lines(); }

  SimRig rig_;
  TraceCapture trace_;
  DeviceLink link_{rig_.transport, rig_.pacer, rig_.ui, trace_.log()};
  std::shared_ptr<SimDevice> device_;
  std::size_t sentBefore_ = 0;
};

TEST_F(ParameterExchange, SettingsWriteExactFramePausesAndProgress) {
  std::vector<std::int32_t> values(256, 0);
  for (int i = 0; i < 45; ++i) values[i] = i * 5 + 1;
  values[10] = 0x1FF;  // only the low byte travels
  ASSERT_TRUE(WriteParameterBlock(link_, kReleSettingsArea, values));

  const Bytes sent = Sent();
  ASSERT_EQ(sent.size(), 8u + 260u);
  EXPECT_EQ(Bytes(sent.begin(), sent.begin() + 8),
            (Bytes{0x55, 0x55, 0x94, 0x01, 0x07, 0x00, 0x7F, 0xC9}));
  std::vector<std::int32_t> low(values);
  low[10] = 0xFF;
  const std::vector<std::uint8_t> frame = BuildDataFrame(low);
  EXPECT_EQ(Bytes(sent.begin() + 8, sent.end()), frame);
  EXPECT_EQ(device_->memory()[7 * 256 + 10], 0xFF);
  EXPECT_EQ(device_->memory()[7 * 256 + 44], 44 * 5 + 1);

  EXPECT_EQ(rig_.pacer.pauses(), std::vector<int>(8, 10));
  const std::vector<int> progress = rig_.ui.Progress();
  EXPECT_EQ(progress.front(), 0);
  EXPECT_EQ(progress[1], 3);
  EXPECT_EQ(progress[progress.size() - 2], 98);
  EXPECT_EQ(progress.back(), 100);
  EXPECT_EQ(rig_.ui.Statuses()[1], "Запись параметров в прибор...3%");
  EXPECT_EQ(rig_.ui.LastStatus(), "Параметры загружены успешно");
  EXPECT_EQ(rig_.pacer.pumps(), 32);  // every 8 frame bytes, so the window stays painted
}

TEST_F(ParameterExchange, WriteOrderOfTransfersAndPauses) {
  std::vector<std::int32_t> values(1792, 7);
  ASSERT_TRUE(WriteParameterBlock(link_, kRegistrationArea, values));
  std::vector<std::string> shape;
  for (const std::string& line : Lines()) {
    if (line[0] == 'W') shape.push_back(line.size() > 6 ? "C" : "B");
    if (line[0] == 'P') shape.push_back("P");
    if (line[0] == 'R') shape.push_back("R");
  }
  std::string pattern(shape.size(), ' ');
  for (std::size_t i = 0; i < shape.size(); ++i) pattern[i] = shape[i][0];
  std::string expected =
      "BBBBBBBB"
      "P"
      "BB";
  for (int c = 1; c <= 28; ++c) expected += c % 4 == 0 ? "CPP" : "CP";
  expected +=
      "BPB"
      "P"
      "RRRRRRRR";
  EXPECT_EQ(pattern, expected);
  EXPECT_EQ(rig_.pacer.pauses().size(), 38u);
  const Bytes sent = Sent();
  EXPECT_EQ(Bytes(sent.begin(), sent.begin() + 8),
            (Bytes{0x55, 0x55, 0x94, 0x07, 0x00, 0x00, 0x9D, 0xF8}));
}

TEST_F(ParameterExchange, ReadReturnsThePayloadAndTracesEveryByte) {
  std::iota(device_->memory().begin(), device_->memory().end(), std::uint8_t{0});
  std::vector<std::int32_t> out(256, -1);
  ASSERT_TRUE(ReadParameterBlock(link_, kReleSettingsArea, out));
  EXPECT_EQ(Sent(), (Bytes{0x55, 0x55, 0x93, 0x01, 0x07, 0x00, 0x7E, 0xBD}));
  for (int i = 0; i < 256; ++i) ASSERT_EQ(out[i], i) << i;  // page 7 of 0,1,2,... wraps to 0
  EXPECT_EQ(rig_.ui.LastStatus(), "Параметры считаны успешно !");
  EXPECT_EQ(rig_.ui.Progress().back(), 100);
  EXPECT_EQ(rig_.pacer.pauses(), std::vector<int>{10});
  const auto lines = Lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "TxData[0] - aa"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "TxData[3] - 1"), lines.end());
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.rfind("TxData[", 0) == 0; }),
            260);
}

TEST_F(ParameterExchange, RegistrationReadIs1796Bytes) {
  device_->memory()[1791] = 17;
  std::vector<std::int32_t> out(1792, 0);
  ASSERT_TRUE(ReadParameterBlock(link_, kRegistrationArea, out));
  EXPECT_EQ(Sent(), (Bytes{0x55, 0x55, 0x93, 0x07, 0x00, 0x00, 0x9C, 0x8C}));
  EXPECT_EQ(out[1791], 17);
}

TEST_F(ParameterExchange, ChecksumErrorChangesNothingAndShowsOnlyTheStatus) {
  device_->set_faults({.badChecksum = true});
  std::vector<std::int32_t> out(256, 42);
  EXPECT_FALSE(ReadParameterBlock(link_, kReleSettingsArea, out));
  EXPECT_EQ(out, std::vector<std::int32_t>(256, 42));
  EXPECT_TRUE(rig_.ui.Messages().empty());
  EXPECT_EQ(rig_.ui.LastStatus(), "Ошибка CRC! Параметры не считаны !");
}

TEST_F(ParameterExchange, BadSyncIsNoAnswer) {
  device_->set_faults({.badSync = true});
  std::vector<std::int32_t> out(256, 42);
  EXPECT_FALSE(ReadParameterBlock(link_, kReleSettingsArea, out));
  EXPECT_EQ(rig_.ui.Messages(), std::vector<std::string>{"Нет ответа от прибора !"});
  EXPECT_EQ(rig_.ui.LastStatus(), "Нет ответа от прибора !");
  EXPECT_EQ(out[0], 42);
}

struct Cut {
  const char* name;
  SimFaults faults;
};

void PrintTo(const Cut& c, std::ostream* os) {
  *os << c.name;
}

class ReadCut : public ParameterExchange, public testing::WithParamInterface<Cut> {};

// A read cut anywhere ends at once, with the pipe's error and one message;
// nothing half-received is used.
TEST_P(ReadCut, EndsAtTheFirstFailedRead) {
  device_->set_faults(GetParam().faults);
  std::vector<std::int32_t> out(256, 42);
  EXPECT_FALSE(ReadParameterBlock(link_, kReleSettingsArea, out));
  EXPECT_EQ(out, std::vector<std::int32_t>(256, 42));
  ASSERT_EQ(rig_.ui.Messages().size(), 2u);
  EXPECT_EQ(rig_.ui.Of(ScriptedUi::Kind::Message)[0].caption, "Error");
  EXPECT_EQ(rig_.ui.Messages()[1], "Нет ответа от прибора !");
  // One failed read, not one per remaining chunk.
  const auto lines = Lines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "R !"), 1);
}

INSTANTIATE_TEST_SUITE_P(Faults, ReadCut,
                         testing::Values(Cut{"SyncTimesOut", {.readTimeoutAtByte = 0}},
                                         Cut{"ChunkTimesOut", {.readTimeoutAtByte = 70}},
                                         Cut{"CrcTimesOut", {.readTimeoutAtByte = 258}},
                                         Cut{"ShortChunk", {.shortChunkAtByte = 2}}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(ParameterExchange, RequestWriteFailureStopsBeforeTheFrame) {
  device_->set_faults({.failWriteAtByte = 3});
  std::vector<std::int32_t> values(256, 0);
  EXPECT_FALSE(WriteParameterBlock(link_, kReleSettingsArea, values));
  EXPECT_EQ(Sent().size(), 3u);
  const auto messages = rig_.ui.Messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1], "Не могу отправить команду инициализации записи !");
  EXPECT_EQ(rig_.ui.LastStatus(), "Не могу отправить команду инициализации записи !");

  rig_.ui.Clear();
  device_->set_faults({.failWriteAtByte = 0});
  std::vector<std::int32_t> out(256, 0);
  EXPECT_FALSE(ReadParameterBlock(link_, kReleSettingsArea, out));
  EXPECT_EQ(rig_.ui.Messages()[1], "Не могу отправить команду инициализации чтения !");
}

TEST_F(ParameterExchange, WriteStopsAtAFailedChunkAndWaitsForNoAnswer) {
  device_->set_faults({.failWriteAtByte = 8 + 2 + 64});  // the second chunk
  std::vector<std::int32_t> values(256, 1);
  EXPECT_FALSE(WriteParameterBlock(link_, kReleSettingsArea, values));
  EXPECT_EQ(Sent().size(), 8u + 2u + 64u);
  EXPECT_EQ(rig_.ui.Messages().size(), 1u);  // the pipe's error; the status says the rest
  EXPECT_EQ(rig_.ui.LastStatus(), "Ошибка: Параметры не загружены");
  const auto lines = Lines();
  EXPECT_EQ(
      std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l[0] == 'R'; }),
      0);
}

TEST_F(ParameterExchange, RejectedOrUnansweredWriteIsAFailure) {
  std::vector<std::int32_t> values(256, 1);
  device_->set_faults({.reject = true});
  EXPECT_FALSE(WriteParameterBlock(link_, kReleSettingsArea, values));
  EXPECT_EQ(rig_.ui.LastStatus(), "Ошибка: Параметры не загружены");
  EXPECT_EQ(rig_.ui.Progress().back(), 0);

  rig_.ui.Clear();
  device_->set_faults({.noAnswer = true});
  const std::int64_t before = rig_.clock.NowUs();
  EXPECT_FALSE(WriteParameterBlock(link_, kReleSettingsArea, values));
  EXPECT_EQ(rig_.ui.LastStatus(), "Ошибка: Параметры не загружены");
  EXPECT_EQ(rig_.clock.NowUs() - before, (80 + kParamWriteAnswerTimeoutMs) * 1000LL);
}

TEST_F(ParameterExchange, AnswerIsJudgedByByte3Alone) {
  device_->set_faults({.badSync = true, .badChecksum = true});
  std::vector<std::int32_t> values(256, 1);
  EXPECT_TRUE(WriteParameterBlock(link_, kReleSettingsArea, values));
}

}  // namespace
}  // namespace orten
