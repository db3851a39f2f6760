#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/Outcome.h"

namespace orten {

class DeviceLink;

// The firmware family a device runs, from its version byte.
enum class DeviceMode : std::uint8_t { Receiver = 0, Relay = 1, None = 255 };

struct DeviceIdentity {
  std::uint8_t version = 0;
  DeviceMode mode = DeviceMode::None;
};

// Version byte 100 and above: receiver family (РПУ/РТР); below: relay module (МРО).
DeviceMode FamilyOfVersion(std::uint8_t version);
std::string DeviceTypeText(DeviceMode mode);
// The families as the command line, the journal and --json spell them: "rpu"
// (receivers) and "mro" (relay modules); "" for None, and None for any other word.
const char* FamilyToken(DeviceMode mode);
DeviceMode FamilyOfToken(std::string_view token);
// "4_5", "12_3", ... as the device and firmware versions are shown; empty for None.
std::string VersionText(int version, DeviceMode mode);

// The connect command (code 0xA0 on "Главная", 0xAA on the work pages). On a
// good reply returns the device's identity and sets the status text; on
// failure has shown its message and says what failed.
Result<DeviceIdentity> SendConnect(DeviceLink& link, std::uint8_t code);
// Done when all eight bytes were written. The device sends no reply.
Outcome SendDisconnect(DeviceLink& link);

namespace msg {
inline constexpr const char* kConnectSendFailed = "Не могу отправить команду инициализации связи !";
inline constexpr const char* kReplyBadPacket = "Ответ получен. Пакет неверный !";
inline constexpr const char* kReplyBadCrc = "Ответ получен. Ошибка CRC !";
inline constexpr const char* kNoReply = "Нет ответа от прибора !";
inline constexpr const char* kDisconnectSendFailed = "Не могу отправить команду разрыва связи !";
inline constexpr const char* kLinkEstablished = "Связь с прибором установлена";
inline constexpr const char* kReceiverType = "Радиоприемное устройство (РПУ/РТР)";
inline constexpr const char* kRelayType = "Модуль реле и оповещения (МРО)";
// Discovery outcomes, as the connect workflow reports them.
inline constexpr const char* kNoDevices = "Приборы марки Ортен отключены от линии USB!";
inline constexpr const char* kSeveralDevicesStatus =
    "Подключено более 1 прибора марки Ортен! Оставьте только 1 прибор на линии USB!";
inline constexpr const char* kSeveralDevices =
    "Подключено более 1 прибора марки Ортен!\nОставьте только 1 прибор на линии USB!";
}  // namespace msg

}  // namespace orten
