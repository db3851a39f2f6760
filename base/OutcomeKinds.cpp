#include "base/OutcomeKinds.h"

#include <array>
#include <cstddef>

namespace orten {

namespace {

using K = OutcomeKind;

// clang-format off
constexpr std::array<OutcomeKindRow, static_cast<std::size_t>(K::Count)> kRows{{
    {K::Done,           "done",            kToolDone,     nullptr},
    {K::Cancelled,      "cancelled",       kToolDevice,   nullptr},
    {K::Usage,          "usage",           kToolUsage,    nullptr},
    {K::NoDevice,       "no-device",       kToolNoDevice, nullptr},
    {K::SeveralDevices, "several-devices", kToolNoDevice, nullptr},
    {K::NotConfigured,  "not-configured",  kToolNoDevice, nullptr},
    {K::AccessRefused,  "access-refused",  kToolNoDevice, "нет доступа к прибору"},
    {K::UsbUnavailable, "usb-unavailable", kToolNoDevice, nullptr},
    {K::DeviceBusy,     "device-busy",     kToolNoDevice, "прибор занят другой программой"},
    {K::WrongFamily,    "wrong-family",    kToolDevice,   "другое семейство"},
    {K::SendFailed,     "send-failed",     kToolDevice,   "сбой передачи"},
    {K::NoAnswer,       "no-answer",       kToolDevice,   "нет ответа"},
    {K::BadReply,       "bad-reply",       kToolDevice,   "неверный ответ"},
    {K::ChecksumError,  "checksum-error",  kToolDevice,   "ошибка контрольной суммы"},
    {K::Refused,        "refused",         kToolDevice,   "прибор отказал"},
    {K::LinkFailed,     "link-failed",     kToolDevice,   "сбой линии"},
    {K::DeviceGone,     "device-gone",     kToolDevice,   "прибор отключен во время работы"},
    {K::VerifyFailed,   "verify-failed",   kToolDevice,   "проверка не пройдена"},
    {K::FileError,      "file-error",      kToolFile,     nullptr},
    {K::TimedOut,       "timed-out",       kToolNoDevice, nullptr},
}};
// clang-format on

// A row left out shifts the ones after it, and a new kind past the last row
// leaves a row empty: both stop the build here.
constexpr bool InEnumOrder() {
  for (std::size_t i = 0; i < kRows.size(); ++i) {
    if (kRows[i].kind != static_cast<K>(i) || kRows[i].name == nullptr) return false;
  }
  return true;
}
static_assert(InEnumOrder(), "one row per OutcomeKind, in the enum's order");

}  // namespace

std::span<const OutcomeKindRow> OutcomeKindRows() {
  return kRows;
}

const OutcomeKindRow& OutcomeKindFacts(OutcomeKind kind) {
  return kRows[static_cast<std::size_t>(kind)];
}

}  // namespace orten
