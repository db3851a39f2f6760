#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orten {

// How an asynchronous transfer stands after a wait: ended with its bytes,
// still in flight, or ended with an error.
enum class AsyncOutcome { Done, Pending, Failed };

// How long a cancel waits for the system to let go of a transfer. A driver
// that never finishes the cancel must not hang the program; its transfer's
// memory is then kept for good instead of being freed under it.
inline constexpr int kCancelGraceMs = 500;

// The operating system's side of a read pipe that reads asynchronously: one
// read in flight at most, which can be waited for in slices and cancelled.
// BoundedPipeReader keeps the bookkeeping; a port only talks to the system.
class AsyncReadPort {
 public:
  using Outcome = AsyncOutcome;

  virtual ~AsyncReadPort() = default;

  // Starts a read of size bytes. False when the system refused it.
  virtual bool StartRead(std::size_t size) = 0;
  // Waits at most timeoutMs for the read in flight. Done: the read has ended
  // and the bytes it delivered are appended to arrived (maybe fewer than
  // asked). Pending: still in flight. Failed: it ended with an error.
  virtual Outcome WaitRead(int timeoutMs, std::vector<std::uint8_t>& arrived) = 0;
  // Ends the read in flight, waiting at most graceMs for the system to let go
  // of its buffer; whatever it delivered is dropped. False when the system
  // still holds the buffer: the port keeps that memory alive until it lets
  // go and reads into other memory meanwhile.
  virtual bool CancelRead(int graceMs) = 0;
  // The system's text for the last refusal or failure.
  virtual std::string LastErrorText() const = 0;
};

}  // namespace orten
