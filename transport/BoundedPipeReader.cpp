#include "transport/BoundedPipeReader.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <utility>
#include <vector>

#include "base/Wording.h"

namespace orten {

namespace {

std::int64_t SteadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

BoundedPipeReader::BoundedPipeReader(AsyncReadPort& port) : BoundedPipeReader(port, SteadyMs) {}

BoundedPipeReader::BoundedPipeReader(AsyncReadPort& port, Clock clock)
    : port_(port), clock_(std::move(clock)) {}

ReadStatus BoundedPipeReader::Fail(std::string text) {
  queue_.clear();  // a broken reply is never served in pieces later
  failure_ = std::move(text);
  return ReadStatus::Failed;
}

ReadStatus BoundedPipeReader::Read(std::uint8_t* out, std::size_t size, int timeoutMs) {
  const std::int64_t deadline = clock_() + std::max(timeoutMs, 0);
  std::vector<std::uint8_t> arrived;
  while (queue_.size() < size) {
    if (!inFlight_) {
      // Ask for just what is missing: more could swallow the start of the
      // device's next reply.
      requested_ = size - queue_.size();
      if (!port_.StartRead(requested_)) return Fail(port_.LastErrorText());
      inFlight_ = true;
    }
    const std::int64_t left =
        std::clamp<std::int64_t>(deadline - clock_(), 0, std::numeric_limits<int>::max());
    arrived.clear();
    switch (port_.WaitRead(static_cast<int>(left), arrived)) {
      case AsyncReadPort::Outcome::Pending:
        return ReadStatus::TimedOut;  // the read stays in flight for the next slice
      case AsyncReadPort::Outcome::Failed:
        inFlight_ = false;
        return Fail(port_.LastErrorText());
      case AsyncReadPort::Outcome::Done:
        inFlight_ = false;
        if (arrived.size() < requested_) {
          return Fail(ShortTransferText("Прочитан", "Прочитано", arrived.size(), requested_) + ".");
        }
        queue_.insert(queue_.end(), arrived.begin(), arrived.end());
        break;
    }
  }
  std::copy_n(queue_.begin(), size, out);
  queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(size));
  return ReadStatus::Ok;
}

void BoundedPipeReader::Discard() {
  if (inFlight_) port_.CancelRead(kCancelGraceMs);
  inFlight_ = false;
  queue_.clear();
}

}  // namespace orten
