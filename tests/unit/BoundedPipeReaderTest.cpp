#include "transport/BoundedPipeReader.h"

#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <vector>

namespace orten {
namespace {

// A port driven by a script: each wait takes the next step. Time moves only
// when a step says so.
class ScriptedPort final : public AsyncReadPort {
 public:
  struct Step {
    Outcome outcome;
    std::vector<std::uint8_t> bytes;
    int elapsedMs = 0;
  };

  bool StartRead(std::size_t size) override {
    starts.push_back(size);
    if (refuseStart) error = "start refused";
    return !refuseStart;
  }
  Outcome WaitRead(int timeoutMs, std::vector<std::uint8_t>& arrived) override {
    waits.push_back(timeoutMs);
    if (script.empty()) return Outcome::Pending;
    const Step step = script.front();
    script.pop_front();
    now += step.elapsedMs;
    if (step.outcome == Outcome::Failed) error = "device gone";
    arrived.insert(arrived.end(), step.bytes.begin(), step.bytes.end());
    return step.outcome;
  }
  bool CancelRead(int graceMs) override {
    ++cancels;
    cancelGraces.push_back(graceMs);
    return true;
  }
  std::string LastErrorText() const override { return error; }

  void Done(std::vector<std::uint8_t> bytes, int elapsedMs = 0) {
    script.push_back({Outcome::Done, std::move(bytes), elapsedMs});
  }
  void Pending(int elapsedMs = 0) { script.push_back({Outcome::Pending, {}, elapsedMs}); }

  std::deque<Step> script;
  std::vector<std::size_t> starts;
  std::vector<int> waits;
  int cancels = 0;
  std::vector<int> cancelGraces;
  bool refuseStart = false;
  std::int64_t now = 0;
  std::string error;
};

std::vector<std::uint8_t> Bytes(std::uint8_t first, std::size_t count) {
  std::vector<std::uint8_t> bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
  return bytes;
}

class BoundedPipeReaderTest : public ::testing::Test {
 protected:
  ScriptedPort port;
  BoundedPipeReader reader{port, [this] { return port.now; }};

  ReadStatus ReadByte(std::uint8_t& byte, int timeoutMs = 100) {
    return reader.Read(&byte, 1, timeoutMs);
  }
  ReadStatus ReadChunk(Chunk& chunk, int timeoutMs = 100) {
    return reader.Read(chunk.data(), chunk.size(), timeoutMs);
  }
};

TEST_F(BoundedPipeReaderTest, ReadThatOutlivesItsSliceDeliversInALaterSlice) {
  std::uint8_t byte = 0;
  port.Pending(100);
  port.Pending(100);
  port.Done({0x55});

  EXPECT_EQ(ReadByte(byte), ReadStatus::TimedOut);
  EXPECT_EQ(ReadByte(byte), ReadStatus::TimedOut);
  EXPECT_TRUE(reader.ReadInFlight());
  ASSERT_EQ(ReadByte(byte), ReadStatus::Ok);
  EXPECT_EQ(byte, 0x55);
  // One read for the whole wait: a fresh read per slice would leave the
  // first one to swallow the byte.
  EXPECT_EQ(port.starts, (std::vector<std::size_t>{1}));
  EXPECT_EQ(port.cancels, 0);
}

TEST_F(BoundedPipeReaderTest, ChunkStartedAfterATimedOutByteReadKeepsThatByteFirst) {
  std::uint8_t byte = 0;
  port.Pending(100);
  EXPECT_EQ(ReadByte(byte), ReadStatus::TimedOut);

  port.Done({0xAA});
  port.Done(Bytes(1, 63));
  Chunk chunk{};
  ASSERT_EQ(ReadChunk(chunk), ReadStatus::Ok);
  EXPECT_EQ(chunk[0], 0xAA);
  EXPECT_EQ(chunk[1], 1);
  EXPECT_EQ(chunk[63], 63);
  // Only the missing 63 bytes are asked for, not a whole chunk more.
  EXPECT_EQ(port.starts, (std::vector<std::size_t>{1, 63}));
  EXPECT_EQ(reader.QueuedBytes(), 0u);
}

TEST_F(BoundedPipeReaderTest, LateChunkIsServedToTheFollowingByteReadsInOrder) {
  Chunk chunk{};
  port.Pending(100);
  EXPECT_EQ(ReadChunk(chunk), ReadStatus::TimedOut);

  port.Done(Bytes(10, 64));
  std::uint8_t first = 0;
  std::uint8_t second = 0;
  ASSERT_EQ(ReadByte(first), ReadStatus::Ok);
  ASSERT_EQ(ReadByte(second), ReadStatus::Ok);
  EXPECT_EQ(first, 10);
  EXPECT_EQ(second, 11);
  EXPECT_EQ(reader.QueuedBytes(), 62u);
  EXPECT_EQ(port.starts.size(), 1u);
}

TEST_F(BoundedPipeReaderTest, WaitsWithinOneCallShareItsTimeout) {
  std::uint8_t byte = 0;
  port.Pending();
  ASSERT_EQ(ReadByte(byte), ReadStatus::TimedOut);  // leaves a one-byte read in flight
  port.waits.clear();

  port.Done({1}, 30);
  port.Done(Bytes(2, 63), 50);
  Chunk chunk{};
  ASSERT_EQ(ReadChunk(chunk, 100), ReadStatus::Ok);
  // The second read may only wait for what the first one left of the 100 ms.
  EXPECT_EQ(port.waits, (std::vector<int>{100, 70}));
}

TEST_F(BoundedPipeReaderTest, UsedUpTimeoutPollsInsteadOfWaitingAgain) {
  std::uint8_t byte = 0;
  port.Pending(0);
  ASSERT_EQ(ReadByte(byte, 0), ReadStatus::TimedOut);
  port.Done({1}, 120);  // the leftover byte takes longer than the whole wait
  Chunk chunk{};
  EXPECT_EQ(ReadChunk(chunk, 100), ReadStatus::TimedOut);
  EXPECT_EQ(port.waits, (std::vector<int>{0, 100, 0}));
  EXPECT_EQ(reader.QueuedBytes(), 1u);  // kept for the next slice
  EXPECT_TRUE(reader.ReadInFlight());
}

TEST_F(BoundedPipeReaderTest, ShortReadFailsAndLeavesNothingForTheNextReply) {
  Chunk chunk{};
  port.Done(Bytes(0, 8));
  ASSERT_EQ(ReadChunk(chunk), ReadStatus::Failed);
  EXPECT_EQ(reader.FailureText(), "Прочитано 8 байт из 64.");
  EXPECT_EQ(reader.QueuedBytes(), 0u);
  EXPECT_FALSE(reader.ReadInFlight());

  std::uint8_t byte = 0;
  port.Done({});
  EXPECT_EQ(ReadByte(byte), ReadStatus::Failed) << "a read that brings nothing is short too";
  EXPECT_EQ(reader.FailureText(), "Прочитано 0 байт из 1.");

  // The part of the reply that came before the short read goes too.
  port.Pending();
  ASSERT_EQ(ReadByte(byte), ReadStatus::TimedOut);
  port.Done({0xAA});
  port.Done(Bytes(0, 8));
  ASSERT_EQ(ReadChunk(chunk), ReadStatus::Failed);
  EXPECT_EQ(reader.FailureText(), "Прочитано 8 байт из 63.");
  EXPECT_EQ(reader.QueuedBytes(), 0u);

  port.Done({0x42});
  ASSERT_EQ(ReadByte(byte), ReadStatus::Ok);
  EXPECT_EQ(byte, 0x42);
}

TEST_F(BoundedPipeReaderTest, SystemFailuresCarryThePortTextAndEndTheRead) {
  std::uint8_t byte = 0;
  port.refuseStart = true;
  ASSERT_EQ(ReadByte(byte), ReadStatus::Failed);
  EXPECT_EQ(reader.FailureText(), "start refused");
  EXPECT_FALSE(reader.ReadInFlight());

  port.refuseStart = false;
  port.Pending(100);
  ASSERT_EQ(ReadByte(byte), ReadStatus::TimedOut);
  port.script.push_back({AsyncReadPort::Outcome::Failed, {}, 0});
  ASSERT_EQ(ReadByte(byte), ReadStatus::Failed);
  EXPECT_EQ(reader.FailureText(), "device gone");
  EXPECT_FALSE(reader.ReadInFlight());

  // The next call starts a new read instead of waiting on the failed one.
  port.Done({7});
  ASSERT_EQ(ReadByte(byte), ReadStatus::Ok);
  EXPECT_EQ(byte, 7);
  EXPECT_EQ(port.starts.size(), 3u);
}

TEST_F(BoundedPipeReaderTest, DiscardCancelsTheReadInFlightAndDropsQueuedBytes) {
  reader.Discard();
  EXPECT_EQ(port.cancels, 0) << "nothing in flight, nothing to cancel";

  Chunk chunk{};
  port.Pending(100);
  ASSERT_EQ(ReadChunk(chunk), ReadStatus::TimedOut);
  reader.Discard();
  EXPECT_EQ(port.cancels, 1);
  // The system gets a bounded time to let go, never an endless wait.
  EXPECT_EQ(port.cancelGraces, std::vector<int>{kCancelGraceMs});
  EXPECT_FALSE(reader.ReadInFlight());

  // Bytes queued by a late chunk are stale after a discard as well.
  port.Pending(100);
  ASSERT_EQ(ReadChunk(chunk), ReadStatus::TimedOut);
  port.Done(Bytes(0, 64));
  std::uint8_t byte = 0;
  ASSERT_EQ(ReadByte(byte), ReadStatus::Ok);
  reader.Discard();
  EXPECT_EQ(reader.QueuedBytes(), 0u);
  port.Done({0x99});
  ASSERT_EQ(ReadByte(byte), ReadStatus::Ok);
  EXPECT_EQ(byte, 0x99);
}

}  // namespace
}  // namespace orten
