#include "params/ReleModeRules.h"

#include <array>

#include "params/ReleSettings.h"

namespace orten {

namespace {

constexpr int kPermanent = 255;
constexpr int kHalfSecond = 1;
constexpr int kTenSeconds = 20;
constexpr int kTwoMinutes = 24;

constexpr ComboRule Locked(int code) {
  return {code, false};
}
constexpr ComboRule Free(int code) {
  return {code, true};
}

constexpr int kAlarm = NotificationBit(Notification::AlarmEvent);
constexpr int kOnOff = NotificationBit(Notification::OnOffLine);
constexpr int kOnOffAll = NotificationBit(Notification::OnOffAllLine);

// By mode item: opening, closing, duration, inverse, notifications free,
// checked notifications.
constexpr std::array<ModeRule, kWorkModeCount> kRules = {{
    // "ПЦН тревога"
    {Locked(kPermanent), Locked(0), Locked(0), Locked(0), false, kAlarm | kOnOffAll},
    // "Контрольная лампа"
    {Locked(kHalfSecond), Locked(kHalfSecond), Locked(kPermanent), Locked(0), false,
     kAlarm | kOnOffAll},
    // "Взят/снят"
    {Locked(0), Locked(kPermanent), Locked(0), Locked(0), false, kOnOffAll},
    // "Звуковой"
    {Locked(kPermanent), Locked(0), Locked(0), Locked(1), false, kAlarm},
    // "Тревога"
    {Locked(kPermanent), Locked(0), Locked(0), Locked(0), false, kAlarm},
    // "Исполнительный"
    {Locked(0), Locked(kTenSeconds), Locked(0), Locked(0), false, kOnOff},
    // "Специальный"
    {Free(0), Free(0), Free(0), Free(0), true, kOnOff},
}};

}  // namespace

ModeRule ModeRuleFor(int item, int output) {
  ModeRule rule = kRules.at(static_cast<std::size_t>(item));
  if (item == kSoundModeItem && output == kOpenCollectorOutput) rule.duration = Free(kTwoMinutes);
  return rule;
}

}  // namespace orten
