#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "transport/AsyncReadPort.h"

namespace orten {

// The operating system's side of a write pipe that writes asynchronously:
// one write in flight at most, bounded by a wait and cancelled on expiry.
// BoundedPipeWriter decides; a port only talks to the system.
class AsyncWritePort {
 public:
  using Outcome = AsyncOutcome;

  virtual ~AsyncWritePort() = default;

  // Starts writing a copy of the size bytes at data (the caller's bytes may
  // go away while the write is in flight). False when the system refused it.
  virtual bool StartWrite(const std::uint8_t* data, std::size_t size) = 0;
  // Waits at most timeoutMs for the write in flight. Done: it has ended and
  // written holds how many bytes went out. Pending: still in flight.
  // Failed: it ended with an error.
  virtual Outcome WaitWrite(int timeoutMs, std::size_t& written) = 0;
  // Ends the write in flight, waiting at most graceMs for the system to let
  // go of its buffer. False when it still holds the buffer: the port keeps
  // that memory alive until it lets go and writes from other memory meanwhile.
  virtual bool CancelWrite(int graceMs) = 0;
  // The system's text for the last refusal or failure.
  virtual std::string LastErrorText() const = 0;
};

}  // namespace orten
