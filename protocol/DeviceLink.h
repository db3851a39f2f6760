#pragma once

#include <cstdint>
#include <optional>

#include "base/Outcome.h"
#include "protocol/Packets.h"
#include "transport/Transport.h"

namespace orten {

class Pacer;
class TraceLog;
class UserInterface;

// How long a read may wait before it counts as failed. Long waits are cut
// into slices with the window pumped in between, so it stays painted.
inline constexpr int kReplyTimeoutMs = 2000;
inline constexpr int kParamWriteAnswerTimeoutMs = 10000;
inline constexpr int kFirmwareVerdictTimeoutMs = 60000;
// A slice blocks the window's thread for its whole length while the device
// is silent: short enough that the window never stalls visibly (under 30 ms),
// long enough that a 60 s wait is only 3000 transfers.
inline constexpr int kReadSliceMs = 20;

// The open connection as the device exchanges use it: the transport, the
// pacer and the user interface of whoever started the exchange, plus the
// optional trace. A failed transfer shows the transport's text once in the
// "Error" box; the caller then stops and says what failed in its own words.
// Once the device is known to be gone, or its pipes would not open, later
// failures stay quiet until the next discovery: one unplug, one box.
class DeviceLink {
 public:
  DeviceLink(Transport& transport, Pacer& pacer, UserInterface& ui, TraceLog* trace = nullptr);

  // True for exactly one device. A pipe that could not be opened is shown
  // in the "Error" box; the device still counts.
  bool DiscoverDevice();
  std::uint32_t DeviceCount() const { return transport_.DeviceCount(); }

  bool WriteByte(std::uint8_t byte);
  bool WriteChunk(const Chunk& chunk);
  std::optional<std::uint8_t> ReadByte(int timeoutMs = kReplyTimeoutMs);
  bool ReadChunk(Chunk& chunk, int timeoutMs = kReplyTimeoutMs);
  void FlushWritePipe();
  void FlushReadPipe();
  void CloseLink() { transport_.CloseLink(); }
  // The device went away during this connection (already reported).
  bool DeviceGone() const { return deviceGone_; }
  // A failed step of an exchange, as its kind: a device that went away
  // meanwhile, or one whose pipes would not open because another program
  // holds it or the system refused this user, outweighs whatever the step
  // itself would have been.
  Outcome Failure(OutcomeKind kind) const {
    return deviceGone_ ? OutcomeKind::DeviceGone : openRefusal_.value_or(kind);
  }

  // A command packet goes out as eight single-byte writes; stops at the
  // first failed write.
  bool SendPacket(const CommandPacket& packet);
  // Eight single-byte reads; stops at the first failed read.
  bool ReadPacket(CommandPacket& packet, int timeoutMs = kReplyTimeoutMs);

  void Pause(int ms);
  void Pump();
  // A free-form line in the trace (received-byte notes of the parameter read).
  void TraceNote(const std::string& line);

  Transport& transport() { return transport_; }
  Pacer& pacer() { return pacer_; }
  UserInterface& ui() { return ui_; }

 private:
  template <typename Attempt>
  bool BoundedRead(Attempt attempt, int timeoutMs);
  void ReportFailure(const std::string& text);

  Transport& transport_;
  Pacer& pacer_;
  UserInterface& ui_;
  TraceLog* trace_;
  bool deviceGone_ = false;
  bool pipesFailed_ = false;                // the discovery's pipes did not open (already reported)
  std::optional<OutcomeKind> openRefusal_;  // ... because the device is held, or access refused
};

}  // namespace orten
