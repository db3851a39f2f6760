#pragma once

#include <cstdint>
#include <span>

#include "base/Outcome.h"

namespace orten {

class DeviceLink;

namespace msg {
inline constexpr const char* kFirmwareProgress = "Запись прошивки в прибор...";
inline constexpr const char* kFirmwareWritten = "Прошивка загружена успешно";
inline constexpr const char* kFirmwareNotWritten = "Ошибка: Прошивка не загружена";
}  // namespace msg

// Streams a firmware image to the connected device (head as single bytes,
// body in 64-byte blocks with a pause after every fourth, tail as two single
// bytes) and reads its verdict. Done when the device accepted the image. The
// stream stops at the first failed transfer; a verdict that never comes is a
// failure. The outcome's message is the box it showed.
Outcome WriteFirmwareImage(DeviceLink& link, std::span<const std::uint8_t> image);

}  // namespace orten
