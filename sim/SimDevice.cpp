#include "sim/SimDevice.h"

#include <algorithm>

#include "base/Wording.h"
#include "protocol/Packets.h"

namespace orten {

namespace {

constexpr std::int64_t kUsPerMs = 1000;
// Pauses the device needs to keep up: after each parameter chunk, after every
// fourth firmware block, between the firmware's tail bytes, before its answer.
constexpr std::int64_t kChunkGapUs = 10 * kUsPerMs;
constexpr std::int64_t kTailGapUs = 10 * kUsPerMs;
constexpr std::int64_t kVerdictGapUs = 25 * kUsPerMs;
constexpr std::size_t kFirmwareHead = 8;
constexpr std::size_t kFirmwareTail = 2;

bool Reached(const std::optional<std::uint64_t>& at, std::uint64_t first, std::size_t count) {
  return at && *at >= first && *at < first + count;
}

}  // namespace

SimDevice::SimDevice(std::uint8_t version) : version_(version) {}

void SimDevice::set_faults(const SimFaults& faults) {
  faults_ = faults;
  keptOtherwise_.reset();
  hostBytes_ = 0;
  deviceBytes_ = 0;
  silent_ = false;
}

bool SimDevice::Receive(std::span<const std::uint8_t> bytes, std::int64_t nowUs) {
  if (!plugged_) {
    lastError_ = "Устройство не подключено.";
    return false;
  }
  if (Reached(faults_.unplugAtByte, hostBytes_, bytes.size())) {
    plugged_ = false;
    lastError_ = "Устройство не подключено.";
    return false;
  }
  if (Reached(faults_.failWriteAtByte, hostBytes_, bytes.size())) {
    faults_.failWriteAtByte.reset();  // one failed call; the pipe itself lives on
    lastError_ = "Сбой записи в канал прибора.";
    return false;
  }
  const std::uint64_t first = hostBytes_;
  hostBytes_ += bytes.size();
  (state_ == State::Command ? commandWrites_ : writes_).push_back({bytes.size(), nowUs});
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    // Where it lands, should a firmware head or a data frame keep it.
    if (faults_.corruptAtByte == first + i)
      keptOtherwise_ = state_ == State::Command ? packet_.size() : frame_.size();
    received_.push_back(bytes[i]);
    TakeByte(bytes[i]);
  }
  return true;
}

void SimDevice::TakeByte(std::uint8_t byte) {
  switch (state_) {
    case State::Command:
      packet_.push_back(byte);
      // Hunt for sync: a stray byte must not shift every later packet.
      if (packet_.size() <= 2 && byte != kPacketSync) {
        packet_.clear();
        commandWrites_.clear();
      }
      if (packet_.size() == kPacketSize) OnCommand();
      break;
    case State::ParamData:
      frame_.push_back(byte);
      if (frame_.size() == frameSize_) OnParamFrame();
      break;
    case State::Firmware:
      frame_.push_back(byte);  // the end shows when the host asks for the verdict
      break;
  }
}

void SimDevice::OnCommand() {
  CommandPacket packet;
  std::copy(packet_.begin(), packet_.end(), packet.begin());
  packet_.clear();
  std::vector<WriteRecord> carried;  // the writes that brought this packet
  carried.swap(commandWrites_);
  const std::uint8_t code = packet[2];
  if (code == kFirmwareTypeCode && connected_) {
    // A firmware head: its bytes are the file's, checksum or not.
    state_ = State::Firmware;
    frame_.assign(packet.begin(), packet.end());
    writes_ = std::move(carried);
    return;
  }
  // A command packet keeps nothing.
  keptOtherwise_.reset();
  if (!PacketChecksumOk(packet)) return;  // garbled: a real device ignores it

  if ((code == kCmdConnectMain || code == kCmdConnectWork) && packet[3] == kCmdConnectWork) {
    connected_ = true;
    ++connects_;
    QueueAnswer(code, version_);
    return;
  }
  if (code == kCmdConnectMain && packet[3] == 0) {
    connected_ = false;
    ++disconnects_;
    return;
  }
  if (!connected_) return;

  if (code == kCmdReadParams || code == kCmdWriteParams) {
    const std::size_t pages = packet[3];
    const std::size_t start = packet[4];
    if (pages == 0 || start + pages > kPageCount) return;
    if (code == kCmdReadParams) {
      QueueFrame(
          std::span<const std::uint8_t>(memory_).subspan(start * kPageSize, pages * kPageSize));
    } else {
      state_ = State::ParamData;
      startPage_ = static_cast<std::uint8_t>(start);
      frameSize_ = pages * kPageSize + 4;
      frame_.clear();
      writes_.clear();
    }
    return;
  }
}

void SimDevice::OnParamFrame() {
  state_ = State::Command;
  std::string reason;
  if (!DataFrameSyncOk(frame_)) {
    reason = "data frame sync";
  } else if (!DataFrameChecksumOk(frame_)) {
    reason = "data frame checksum";
  } else {
    reason = CheckParamPacing();
  }
  if (reason.empty() && faults_.reject) reason = "rejected by fault";
  verdictReason_ = reason;
  if (reason.empty()) {
    std::copy(frame_.begin() + 2, frame_.end() - 2, memory_.begin() + startPage_ * kPageSize);
    if (keptOtherwise_ >= 2 && keptOtherwise_ < frame_.size() - 2)
      memory_[startPage_ * kPageSize + *keptOtherwise_ - 2] ^= 0x01;
  }
  keptOtherwise_.reset();
  if (!faults_.noAnswer) QueueAnswer(kCmdWriteParams, reason.empty() ? kAccepted : kRejected);
}

std::string SimDevice::CheckParamPacing() const {
  // sync, sync, chunks, crc low, crc high; every chunk needs its pause after it
  for (std::size_t i = 0; i + 1 < writes_.size(); ++i) {
    if (writes_[i].size == kChunkSize && writes_[i + 1].atUs - writes_[i].atUs < kChunkGapUs) {
      return "overrun after data chunk " + std::to_string(i - 1);
    }
  }
  return {};
}

void SimDevice::FinishFirmware(std::int64_t nowUs) {
  state_ = State::Command;
  std::string reason;
  const std::size_t size = frame_.size();
  if (size < kFirmwareHead + kFirmwareTail ||
      (size - kFirmwareHead - kFirmwareTail) % kChunkSize != 0) {
    reason = "image length " + std::to_string(size);
  } else {
    // The image's content is the firmware maker's business; what the device
    // insists on is the way it arrives.
    reason = CheckFirmwarePacing(nowUs);
  }
  if (reason.empty() && faults_.reject) reason = "rejected by fault";
  verdictReason_ = reason;
  if (reason.empty()) version_ = frame_[3] ^ (keptOtherwise_ == 3 ? 0x01 : 0x00);
  keptOtherwise_.reset();
  frame_.clear();
  if (!faults_.noAnswer) QueueAnswer(kFirmwareTypeCode, reason.empty() ? kAccepted : kRejected);
}

std::string SimDevice::CheckFirmwarePacing(std::int64_t answerUs) const {
  // Expected shape: 8 singles (the head), 64-byte blocks, 2 singles (the tail).
  const std::size_t n = writes_.size();
  if (n < kFirmwareHead + kFirmwareTail) return "write pattern";
  for (std::size_t i = 0; i < n; ++i) {
    const bool single = i < kFirmwareHead || i >= n - kFirmwareTail;
    if (writes_[i].size != (single ? 1 : kChunkSize))
      return "write pattern at write " + std::to_string(i);
  }
  for (std::size_t block = 4; kFirmwareHead + block - 1 < n - kFirmwareTail; block += 4) {
    const std::size_t i = kFirmwareHead + block - 1;
    if (writes_[i + 1].atUs - writes_[i].atUs < kChunkGapUs)
      return "overrun after block " + std::to_string(block);
  }
  if (writes_[n - 1].atUs - writes_[n - 2].atUs < kTailGapUs) return "overrun in the tail";
  if (answerUs - writes_[n - 1].atUs < kVerdictGapUs) return "answer asked too early";
  return {};
}

void SimDevice::QueueAnswer(std::uint8_t code, std::uint8_t result) {
  const CommandPacket answer = MakeCommandPacket(code, result);
  const std::size_t first = output_.size();
  output_.insert(output_.end(), answer.begin(), answer.end());
  Corrupt(first, output_.size() - 2);
}

void SimDevice::QueueFrame(std::span<const std::uint8_t> payload) {
  std::vector<std::int32_t> values(payload.begin(), payload.end());
  const std::vector<std::uint8_t> frame = BuildDataFrame(values);
  const std::size_t first = output_.size();
  output_.insert(output_.end(), frame.begin(), frame.end());
  Corrupt(first, output_.size() - 2);
}

// first: the sync byte to spoil; crcLow: where the checksum starts.
void SimDevice::Corrupt(std::size_t first, std::size_t crcLow) {
  if (faults_.badSync) output_[first + 1] ^= 0x01;  // 55 55 -> 55 54, AA AA -> AA AB
  if (faults_.badChecksum) output_[crcLow] ^= 0xFF;
}

std::size_t SimDevice::OutputReady(std::int64_t nowUs) {
  if (!plugged_) return 0;
  if (state_ == State::Firmware) FinishFirmware(nowUs);
  return silent_ ? 0 : output_.size();
}

ReadStatus SimDevice::Send(std::span<std::uint8_t> out, std::int64_t nowUs) {
  if (!plugged_) {
    lastError_ = "Устройство не подключено.";
    return ReadStatus::Failed;
  }
  if (state_ == State::Firmware) FinishFirmware(nowUs);
  // Pulled out while the host waits for its answer: what it got so far is all.
  if (Reached(faults_.unplugAtReadByte, deviceBytes_, out.size())) {
    plugged_ = false;
    lastError_ = "Устройство не подключено.";
    return ReadStatus::Failed;
  }
  if (Reached(faults_.readTimeoutAtByte, deviceBytes_, out.size())) silent_ = true;
  if (silent_ || output_.size() < out.size()) return ReadStatus::TimedOut;
  if (out.size() == kChunkSize && Reached(faults_.shortChunkAtByte, deviceBytes_, out.size())) {
    const std::size_t got = out.size() / 2;
    output_.erase(output_.begin(), output_.begin() + static_cast<std::ptrdiff_t>(got));
    deviceBytes_ += got;
    lastError_ = ShortTransferText("Получен", "Получено", got, out.size()) + ".";
    return ReadStatus::Failed;
  }
  std::copy_n(output_.begin(), out.size(), out.begin());
  output_.erase(output_.begin(), output_.begin() + static_cast<std::ptrdiff_t>(out.size()));
  deviceBytes_ += out.size();
  return ReadStatus::Ok;
}

}  // namespace orten
