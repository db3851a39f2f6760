#include "sim/SimTransport.h"

namespace orten {

namespace {
constexpr const char* kNotOpen = "Неверный дескриптор: канал связи с прибором не открыт.";
constexpr const char* kCannotOpen = "Не удается открыть канал связи с прибором (имитация отказа).";
constexpr const char* kNoAccess = "Нет прав на доступ к прибору (имитация отказа).";
constexpr const char* kHeld = "Прибор занят другой программой (имитация отказа).";
}  // namespace

std::shared_ptr<SimDevice> SimBus::Attach(std::uint8_t version) {
  devices_.push_back(std::make_shared<SimDevice>(version));
  return devices_.back();
}

std::vector<std::shared_ptr<SimDevice>> SimBus::Plugged() const {
  std::vector<std::shared_ptr<SimDevice>> plugged;
  for (const auto& device : devices_) {
    if (device->plugged()) plugged.push_back(device);
  }
  return plugged;
}

std::vector<std::string> SimBus::PluggedPlaces() const {
  std::vector<std::string> places;
  for (std::size_t i = 0; i < devices_.size(); ++i) {
    if (devices_[i]->plugged()) places.push_back("sim:" + std::to_string(i + 1));
  }
  return places;
}

bool SimTransport::DiscoverDevice() {
  CloseLink();
  error_.clear();
  fault_ = LinkFault::None;
  const std::vector<std::shared_ptr<SimDevice>> plugged = bus_.Plugged();
  count_ = static_cast<std::uint32_t>(plugged.size());
  if (count_ != 1) return false;
  device_ = plugged.front();
  const SimFaults& faults = device_->faults();
  if (faults.pipeOpenFails || faults.accessRefused || faults.heldElsewhere) {
    state_ = PipeState::Invalid;
    error_ = faults.accessRefused ? kNoAccess : faults.heldElsewhere ? kHeld : kCannotOpen;
    fault_ = faults.accessRefused   ? LinkFault::Access
             : faults.heldElsewhere ? LinkFault::Busy
                                    : LinkFault::Io;
  } else {
    state_ = OpenState() ? PipeState::Open : PipeState::Invalid;
  }
  return true;
}

bool SimTransport::OpenState() {
  if (!stateFile_ || &stateFile_->device() != device_.get()) return true;
  const Outcome taken = stateFile_->Take();
  if (taken) return true;
  error_ = taken.detail;
  fault_ = taken.kind == OutcomeKind::DeviceBusy ? LinkFault::Busy : LinkFault::Io;
  return false;
}

bool SimTransport::SaveState() {
  if (!stateFile_ || !stateFile_->taken()) return true;
  const Outcome saved = stateFile_->SaveChanges();
  if (saved) return true;
  error_ = "Не удается сохранить состояние имитатора: " + saved.detail;
  fault_ = LinkFault::Io;
  return false;
}

void SimTransport::CloseLink() {
  if (state_ != PipeState::None) ++closes_;
  if (stateFile_) stateFile_->Release();
  state_ = PipeState::None;
  device_.reset();
}

bool SimTransport::Usable() {
  if (state_ != PipeState::Open) {
    error_ = kNotOpen;
    fault_ = LinkFault::Io;
    return false;
  }
  return true;
}

bool SimTransport::Write(std::span<const std::uint8_t> bytes) {
  if (!Usable()) return false;
  if (!device_->Receive(bytes, clock_.NowUs())) {
    FailFromDevice();
    return false;
  }
  return SaveState();
}

bool SimTransport::WriteByte(std::uint8_t byte) {
  return Write(std::span<const std::uint8_t>(&byte, 1));
}

bool SimTransport::WriteChunk(const Chunk& chunk) {
  return Write(chunk);
}

ReadStatus SimTransport::Read(std::span<std::uint8_t> out, int timeoutMs) {
  if (!Usable()) return ReadStatus::Failed;
  const ReadStatus status = device_->Send(out, clock_.NowUs());
  // Asking for the firmware's verdict is what ends its programming.
  if (!SaveState()) return ReadStatus::Failed;
  if (status == ReadStatus::TimedOut) {
    clock_.Wait(timeoutMs);  // as long as a real pipe would
    fault_ = LinkFault::Timeout;
  }
  if (status == ReadStatus::Failed) FailFromDevice();
  return status;
}

ReadStatus SimTransport::ReadByte(std::uint8_t& byte, int timeoutMs) {
  return Read(std::span<std::uint8_t>(&byte, 1), timeoutMs);
}

ReadStatus SimTransport::ReadChunk(Chunk& chunk, int timeoutMs) {
  return Read(chunk, timeoutMs);
}

void SimTransport::FailFromDevice() {
  error_ = device_->lastError();
  fault_ = device_->plugged() ? LinkFault::Io : LinkFault::NoDevice;
}

void SimTransport::FlushReadPipe() {
  if (state_ == PipeState::Open) device_->DropPendingOutput();
}

}  // namespace orten
