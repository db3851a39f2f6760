#pragma once

#include <cstdint>

namespace orten {

// What choosing a work mode does to an output: it sets the three times and
// the inverse mode, each to a fixed code and locked or free, and checks a
// fixed set of notifications.
struct ComboRule {
  int code;  // item index of the list
  bool enabled;
};

struct ModeRule {
  ComboRule opening;   // TimeRzmk
  ComboRule closing;   // TimeZmk
  ComboRule duration;  // TimePeriod
  ComboRule inverse;   // InvRele: 0 "Нет ", 1 "Да"
  bool notificationsEnabled;
  int checked;  // NotificationBit()s of the only boxes left checked
};

// The rule of work-mode item `item` (0-6) on output 1-3. Only the
// open-collector output keeps a sounding duration ("Звуковой": two
// minutes, editable); the relays sound without one.
ModeRule ModeRuleFor(int item, int output);

}  // namespace orten
