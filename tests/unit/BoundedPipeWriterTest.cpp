#include "transport/BoundedPipeWriter.h"

#include <gtest/gtest.h>

#include <vector>

namespace orten {
namespace {

// A port whose single write ends as the row says.
class FakeWritePort final : public AsyncWritePort {
 public:
  bool StartWrite(const std::uint8_t* data, std::size_t size) override {
    started.assign(data, data + size);
    return !refuseStart;
  }
  Outcome WaitWrite(int timeoutMs, std::size_t& written) override {
    waits.push_back(timeoutMs);
    written = writes;
    return outcome;
  }
  bool CancelWrite(int graceMs) override {
    cancelGraces.push_back(graceMs);
    return letsGo;
  }
  std::string LastErrorText() const override { return "system says no"; }

  bool refuseStart = false;
  Outcome outcome = Outcome::Done;
  std::size_t writes = 0;
  bool letsGo = true;
  std::vector<std::uint8_t> started;
  std::vector<int> waits;
  std::vector<int> cancelGraces;
};

struct WriteCase {
  const char* name;
  bool refuseStart;
  AsyncOutcome outcome;
  std::size_t writes;  // bytes the system reports written
  bool letsGo;         // whether a cancel gets the buffer back in time
  bool ok;
  const char* failure;
  bool timedOut;
  bool cancelled;
};

void PrintTo(const WriteCase& c, std::ostream* os) {
  *os << c.name;
}

class BoundedPipeWriterTest : public testing::TestWithParam<WriteCase> {};

TEST_P(BoundedPipeWriterTest, EndsWithinItsTime) {
  const WriteCase& row = GetParam();
  FakeWritePort port;
  port.refuseStart = row.refuseStart;
  port.outcome = row.outcome;
  port.writes = row.writes;
  port.letsGo = row.letsGo;
  BoundedPipeWriter writer(port);
  const std::vector<std::uint8_t> bytes(64, 0x5A);

  EXPECT_EQ(writer.Write(bytes.data(), bytes.size(), 2000), row.ok);
  EXPECT_EQ(port.started, bytes);
  EXPECT_EQ(writer.FailureText(), row.failure);
  EXPECT_EQ(writer.TimedOut(), row.timedOut);
  EXPECT_EQ(port.waits, row.refuseStart ? std::vector<int>{} : std::vector<int>{2000});
  // Only an expired write is cancelled, and the wait for the system is bounded.
  EXPECT_EQ(port.cancelGraces,
            row.cancelled ? std::vector<int>{kCancelGraceMs} : std::vector<int>{});
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, BoundedPipeWriterTest,
    testing::Values(WriteCase{"Written", false, AsyncOutcome::Done, 64, true, true, "", false,
                              false},
                    WriteCase{"StartRefused", true, AsyncOutcome::Done, 0, true, false,
                              "system says no", false, false},
                    WriteCase{"SystemError", false, AsyncOutcome::Failed, 0, true, false,
                              "system says no", false, false},
                    WriteCase{"PartWritten", false, AsyncOutcome::Done, 40, true, false,
                              "Записано 40 байт из 64.", false, false},
                    WriteCase{"OneByteWritten", false, AsyncOutcome::Done, 1, true, false,
                              "Записан 1 байт из 64.", false, false},
                    WriteCase{"ExpiredAndCancelled", false, AsyncOutcome::Pending, 0, true, false,
                              "Прибор не принял данные за 2000 мс.", true, true},
                    WriteCase{"ExpiredAndHeldBySystem", false, AsyncOutcome::Pending, 0, false,
                              false, "Прибор не принял данные за 2000 мс.", true, true}),
    [](const testing::TestParamInfo<WriteCase>& row) { return row.param.name; });

TEST(BoundedPipeWriter, AFailureDoesNotStickToTheNextWrite) {
  FakeWritePort port;
  BoundedPipeWriter writer(port);
  const std::uint8_t byte = 0x55;
  port.outcome = AsyncOutcome::Pending;
  ASSERT_FALSE(writer.Write(&byte, 1, 2000));
  port.outcome = AsyncOutcome::Done;
  port.writes = 1;
  EXPECT_TRUE(writer.Write(&byte, 1, 2000));
}

}  // namespace
}  // namespace orten
