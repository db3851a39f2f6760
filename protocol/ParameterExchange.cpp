#include "protocol/ParameterExchange.h"

#include <cstdio>
#include <string>
#include <vector>

#include "base/UserInterface.h"
#include "protocol/DeviceCommands.h"
#include "protocol/DeviceLink.h"
#include "protocol/Packets.h"

namespace orten {

namespace {

constexpr int kPauseMs = 10;
constexpr int kChunksPerExtraPause = 4;

void Progress(UserInterface& ui, const char* text, unsigned percent) {
  ui.SetProgress(static_cast<int>(percent));
  ui.SetStatusText(text + std::to_string(percent) + "%");
}

// Box first, then the status line: the order these failures have always had.
Outcome RequestFailed(DeviceLink& link, const char* text, OutcomeKind kind) {
  link.ui().ShowMessage(text);
  link.ui().SetStatusText(text);
  return link.Failure(kind).Said(text);
}

Outcome WriteFailed(DeviceLink& link, OutcomeKind kind) {
  link.ui().SetProgress(0);
  link.ui().SetStatusText(msg::kParamsNotWritten);
  return link.Failure(kind).Said(msg::kParamsNotWritten);
}

// The frame after the request: sync bytes singly, the payload in 64-byte
// chunks with a pause after each (and another after every fourth), the
// checksum bytes singly with a pause between them. Progress every 8 bytes.
bool SendFrame(DeviceLink& link, const std::vector<std::uint8_t>& frame) {
  const std::size_t total = frame.size();
  Chunk chunk{};
  int chunks = 0;
  for (std::size_t j = 0; j < total; ++j) {
    if (j < 2) {
      if (!link.WriteByte(frame[j])) return false;
    } else if (j < total - 2) {
      chunk[(j - 2) % kChunkSize] = frame[j];
      if ((j - 2) % kChunkSize == kChunkSize - 1) {
        if (!link.WriteChunk(chunk)) return false;
        link.Pause(kPauseMs);
        if (++chunks % kChunksPerExtraPause == 0) link.Pause(kPauseMs);
      }
    } else if (j == total - 2) {
      if (!link.WriteByte(frame[j])) return false;
      link.Pause(kPauseMs);
      if (!link.WriteByte(frame[j + 1])) return false;
    }
    if (j % 8 == 7) {
      Progress(link.ui(), msg::kWriteProgress, static_cast<unsigned>((100 * j + 100) / total));
      link.Pump();
    }
  }
  return true;
}

}  // namespace

Outcome WriteParameterBlock(DeviceLink& link, ParameterArea area,
                            std::span<const std::int32_t> values) {
  UserInterface& ui = link.ui();
  if (!link.SendPacket(MakeCommandPacket(kCmdWriteParams, area.pageCount, area.startPage))) {
    return RequestFailed(link, msg::kWriteRequestFailed, OutcomeKind::SendFailed);
  }
  Progress(ui, msg::kWriteProgress, 0);
  link.Pause(kPauseMs);
  if (!SendFrame(link, BuildDataFrame(values.first(area.size()))))
    return WriteFailed(link, OutcomeKind::SendFailed);
  Progress(ui, msg::kWriteProgress, 100);
  link.Pause(kPauseMs);

  // Only byte 3 of the answer counts; the device may take a while to store the block.
  CommandPacket answer{};
  if (!link.ReadPacket(answer, kParamWriteAnswerTimeoutMs))
    return WriteFailed(link, OutcomeKind::NoAnswer);
  if (answer[3] != 0) return WriteFailed(link, OutcomeKind::Refused);
  ui.SetStatusText(msg::kParamsWritten);
  return Outcome().Said(msg::kParamsWritten);
}

Outcome ReadParameterBlock(DeviceLink& link, ParameterArea area, std::span<std::int32_t> out) {
  UserInterface& ui = link.ui();
  if (!link.SendPacket(MakeCommandPacket(kCmdReadParams, area.pageCount, area.startPage))) {
    return RequestFailed(link, msg::kReadRequestFailed, OutcomeKind::SendFailed);
  }
  link.Pause(kPauseMs);
  Progress(ui, msg::kReadProgress, 0);

  const std::size_t n = area.size();
  std::vector<std::uint8_t> frame;
  frame.reserve(n + 4);
  const auto note = [&](std::uint8_t byte) {
    char line[40];
    std::snprintf(line, sizeof line, "TxData[%zu] - %x", frame.size(), byte);
    link.TraceNote(line);
    frame.push_back(byte);
  };
  for (int i = 0; i < 2; ++i) {
    const std::optional<std::uint8_t> sync = link.ReadByte();
    if (!sync) return RequestFailed(link, msg::kNoReply, OutcomeKind::NoAnswer);
    note(*sync);
  }
  if (!DataFrameSyncOk(frame)) return RequestFailed(link, msg::kNoReply, OutcomeKind::BadReply);
  for (std::size_t c = 0; c < n / kChunkSize; ++c) {
    Chunk chunk{};
    if (!link.ReadChunk(chunk)) return RequestFailed(link, msg::kNoReply, OutcomeKind::NoAnswer);
    for (std::uint8_t byte : chunk) note(byte);
    // The value for the chunk's last byte: the window is not repainted in between.
    const std::size_t k = (c + 1) * kChunkSize - 1;
    Progress(ui, msg::kReadProgress, static_cast<unsigned>((100 * k + 100) / (n + 4)));
  }
  for (int i = 0; i < 2; ++i) {
    const std::optional<std::uint8_t> crc = link.ReadByte();
    if (!crc) return RequestFailed(link, msg::kNoReply, OutcomeKind::NoAnswer);
    note(*crc);
  }
  Progress(ui, msg::kReadProgress, 100);
  if (!DataFrameChecksumOk(frame)) {
    ui.SetStatusText(msg::kParamsCrcError);
    return Outcome(OutcomeKind::ChecksumError).Said(msg::kParamsCrcError);
  }
  for (std::size_t i = 0; i < n; ++i) out[i] = frame[i + 2];
  ui.SetStatusText(msg::kParamsRead);
  return Outcome().Said(msg::kParamsRead);
}

}  // namespace orten
