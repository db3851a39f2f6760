#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace orten {

// One 64-byte transfer unit: data frames and firmware bodies travel in these.
inline constexpr std::size_t kChunkSize = 64;
using Chunk = std::array<std::uint8_t, kChunkSize>;

// Result of one bounded read attempt. TimedOut means nothing (or not enough)
// arrived within the wait; the bytes that did arrive stay queued for the next
// attempt, until DiscardInput(). Failed is final for this call, leaves nothing
// of the reply queued, and LastErrorText() says why.
enum class ReadStatus { Ok, TimedOut, Failed };

// A pipe handle is none before the first discovery (and after a discovery
// that found several devices), invalid when its open failed, or open.
enum class PipeState { None, Invalid, Open };

// The kind of the last failure, so that callers can say why and pick an exit
// code without parsing the text. After a discovery that found no device,
// NotConfigured, Unavailable and Access explain the empty result; None there
// means nothing is plugged in.
enum class LinkFault {
  None,
  Timeout,        // nothing, or not enough, arrived in time
  NoDevice,       // the device went away: calls fail at once until the next discovery
  Access,         // the system refused access (permissions)
  NotConfigured,  // the transport does not know what to look for (no USB IDs)
  Unavailable,    // the USB layer itself could not start
  Busy,           // found, but another program holds it: its pipes would not open
  Io,             // any other failure
};

// The byte-level link to the device: two pipes, nothing more. No framing,
// no pacing, no retries, no user interface: callers (DeviceLink) decide what
// a failure means and how it is shown.
class Transport {
 public:
  virtual ~Transport() = default;

  // Enumerates the device interfaces, opens the pipes of the device when
  // exactly one is present. True only for exactly one device. Handles from
  // an earlier discovery are closed first.
  virtual bool DiscoverDevice() = 0;
  // Interfaces found by the last discovery.
  virtual std::uint32_t DeviceCount() const = 0;

  virtual bool WriteByte(std::uint8_t byte) = 0;
  virtual bool WriteChunk(const Chunk& chunk) = 0;
  // Waits at most timeoutMs for the whole request; never returns part of it.
  virtual ReadStatus ReadByte(std::uint8_t& byte, int timeoutMs) = 0;
  virtual ReadStatus ReadChunk(Chunk& chunk, int timeoutMs) = 0;

  // Drops what timed-out attempts left queued, without asking the device for
  // anything: the read they belonged to has been given up.
  virtual void DiscardInput() = 0;

  virtual void FlushWritePipe() = 0;
  // Also drops input that arrived but was never read.
  virtual void FlushReadPipe() = 0;
  virtual void CloseLink() = 0;
  // Whether a program should close the pipes as soon as it stops working
  // with the device, rather than keep them from a connect until it ends:
  // true where open pipes lock every other program out of the device.
  virtual bool ReleaseWhenIdle() const { return false; }

  virtual PipeState WritePipeState() const = 0;
  virtual PipeState ReadPipeState() const = 0;

  // The platform's text for the last failure (for the "Error" box).
  virtual std::string LastErrorText() const = 0;
  virtual LinkFault LastFault() const = 0;
  // What the user can do about the device the last discovery found but could
  // not open, when the transport knows (the udev rule for one the system
  // refused this user); empty otherwise.
  virtual std::string OpenAdvice() const { return {}; }
};

}  // namespace orten
