#include "tests/support/FaultRules.h"

namespace orten::test {

namespace {

constexpr std::uint64_t kPacket = 8;
constexpr std::uint64_t kFrameExtra = 4;  // two sync bytes, two checksum bytes
constexpr std::uint64_t kSyncBytes = 2;
constexpr const char* kAppCaption = "Программа настройки РПУ Ортен-ДЕЗ";
constexpr const char* kWarning = "Внимание!";

bool IsOut(Phase p) {
  return p == Phase::ConnectRequest || p == Phase::DisconnectCommand || p == Phase::ReadRequest ||
         p == Phase::WriteRequest || p == Phase::FrameOut || p == Phase::Image;
}

bool ChecksReply(Phase p) {
  return p == Phase::ConnectReply || p == Phase::FrameIn;
}

bool IsAnswer(Phase p) {
  return p == Phase::WriteAnswer || p == Phase::Verdict;
}

Box App(const char* text) {
  return {text, kAppCaption};
}

}  // namespace

std::string FaultCase::Name() const {
  const auto at_ = [this](const char* name) { return name + ("@" + std::to_string(at)); };
  switch (kind) {
    case FaultKind::None:
      return "none";
    case FaultKind::NoDevice:
      return "no-device";
    case FaultKind::TwoDevices:
      return "two-devices";
    case FaultKind::PipeOpen:
      return "pipe-open";
    case FaultKind::NoAccess:
      return "no-access";
    case FaultKind::Busy:
      return "busy";
    case FaultKind::WriteFail:
      return at_("write-fail");
    case FaultKind::Unplug:
      return at_("unplug");
    case FaultKind::UnplugRead:
      return at_("unplug-read");
    case FaultKind::ReadTimeout:
      return at_("read-timeout");
    case FaultKind::ShortChunk:
      return at_("short-chunk");
    case FaultKind::BadSync:
      return "bad-sync";
    case FaultKind::BadChecksum:
      return "bad-checksum";
    case FaultKind::Reject:
      return "reject";
    case FaultKind::NoAnswer:
      return "no-answer";
    case FaultKind::Corrupt:
      return at_("corrupt");
  }
  return {};
}

SimFaults FaultCase::DeviceFaults() const {
  SimFaults f;
  switch (kind) {
    case FaultKind::PipeOpen:
      f.pipeOpenFails = true;
      break;
    case FaultKind::NoAccess:
      f.accessRefused = true;
      break;
    case FaultKind::Busy:
      f.heldElsewhere = true;
      break;
    case FaultKind::WriteFail:
      f.failWriteAtByte = at;
      break;
    case FaultKind::Unplug:
      f.unplugAtByte = at;
      break;
    case FaultKind::UnplugRead:
      f.unplugAtReadByte = at;
      break;
    case FaultKind::ReadTimeout:
      f.readTimeoutAtByte = at;
      break;
    case FaultKind::ShortChunk:
      f.shortChunkAtByte = at;
      break;
    case FaultKind::BadSync:
      f.badSync = true;
      break;
    case FaultKind::BadChecksum:
      f.badChecksum = true;
      break;
    case FaultKind::Reject:
      f.reject = true;
      break;
    case FaultKind::NoAnswer:
      f.noAnswer = true;
      break;
    case FaultKind::Corrupt:
      f.corruptAtByte = at;
      break;
    case FaultKind::None:
    case FaultKind::NoDevice:
    case FaultKind::TwoDevices:
      break;
  }
  return f;
}

std::vector<FaultCase> MatrixFaults(const std::vector<std::uint64_t>& writeAt,
                                    const std::vector<std::uint64_t>& readAt,
                                    const std::vector<std::uint64_t>& corruptAt) {
  std::vector<FaultCase> faults{{FaultKind::None},       {FaultKind::NoDevice},
                                {FaultKind::TwoDevices}, {FaultKind::PipeOpen},
                                {FaultKind::NoAccess},   {FaultKind::Busy}};
  for (FaultKind kind : {FaultKind::WriteFail, FaultKind::Unplug}) {
    for (std::uint64_t at : writeAt) faults.push_back({kind, at});
  }
  for (FaultKind kind : {FaultKind::ReadTimeout, FaultKind::UnplugRead, FaultKind::ShortChunk}) {
    for (std::uint64_t at : readAt) faults.push_back({kind, at});
  }
  for (FaultKind kind :
       {FaultKind::BadSync, FaultKind::BadChecksum, FaultKind::Reject, FaultKind::NoAnswer}) {
    faults.push_back({kind});
  }
  for (std::uint64_t at : corruptAt) faults.push_back({FaultKind::Corrupt, at});
  return faults;
}

PhaseSpan Discovery() {
  return {Phase::Discovery};
}

PhaseSpan Packet(Phase phase) {
  return IsOut(phase) ? PhaseSpan{phase, kPacket, 0} : PhaseSpan{phase, 0, kPacket};
}

PhaseSpan FrameIn(std::uint64_t payload) {
  return {Phase::FrameIn, 0, payload + kFrameExtra};
}

PhaseSpan FrameOut(std::uint64_t payload) {
  return {Phase::FrameOut, payload + kFrameExtra, 0};
}

PhaseSpan Image(std::uint64_t size) {
  return {Phase::Image, size, 0};
}

std::vector<PhaseSpan> ConnectPhases() {
  return {Discovery(), Packet(Phase::ConnectRequest), Packet(Phase::ConnectReply)};
}

std::optional<Phase> FirstBite(const std::vector<PhaseSpan>& phases, const FaultCase& fault) {
  std::uint64_t host = 0;
  std::uint64_t device = 0;
  const auto holds = [&fault](std::uint64_t first, std::uint64_t count) {
    return fault.at >= first && fault.at < first + count;
  };
  for (const PhaseSpan& span : phases) {
    const Phase p = span.phase;
    bool bites = false;
    switch (fault.kind) {
      case FaultKind::None:
        break;
      case FaultKind::NoDevice:
        bites = p == Phase::Discovery || (span.hostBytes > 0 && host == 0);
        break;
      case FaultKind::TwoDevices:
      case FaultKind::PipeOpen:
      case FaultKind::NoAccess:
      case FaultKind::Busy:
        bites = p == Phase::Discovery;
        break;
      case FaultKind::WriteFail:
      case FaultKind::Unplug:
        bites = holds(host, span.hostBytes);
        break;
      case FaultKind::UnplugRead:
      case FaultKind::ReadTimeout:
        bites = holds(device, span.deviceBytes);
        break;
      case FaultKind::ShortChunk:  // only the payload is read 64 bytes at a time
        bites = p == Phase::FrameIn && holds(device + kSyncBytes, span.deviceBytes - kFrameExtra);
        break;
      case FaultKind::BadSync:
      case FaultKind::BadChecksum:
        bites = ChecksReply(p);
        break;
      case FaultKind::Reject:
      case FaultKind::NoAnswer:
        bites = IsAnswer(p);
        break;
      case FaultKind::Corrupt:
        break;
    }
    if (bites) return p;
    host += span.hostBytes;
    device += span.deviceBytes;
  }
  return std::nullopt;
}

bool ShowsTransportError(const FaultCase& fault, Phase bitten) {
  switch (fault.kind) {
    case FaultKind::NoDevice:
    case FaultKind::TwoDevices:
      return bitten != Phase::Discovery;
    case FaultKind::BadSync:
    case FaultKind::BadChecksum:
    case FaultKind::Reject:
    case FaultKind::None:
      return false;
    default:
      return true;
  }
}

bool TakesTheDeviceAway(const FaultCase& fault, Phase bitten) {
  // Missed by a transfer, not by a discovery that finds the line empty.
  return fault.kind == FaultKind::Unplug || fault.kind == FaultKind::UnplugRead ||
         (fault.kind == FaultKind::NoDevice && bitten != Phase::Discovery);
}

std::optional<std::uint64_t> KeptOtherwise(const std::vector<PhaseSpan>& phases,
                                           const FaultCase& fault) {
  if (fault.kind != FaultKind::Corrupt) return std::nullopt;
  std::uint64_t host = 0;
  for (const PhaseSpan& span : phases) {
    const std::uint64_t at = fault.at - host;  // within this span, when it is
    if (fault.at >= host && at < span.hostBytes) {
      if (span.phase == Phase::FrameOut && at >= kSyncBytes && at < span.hostBytes - 2)
        return at - kSyncBytes;
      if (span.phase == Phase::Image && at == 3) return at;
      return std::nullopt;
    }
    host += span.hostBytes;
  }
  return std::nullopt;
}

JournalGain JournalGainOf(const std::optional<Phase>& bitten) {
  if (bitten && (*bitten == Phase::Discovery || *bitten == Phase::ConnectRequest ||
                 *bitten == Phase::ConnectReply)) {
    return {0, false};
  }
  return {1, !bitten || *bitten == Phase::DisconnectCommand};
}

bool DeviceTookTheData(const std::vector<PhaseSpan>& phases, const std::optional<Phase>& bitten,
                       const FaultCase& fault) {
  // The whole frame or image arrived before the fault bit: the device
  // stored it, unless it then answered "no". Losing the answer, or the
  // disconnect after it, takes nothing back.
  for (const PhaseSpan& span : phases) {
    if (bitten == span.phase) return false;
    if (span.phase == Phase::FrameOut || span.phase == Phase::Image)
      return fault.kind != FaultKind::Reject;
  }
  return false;
}

PhaseFailure FailureOf(Phase phase, const FaultCase& fault) {
  switch (phase) {
    case Phase::Discovery:
      if (fault.kind == FaultKind::NoDevice) {
        return {{{"Приборы марки Ортен отключены от линии USB!", kWarning}},
                "Приборы марки Ортен отключены от линии USB!"};
      }
      if (fault.kind == FaultKind::TwoDevices) {
        return {{{"Подключено более 1 прибора марки Ортен!\nОставьте только 1 прибор на линии USB!",
                  kWarning}},
                "Подключено более 1 прибора марки Ортен! Оставьте только 1 прибор на линии USB!"};
      }
      // Pipes that won't open: found, and the first write of the connect fails.
      return {{App("Не могу отправить команду инициализации связи !")}, {}};
    case Phase::ConnectRequest:
      return {{App("Не могу отправить команду инициализации связи !")}, {}};
    case Phase::ConnectReply:
      if (fault.kind == FaultKind::BadSync) return {{App("Ответ получен. Пакет неверный !")}, {}};
      if (fault.kind == FaultKind::BadChecksum) return {{App("Ответ получен. Ошибка CRC !")}, {}};
      return {{App("Нет ответа от прибора !")}, {}};
    case Phase::DisconnectCommand:
      return {{App("Не могу отправить команду разрыва связи !")}, {}};
    case Phase::ReadRequest:
      return {{App("Не могу отправить команду инициализации чтения !")},
              "Не могу отправить команду инициализации чтения !"};
    case Phase::FrameIn:
      if (fault.kind == FaultKind::BadChecksum) return {{}, "Ошибка CRC! Параметры не считаны !"};
      return {{App("Нет ответа от прибора !")}, "Нет ответа от прибора !"};
    case Phase::WriteRequest:
      return {{App("Не могу отправить команду инициализации записи !")},
              "Не могу отправить команду инициализации записи !"};
    case Phase::FrameOut:
    case Phase::WriteAnswer:
      return {{}, "Ошибка: Параметры не загружены"};
    case Phase::Image:
    case Phase::Verdict:
      return {{App("Ошибка: Прошивка не загружена")}, "Ошибка: Прошивка не загружена"};
  }
  return {};
}

}  // namespace orten::test
