#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include "transport/AsyncReadPort.h"
#include "transport/Transport.h"

namespace orten {

// Serves bounded reads of exact sizes from a port whose reads can outlive
// the wait. A read that is still in flight when the wait ends stays in flight
// for the next call, and what it brings is queued, so a reply spread over
// several wait slices arrives whole and in order.
class BoundedPipeReader {
 public:
  // Milliseconds from any fixed start; a steady clock unless a test sets it.
  using Clock = std::function<std::int64_t()>;

  explicit BoundedPipeReader(AsyncReadPort& port);
  BoundedPipeReader(AsyncReadPort& port, Clock clock);

  // Fills out with exactly size bytes within timeoutMs. TimedOut keeps the
  // read in flight and the bytes received so far. A read that ends with
  // fewer bytes than it asked for is Failed, like a system error; a failed
  // call leaves nothing of its reply behind.
  ReadStatus Read(std::uint8_t* out, std::size_t size, int timeoutMs);
  // Cancels the read in flight (waiting only a bounded time for the system
  // to let go) and drops every byte not yet served.
  void Discard();

  std::string FailureText() const { return failure_; }
  std::size_t QueuedBytes() const { return queue_.size(); }
  bool ReadInFlight() const { return inFlight_; }

 private:
  ReadStatus Fail(std::string text);

  AsyncReadPort& port_;
  Clock clock_;
  std::deque<std::uint8_t> queue_;
  bool inFlight_ = false;
  std::size_t requested_ = 0;  // size of the read in flight
  std::string failure_;
};

}  // namespace orten
