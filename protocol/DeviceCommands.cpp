#include "protocol/DeviceCommands.h"

#include "base/UserInterface.h"
#include "protocol/DeviceLink.h"
#include "protocol/Packets.h"

namespace orten {

DeviceMode FamilyOfVersion(std::uint8_t version) {
  return version >= 100 ? DeviceMode::Receiver : DeviceMode::Relay;
}

const char* FamilyToken(DeviceMode mode) {
  return mode == DeviceMode::Receiver ? "rpu" : mode == DeviceMode::Relay ? "mro" : "";
}

DeviceMode FamilyOfToken(std::string_view token) {
  for (const DeviceMode mode : {DeviceMode::Receiver, DeviceMode::Relay}) {
    if (token == FamilyToken(mode)) return mode;
  }
  return DeviceMode::None;
}

std::string DeviceTypeText(DeviceMode mode) {
  switch (mode) {
    case DeviceMode::Receiver:
      return msg::kReceiverType;
    case DeviceMode::Relay:
      return msg::kRelayType;
    case DeviceMode::None:
      break;
  }
  return {};
}

std::string VersionText(int version, DeviceMode mode) {
  const int v = version & 0xFF;
  const int hundreds = v / 100;
  const int tens = (v % 100) / 10;
  const int units = v % 10;
  switch (mode) {
    case DeviceMode::Receiver:  // 123 reads 12_3
      return std::to_string(v / 10) + "_" + std::to_string(units);
    case DeviceMode::Relay:  // the tens digit is not shown above 99: 123 reads 1_3
      return std::to_string(v >= 100 ? hundreds : tens) + "_" + std::to_string(units);
    case DeviceMode::None:
      break;
  }
  return {};
}

Result<DeviceIdentity> SendConnect(DeviceLink& link, std::uint8_t code) {
  UserInterface& ui = link.ui();
  link.FlushWritePipe();
  link.FlushReadPipe();
  CommandPacket packet = MakeCommandPacket(code, kCmdConnectWork);
  if (!link.SendPacket(packet)) {
    ui.ShowMessage(msg::kConnectSendFailed);
    return link.Failure(OutcomeKind::SendFailed);
  }
  link.FlushWritePipe();
  // The reply overwrites the request, as on the device's side of the wire.
  if (!link.ReadPacket(packet)) {
    ui.ShowMessage(msg::kNoReply);
    return link.Failure(OutcomeKind::NoAnswer);
  }
  if (!PacketHasSync(packet)) {
    ui.ShowMessage(msg::kReplyBadPacket);
    return OutcomeKind::BadReply;
  }
  if (!PacketChecksumOk(packet)) {
    ui.ShowMessage(msg::kReplyBadCrc);
    return OutcomeKind::ChecksumError;
  }
  link.FlushReadPipe();
  DeviceIdentity identity{packet[3], FamilyOfVersion(packet[3])};
  ui.SetStatusText(msg::kLinkEstablished);
  link.FlushWritePipe();
  return identity;
}

Outcome SendDisconnect(DeviceLink& link) {
  // A device that was pulled out has been reported once already; there is
  // nobody to say goodbye to.
  if (link.DeviceGone()) return OutcomeKind::DeviceGone;
  link.FlushWritePipe();
  link.FlushReadPipe();
  if (!link.SendPacket(MakeCommandPacket(kCmdConnectMain))) {
    link.ui().ShowMessage(msg::kDisconnectSendFailed);
    return link.Failure(OutcomeKind::SendFailed);
  }
  link.FlushWritePipe();
  return {};
}

}  // namespace orten
