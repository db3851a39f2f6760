#pragma once

// The fault matrix's rules, written from the protocol and the messages the
// program is meant to show, not from its code: what an operation puts on the
// wire, where each simulated fault first makes itself felt, and what the
// user is then told. The window's matrix and ortenctl's share them.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/SimDevice.h"

namespace orten::test {

// The simulated device's faults, as --sim-fault spells them.
enum class FaultKind {
  None,
  NoDevice,
  TwoDevices,
  PipeOpen,
  NoAccess,     // found, and the system will not let this user open it
  Busy,         // found, and another program holds it
  WriteFail,    // at host byte `at`, once
  Unplug,       // as host byte `at` is written
  UnplugRead,   // as device byte `at` is to be read
  ReadTimeout,  // silent from device byte `at` on
  ShortChunk,   // the 64-byte read holding device byte `at` comes short
  BadSync,
  BadChecksum,
  Reject,
  NoAnswer,
  Corrupt,  // host byte `at` is kept changed, if the device keeps it at all
};

struct FaultCase {
  FaultKind kind = FaultKind::None;
  std::uint64_t at = 0;

  // "write-fail@5", "reject", "none": the --sim-fault value (none: no option).
  std::string Name() const;
  // The device side of the fault (no-device and two-devices are the line's).
  SimFaults DeviceFaults() const;
};

// Every fault the matrix runs, with the byte positions chosen to land in each
// part of the exchanges: request packets, frame sync, chunks, checksum bytes,
// answers, and beyond the end of the shorter exchanges.
std::vector<FaultCase> MatrixFaults(const std::vector<std::uint64_t>& writeAt,
                                    const std::vector<std::uint64_t>& readAt,
                                    const std::vector<std::uint64_t>& corruptAt);

// One stretch of an exchange, as the protocol lays it out.
enum class Phase {
  Discovery,          // nothing on the wire: how many devices, do the pipes open
  ConnectRequest,     // 8 bytes out, one by one
  ConnectReply,       // 8 bytes in, one by one; sync and checksum checked
  DisconnectCommand,  // 8 bytes out
  ReadRequest,        // 8 bytes out
  FrameIn,            // AA AA, payload in 64-byte reads, checksum: sync and checksum checked
  WriteRequest,       // 8 bytes out
  FrameOut,           // AA AA, payload in 64-byte writes, checksum
  WriteAnswer,        // 8 bytes in; only byte 3 counts
  Image,              // the firmware file, head and tail singly, body in 64-byte writes
  Verdict,            // 8 bytes in; only byte 3 counts
};

struct PhaseSpan {
  Phase phase;
  std::uint64_t hostBytes = 0;    // written to the device
  std::uint64_t deviceBytes = 0;  // read from it
};

PhaseSpan Discovery();
PhaseSpan Packet(Phase phase);  // 8 bytes, out or in as the phase goes
PhaseSpan FrameIn(std::uint64_t payload);
PhaseSpan FrameOut(std::uint64_t payload);
PhaseSpan Image(std::uint64_t size);
// Discovery, the connect request and its reply.
std::vector<PhaseSpan> ConnectPhases();

// The phase of a run where the fault first bites, or nothing when it never
// does. No device where no discovery is made: the device went away before
// the first write, as if unplugged at byte 0. A value kept otherwise bites
// no exchange: the device answers as if all were well.
std::optional<Phase> FirstBite(const std::vector<PhaseSpan>& phases, const FaultCase& fault);

// A failed transfer: the transport's "Error" box comes before the
// operation's own words. Refused replies and the device's "no" are not that.
bool ShowsTransportError(const FaultCase& fault, Phase bitten);

// Whether the fault took the device away during the operation rather than
// failing one transfer.
bool TakesTheDeviceAway(const FaultCase& fault, Phase bitten);

// Whether the device took the data of a write operation (phases with a
// frame or an image) when the fault bit in `bitten` (nothing: never).
bool DeviceTookTheData(const std::vector<PhaseSpan>& phases, const std::optional<Phase>& bitten,
                       const FaultCase& fault);

// Where the device keeps a value other than the one written: corrupt@K on
// a frame's payload (the index of the value) or on an image's version byte
// (3). Nothing when the fault is another or lands on nothing the device keeps.
std::optional<std::uint64_t> KeptOtherwise(const std::vector<PhaseSpan>& phases,
                                           const FaultCase& fault);

// What the journal gains from an operation on the device's memory or
// firmware: its one record once the device was found and connected
// (whatever came of the operation then), none before. The record says done
// unless the fault bit the operation itself (a disconnect that fails after
// it does not).
struct JournalGain {
  std::size_t records = 0;
  bool done = false;
};
JournalGain JournalGainOf(const std::optional<Phase>& bitten);

struct Box {
  std::string text;
  std::string caption;
};

// What an operation says when it fails in a phase, after the "Error" box if
// any: its boxes, and the status line it leaves (empty: not its to set).
struct PhaseFailure {
  std::vector<Box> boxes;
  std::string status;
};
PhaseFailure FailureOf(Phase phase, const FaultCase& fault);

}  // namespace orten::test
