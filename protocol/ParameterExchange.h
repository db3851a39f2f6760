#pragma once

#include <cstdint>
#include <span>

#include "base/Outcome.h"

namespace orten {

class DeviceLink;

// One area of the device's page-numbered parameter memory (256 bytes a page).
struct ParameterArea {
  std::uint8_t startPage;
  std::uint8_t pageCount;
  std::size_t size() const { return std::size_t{pageCount} * 256; }
};

// The receiver's registration memory and the relay module's output settings.
inline constexpr ParameterArea kRegistrationArea{0, 7};
inline constexpr ParameterArea kReleSettingsArea{7, 1};

namespace msg {
inline constexpr const char* kWriteRequestFailed =
    "Не могу отправить команду инициализации записи !";
inline constexpr const char* kReadRequestFailed =
    "Не могу отправить команду инициализации чтения !";
inline constexpr const char* kWriteProgress = "Запись параметров в прибор...";
inline constexpr const char* kReadProgress = "Чтение параметров из прибора...";
inline constexpr const char* kParamsWritten = "Параметры загружены успешно";
inline constexpr const char* kParamsNotWritten = "Ошибка: Параметры не загружены";
inline constexpr const char* kParamsRead = "Параметры считаны успешно !";
inline constexpr const char* kParamsCrcError = "Ошибка CRC! Параметры не считаны !";
}  // namespace msg

// Sends a write request and the data frame built from values (area.size()
// of them; only the low 8 bits travel), paced as the device needs, then
// reads the device's answer. Done when the device accepted the block. Stops
// at the first failed transfer; an answer that never comes is a failure.
// Either way the outcome's message is the status line it left.
Outcome WriteParameterBlock(DeviceLink& link, ParameterArea area,
                            std::span<const std::int32_t> values);

// Sends a read request and receives the device's data frame. When done, out
// (area.size() entries) holds the payload bytes 0-255; otherwise out is left
// as it was. The outcome's message is the status line it left.
Outcome ReadParameterBlock(DeviceLink& link, ParameterArea area, std::span<std::int32_t> out);

}  // namespace orten
