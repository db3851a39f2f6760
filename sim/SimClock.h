#pragma once

#include <chrono>
#include <cstdint>
#include <thread>

namespace orten {

// The simulated device's sense of time, in microseconds. The running
// programs use the steady clock; tests share one virtual clock between the
// device and the virtual pacer so pacing can be checked without sleeping.
class SimClock {
 public:
  virtual ~SimClock() = default;
  virtual std::int64_t NowUs() = 0;
  // What a read does while it waits for bytes that never come.
  virtual void Wait(int ms) = 0;
};

class SteadySimClock final : public SimClock {
 public:
  std::int64_t NowUs() override {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  void Wait(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

// Real time, except that a read's wait for bytes that never come is counted
// instead of slept: the device sees the time pass, the person waiting does
// not. For rehearsing failures quickly.
class SkippingSimClock final : public SimClock {
 public:
  std::int64_t NowUs() override { return steady_.NowUs() + skippedUs_; }
  void Wait(int ms) override { skippedUs_ += std::int64_t{ms} * 1000; }

 private:
  SteadySimClock steady_;
  std::int64_t skippedUs_ = 0;
};

class VirtualClock final : public SimClock {
 public:
  std::int64_t NowUs() override { return nowUs_; }
  void Wait(int ms) override { Advance(ms); }
  void Advance(int ms) { nowUs_ += std::int64_t{ms} * 1000; }

 private:
  std::int64_t nowUs_ = 0;
};

}  // namespace orten
