#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "transport/Transport.h"

namespace orten {

// What can go wrong, for the fault matrix. Byte positions count from the
// moment the fault is set: host-to-device bytes for writes, device-to-host
// bytes for reads (0 = the next byte).
struct SimFaults {
  bool pipeOpenFails = false;  // discovery finds it, the pipes won't open
  bool accessRefused = false;  // ... because the system refuses this user (no udev rule)
  bool heldElsewhere = false;  // ... because another program holds it
  std::optional<std::uint64_t> failWriteAtByte;    // that one write call fails
  std::optional<std::uint64_t> unplugAtByte;       // pulled out as that byte is written
  std::optional<std::uint64_t> readTimeoutAtByte;  // falls silent from that byte on
  std::optional<std::uint64_t> shortChunkAtByte;   // the chunk read holding it comes short
  std::optional<std::uint64_t> unplugAtReadByte;   // pulled out as that byte is to be read
  // Stored otherwise than it came (one bit flipped), accepted all the same:
  // a parameter value, or the firmware's version byte. Nothing else notices.
  std::optional<std::uint64_t> corruptAtByte;
  bool badSync = false;      // replies and frames start with a wrong sync byte
  bool badChecksum = false;  // replies and frames carry a wrong checksum
  bool reject = false;       // parameter writes and firmware answer "not accepted"
  bool noAnswer = false;     // parameter writes and firmware get no answer at all
};

// A device as seen from its USB pipes. It parses the host's packets and
// answers the connect, parameter and firmware commands; all timing checks
// use the caller's clock.
class SimDevice {
 public:
  static constexpr std::size_t kPageSize = 256;
  static constexpr std::size_t kPageCount = 8;
  static constexpr std::uint8_t kAccepted = 0;
  static constexpr std::uint8_t kRejected = 1;

  explicit SimDevice(std::uint8_t version);

  std::uint8_t version() const { return version_; }
  void set_version(std::uint8_t version) { version_ = version; }
  std::array<std::uint8_t, kPageSize * kPageCount>& memory() { return memory_; }
  const std::array<std::uint8_t, kPageSize * kPageCount>& memory() const { return memory_; }
  const SimFaults& faults() const { return faults_; }
  // Byte positions in the faults count from here on.
  void set_faults(const SimFaults& faults);

  bool plugged() const { return plugged_; }
  void Unplug() { plugged_ = false; }
  void Plug() { plugged_ = true; }

  // Host to device. False (nothing taken) when a fault makes the write fail.
  bool Receive(std::span<const std::uint8_t> bytes, std::int64_t nowUs);
  // Device to host: exactly out.size() bytes, or TimedOut with nothing
  // taken, or Failed for a short chunk.
  ReadStatus Send(std::span<std::uint8_t> out, std::int64_t nowUs);
  // How many device-to-host bytes a read could take now. Asking is what
  // tells the device a firmware stream has ended, as Send() does.
  std::size_t OutputReady(std::int64_t nowUs);
  // Output the host never read is dropped, as a flush of the read pipe does.
  void DropPendingOutput() { output_.clear(); }

  std::string lastError() const { return lastError_; }
  // Why the last parameter or firmware write was answered as it was.
  std::string lastVerdictReason() const { return verdictReason_; }
  bool connected() const { return connected_; }
  int connectCount() const { return connects_; }
  int disconnectCount() const { return disconnects_; }
  // Every byte the host has written, in order.
  const std::vector<std::uint8_t>& received() const { return received_; }

 private:
  enum class State { Command, ParamData, Firmware };
  struct WriteRecord {
    std::size_t size;
    std::int64_t atUs;
  };

  void TakeByte(std::uint8_t byte);
  void OnCommand();
  void OnParamFrame();
  void FinishFirmware(std::int64_t nowUs);
  std::string CheckFirmwarePacing(std::int64_t answerUs) const;
  std::string CheckParamPacing() const;
  void QueueAnswer(std::uint8_t code, std::uint8_t result);
  void QueueFrame(std::span<const std::uint8_t> payload);
  void Corrupt(std::size_t first, std::size_t last);

  std::uint8_t version_;
  std::array<std::uint8_t, kPageSize * kPageCount> memory_{};
  SimFaults faults_;
  bool plugged_ = true;
  bool connected_ = false;
  bool silent_ = false;
  int connects_ = 0;
  int disconnects_ = 0;
  State state_ = State::Command;
  std::vector<std::uint8_t> packet_;
  std::vector<std::uint8_t> frame_;
  std::size_t frameSize_ = 0;
  std::uint8_t startPage_ = 0;
  std::vector<WriteRecord> writes_;         // of the current data or firmware transfer
  std::vector<WriteRecord> commandWrites_;  // of the packet being collected
  std::deque<std::uint8_t> output_;
  std::vector<std::uint8_t> received_;
  std::uint64_t hostBytes_ = 0;
  std::uint64_t deviceBytes_ = 0;
  std::string lastError_;
  std::string verdictReason_;
  std::optional<std::size_t> keptOtherwise_;  // where corruptAtByte landed in frame_
};

}  // namespace orten
