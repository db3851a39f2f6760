#include "protocol/DeviceLink.h"

#include <algorithm>
#include <span>
#include <string>

#include "base/Pacer.h"
#include "base/TraceLog.h"
#include "base/UserInterface.h"

namespace orten {

namespace {

std::string TimeoutText(int timeoutMs) {
  return "Прибор не отвечает: время ожидания ответа (" + std::to_string((timeoutMs + 999) / 1000) +
         " с) истекло.";
}

}  // namespace

DeviceLink::DeviceLink(Transport& transport, Pacer& pacer, UserInterface& ui, TraceLog* trace)
    : transport_(transport), pacer_(pacer), ui_(ui), trace_(trace) {}

void DeviceLink::ReportFailure(const std::string& text) {
  if (deviceGone_ || pipesFailed_) return;
  deviceGone_ = transport_.LastFault() == LinkFault::NoDevice;
  if (!text.empty()) ui_.ShowSystemError(text);
}

bool DeviceLink::DiscoverDevice() {
  deviceGone_ = false;
  pipesFailed_ = false;
  openRefusal_.reset();
  const bool one = transport_.DiscoverDevice();
  if (one && (transport_.WritePipeState() == PipeState::Invalid ||
              transport_.ReadPipeState() == PipeState::Invalid)) {
    ReportFailure(transport_.LastErrorText());
    if (transport_.LastFault() == LinkFault::Busy) openRefusal_ = OutcomeKind::DeviceBusy;
    if (transport_.LastFault() == LinkFault::Access) openRefusal_ = OutcomeKind::AccessRefused;
    // Every transfer on these pipes fails for the reason just shown: the
    // command's own message follows, not a second "Error" box.
    pipesFailed_ = true;
  }
  return one;
}

bool DeviceLink::WriteByte(std::uint8_t byte) {
  const bool ok = transport_.WriteByte(byte);
  if (trace_) trace_->Write(std::span<const std::uint8_t>(&byte, 1), ok);
  if (!ok) ReportFailure(transport_.LastErrorText());
  return ok;
}

bool DeviceLink::WriteChunk(const Chunk& chunk) {
  const bool ok = transport_.WriteChunk(chunk);
  if (trace_) trace_->Write(chunk, ok);
  if (!ok) ReportFailure(transport_.LastErrorText());
  return ok;
}

// Waits in slices, pumping the window in between, until the attempt gets
// its bytes, fails, or the whole wait is used up. A slice that times out
// keeps what it got for the next slice; a read given up keeps nothing, so
// the next exchange never starts on the remains of this one.
template <typename Attempt>
bool DeviceLink::BoundedRead(Attempt attempt, int timeoutMs) {
  for (int waited = 0;;) {
    const int slice = std::min(kReadSliceMs, std::max(timeoutMs - waited, 0));
    switch (attempt(slice)) {
      case ReadStatus::Ok:
        return true;
      case ReadStatus::Failed:
        transport_.DiscardInput();
        ReportFailure(transport_.LastErrorText());
        return false;
      case ReadStatus::TimedOut:
        waited += slice;
        if (waited >= timeoutMs) {
          transport_.DiscardInput();
          ReportFailure(TimeoutText(timeoutMs));
          return false;
        }
        pacer_.Pump();
        break;
    }
  }
}

std::optional<std::uint8_t> DeviceLink::ReadByte(int timeoutMs) {
  std::uint8_t byte = 0;
  const bool ok =
      BoundedRead([&](int slice) { return transport_.ReadByte(byte, slice); }, timeoutMs);
  if (trace_)
    trace_->Read(ok ? std::span<const std::uint8_t>(&byte, 1) : std::span<const std::uint8_t>(),
                 ok);
  if (!ok) return std::nullopt;
  return byte;
}

bool DeviceLink::ReadChunk(Chunk& chunk, int timeoutMs) {
  const bool ok =
      BoundedRead([&](int slice) { return transport_.ReadChunk(chunk, slice); }, timeoutMs);
  if (trace_)
    trace_->Read(ok ? std::span<const std::uint8_t>(chunk) : std::span<const std::uint8_t>(), ok);
  return ok;
}

void DeviceLink::FlushWritePipe() {
  transport_.FlushWritePipe();
  if (trace_) trace_->Flush('W');
}

void DeviceLink::FlushReadPipe() {
  transport_.FlushReadPipe();
  if (trace_) trace_->Flush('R');
}

bool DeviceLink::SendPacket(const CommandPacket& packet) {
  return std::all_of(packet.begin(), packet.end(), [this](std::uint8_t b) { return WriteByte(b); });
}

bool DeviceLink::ReadPacket(CommandPacket& packet, int timeoutMs) {
  for (std::uint8_t& b : packet) {
    const std::optional<std::uint8_t> byte = ReadByte(timeoutMs);
    if (!byte) return false;
    b = *byte;
  }
  return true;
}

void DeviceLink::Pause(int ms) {
  if (trace_) trace_->Pause(ms);
  pacer_.Pause(ms);
}

void DeviceLink::Pump() {
  pacer_.Pump();
}

void DeviceLink::TraceNote(const std::string& line) {
  if (trace_) trace_->Note(line);
}

}  // namespace orten
