#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sim/SimClock.h"
#include "sim/SimDevice.h"
#include "sim/SimState.h"
#include "transport/Transport.h"

namespace orten {

// The USB line of the simulation: any number of devices plugged in at once.
class SimBus {
 public:
  std::shared_ptr<SimDevice> Attach(std::uint8_t version);
  void Attach(std::shared_ptr<SimDevice> device) { devices_.push_back(std::move(device)); }
  std::vector<std::shared_ptr<SimDevice>> Plugged() const;
  const std::vector<std::shared_ptr<SimDevice>>& devices() const { return devices_; }
  // "sim:N" for each plugged device, N its number on the line (1 = the first attached).
  std::vector<std::string> PluggedPlaces() const;

 private:
  std::vector<std::shared_ptr<SimDevice>> devices_;
};

// The transport over the simulated line, with the handle rules of the real
// ones: pipes of the one device found, none after several, invalid when the
// device's pipes won't open.
class SimTransport final : public Transport {
 public:
  SimTransport(SimBus& bus, SimClock& clock) : bus_(bus), clock_(clock) {}

  bool DiscoverDevice() override;
  std::uint32_t DeviceCount() const override { return count_; }
  bool WriteByte(std::uint8_t byte) override;
  bool WriteChunk(const Chunk& chunk) override;
  ReadStatus ReadByte(std::uint8_t& byte, int timeoutMs) override;
  ReadStatus ReadChunk(Chunk& chunk, int timeoutMs) override;
  // The simulated pipe hands over a whole request or nothing: nothing to drop.
  void DiscardInput() override {}
  void FlushWritePipe() override {}
  void FlushReadPipe() override;
  void CloseLink() override;
  // The state file's lock keeps the other programs on it out.
  bool ReleaseWhenIdle() const override { return stateFile_ != nullptr; }
  PipeState WritePipeState() const override { return state_; }
  PipeState ReadPipeState() const override { return state_; }
  std::string LastErrorText() const override { return error_; }
  LinkFault LastFault() const override { return fault_; }

  // file's device lives in that file: opening its pipes takes the file (or
  // finds it held by another program), a transfer that changes the device
  // saves it, closing the pipes lets it go. Null: in memory only.
  void KeepStateIn(SimStateFile* file) { stateFile_ = file; }

  // The device whose pipes are open, if any.
  SimDevice* device() const { return state_ == PipeState::Open ? device_.get() : nullptr; }
  // Times the pipes were closed, to check that no handle is left behind.
  int closeCount() const { return closes_; }

 private:
  bool Write(std::span<const std::uint8_t> bytes);
  ReadStatus Read(std::span<std::uint8_t> out, int timeoutMs);
  bool Usable();
  // Takes the device's reason for a failed transfer.
  void FailFromDevice();
  bool OpenState();
  // After a transfer: its changes to the device go to the state file. False
  // (the transfer fails with the reason) when they could not.
  bool SaveState();

  SimBus& bus_;
  SimClock& clock_;
  std::shared_ptr<SimDevice> device_;
  SimStateFile* stateFile_ = nullptr;
  PipeState state_ = PipeState::None;
  std::uint32_t count_ = 0;
  int closes_ = 0;
  std::string error_;
  LinkFault fault_ = LinkFault::None;
};

}  // namespace orten
