#include "protocol/FirmwareWriter.h"

#include <string>

#include "base/UserInterface.h"
#include "protocol/DeviceLink.h"
#include "protocol/FirmwareImage.h"

namespace orten {

namespace {

constexpr std::size_t kHeadSize = 8;
constexpr int kBlocksPerPause = 4;
constexpr int kBlockPauseMs = 10;
constexpr int kTailPauseMs = 10;
constexpr int kVerdictPauseMs = 25;

void ShowProgress(DeviceLink& link, unsigned percent) {
  UserInterface& ui = link.ui();
  ui.SetProgress(static_cast<int>(percent));
  link.Pump();
  ui.SetStatusText(msg::kFirmwareProgress + std::to_string(percent) + "%");
}

Outcome Fail(DeviceLink& link, OutcomeKind kind) {
  UserInterface& ui = link.ui();
  ui.SetProgress(0);
  ui.SetStatusText(msg::kFirmwareNotWritten);
  ui.ShowMessage(msg::kFirmwareNotWritten);
  return link.Failure(kind).Said(msg::kFirmwareNotWritten);
}

// Sends the stream; false at the first transfer that fails.
bool SendStream(DeviceLink& link, std::span<const std::uint8_t> image) {
  const std::size_t n = image.size();
  Chunk block{};
  int blocksSincePause = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (i < kHeadSize) {
      if (!link.WriteByte(image[i])) return false;
    } else if (i + 2 < n) {  // the last two bytes travel singly below
      block[(i - kHeadSize) % kChunkSize] = image[i];
      if ((i - kHeadSize) % kChunkSize == kChunkSize - 1) {
        if (!link.WriteChunk(block)) return false;
        ++blocksSincePause;
      }
    }
    if (blocksSincePause == kBlocksPerPause) {
      blocksSincePause = 0;
      link.Pause(kBlockPauseMs);
    }
    if (i + 2 == n) {
      if (!link.WriteByte(image[n - 2])) return false;
      link.Pause(kTailPauseMs);
      if (!link.WriteByte(image[n - 1])) return false;
    }
    if (i % 8 == 7) ShowProgress(link, static_cast<unsigned>((100 * i + 100) / (n + 7)));
  }
  return true;
}

}  // namespace

bool IsWritableFirmwareLength(std::uintmax_t size) {
  return size >= 10 && (size - 10) % kChunkSize == 0;
}

Outcome WriteFirmwareImage(DeviceLink& link, std::span<const std::uint8_t> image) {
  UserInterface& ui = link.ui();
  ui.SetProgress(0);
  ui.SetStatusText(std::string(msg::kFirmwareProgress) + "0%");
  // Only whole blocks reach the device; anything else is refused before a byte goes out.
  if (!IsWritableFirmwareLength(image.size())) return Fail(link, OutcomeKind::FileError);
  if (!SendStream(link, image)) return Fail(link, OutcomeKind::SendFailed);
  ui.SetProgress(100);
  ui.SetStatusText(std::string(msg::kFirmwareProgress) + "100%");
  link.Pause(kVerdictPauseMs);

  // The device may be busy programming: the first answer byte may take long.
  CommandPacket answer{};
  for (std::size_t i = 0; i < answer.size(); ++i) {
    const std::optional<std::uint8_t> byte =
        link.ReadByte(i == 0 ? kFirmwareVerdictTimeoutMs : kReplyTimeoutMs);
    if (!byte) return Fail(link, OutcomeKind::NoAnswer);
    answer[i] = *byte;
  }
  if (answer[3] != 0) return Fail(link, OutcomeKind::Refused);
  ui.SetStatusText(msg::kFirmwareWritten);
  ui.ShowMessage(msg::kFirmwareWritten);
  return Outcome().Said(msg::kFirmwareWritten);
}

}  // namespace orten
