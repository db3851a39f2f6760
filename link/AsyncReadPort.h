#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orten {

// The operating system's side of a read pipe that reads asynchronously: one
// read in flight at most, which can be waited for in slices and cancelled.
// BoundedPipeReader keeps the bookkeeping; a port only talks to the system.
class AsyncReadPort {
 public:
  enum class Outcome { Done, Pending, Failed };

  virtual ~AsyncReadPort() = default;

  // Starts a read of size bytes. False when the system refused it.
  virtual bool StartRead(std::size_t size) = 0;
  // Waits at most timeoutMs for the read in flight. Done: the read has ended
  // and the bytes it delivered are appended to arrived (maybe fewer than
  // asked). Pending: still in flight. Failed: it ended with an error.
  virtual Outcome WaitRead(int timeoutMs, std::vector<std::uint8_t>& arrived) = 0;
  // Ends the read in flight and waits until the system lets go of its
  // buffer; whatever it delivered is dropped.
  virtual void CancelRead() = 0;
  // The system's text for the last refusal or failure.
  virtual std::string LastErrorText() const = 0;
};

}  // namespace orten
