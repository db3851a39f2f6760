#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "transport/AsyncWritePort.h"

namespace orten {

// Bounded writes: a write the device does not take within its time is
// cancelled and fails, like a read that expires, instead of blocking the
// program on a stalled pipe.
class BoundedPipeWriter {
 public:
  explicit BoundedPipeWriter(AsyncWritePort& port) : port_(port) {}

  // Writes all size bytes within timeoutMs. False when the system refused or
  // failed the write, wrote only part of it, or did not finish in time.
  bool Write(const std::uint8_t* data, std::size_t size, int timeoutMs);

  std::string FailureText() const { return failure_; }
  // Whether the last failure was the time running out.
  bool TimedOut() const { return timedOut_; }

 private:
  bool Fail(std::string text, bool timedOut = false);

  AsyncWritePort& port_;
  std::string failure_;
  bool timedOut_ = false;
};

}  // namespace orten
