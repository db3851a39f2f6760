#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orten {

// The settings of the relay module's three outputs (relay 1, relay 2, the
// open-collector output): 45 byte values. The same 45 values are the first
// bytes of the output-settings page, the lines of a .cfg file and the
// factory defaults.
inline constexpr int kReleCount = 3;
inline constexpr std::size_t kReleParamCount = 45;
inline constexpr int kPartitionCount = 16;
inline constexpr int kWorkModeCount = 7;
inline constexpr int kTimeCodeCount = 256;

using ReleTable = std::array<std::int32_t, kReleParamCount>;

namespace rele {

// Entry k - 1 tells which outputs partition k is bound to. Every bitmask
// entry has output n at bit n - 1; higher bits name no output.
inline constexpr int kSelfDamage = 16;
inline constexpr int kRadioChanBlck = 17;
inline constexpr int kDamageCD = 18;
inline constexpr int kPowerCD = 19;
inline constexpr int kAlarmEvent = 21;
inline constexpr int kErrorFire = 23;
inline constexpr int kOnOffLine = 26;
inline constexpr int kOnOffAllLine = 27;
inline constexpr int kNoLine = 28;
inline constexpr int kInvRele = 32;
// Entries without meaning: always sent and saved as 0.
inline constexpr std::array<int, 7> kReserved = {20, 22, 24, 25, 29, 30, 31};
inline constexpr int kOutputMask = 0x07;

constexpr int OutputBit(int output) {
  return 1 << (output - 1);
}
// Each output's three times, closing first, then its work mode.
constexpr int ClosingEntry(int output) {
  return 33 + 3 * (output - 1);
}
constexpr int OpeningEntry(int output) {
  return 34 + 3 * (output - 1);
}
constexpr int DurationEntry(int output) {
  return 35 + 3 * (output - 1);
}
constexpr int ModeEntry(int output) {
  return 42 + (output - 1);
}

bool IsReserved(int entry);
// Entries 0-19, 21, 23, 26-28 and 32.
bool IsBitmask(int entry);

}  // namespace rele

// The nine notifications an output may react to, in the order the page
// walks its boxes.
enum class Notification : int {
  AlarmEvent,
  OnOffLine,
  OnOffAllLine,
  ErrorFire,
  RadioChanBlck,
  DamageCD,
  SelfDamage,
  NoLine,
  PowerCD,
};
inline constexpr int kNotificationCount = 9;

struct NotificationInfo {
  const char* name;     // control name without the output number
  const char* caption;  // as the page shows it
  int entry;
};
inline constexpr std::array<NotificationInfo, kNotificationCount> kNotifications = {{
    {"AlarmEvent", "Тревога/пожар (разделы)", rele::kAlarmEvent},
    {"OnOffLine", "Взятие по одному/Снятие по всем ", rele::kOnOffLine},
    {"OnOffAllLine", "Взятие по всем/Снятие по одному", rele::kOnOffAllLine},
    {"ErrorFire", "Неисправность (разделы)", rele::kErrorFire},
    {"RadioChanBlck", "Блокирование РК (оборуд-е)", rele::kRadioChanBlck},
    {"DamageCD", "Вскрытие (оборуд-е)", rele::kDamageCD},
    {"SelfDamage", "Собственное вскрытие", rele::kSelfDamage},
    {"NoLine", "Неисп. линии связи (оборуд-е)", rele::kNoLine},
    {"PowerCD", "Неисправ. питания (оборуд-е)", rele::kPowerCD},
}};

constexpr int NotificationBit(Notification n) {
  return 1 << static_cast<int>(n);
}

// Work modes by item index; the stored code is the item index + 1.
inline constexpr std::array<const char*, kWorkModeCount> kWorkModeNames = {
    "ПЦН тревога", "Контрольная лампа", "Взят/снят",  "Звуковой",
    "Тревога",     "Исполнительный",    "Специальный"};
inline constexpr int kSoundModeItem = 3;
inline constexpr int kSpecialModeItem = 6;
inline constexpr int kOpenCollectorOutput = 3;

inline constexpr std::array<const char*, 2> kInverseItems = {"Нет ", "Да"};
inline constexpr std::array<const char*, 3> kOutputNames = {"Реле №1", "Реле №2", "Выход ОК №1"};

// The texts of the time lists; the item index is the stored code. Closing
// and opening times count half seconds, the notification duration five
// seconds; 0 is "---", 255 "пост.". On the open-collector output the
// closing time's 0 and the opening time's 255 read "---/1 сек" and
// "пост./1 сек".
std::string HalfSecondText(int code);
std::string FiveSecondText(int code);
std::string ClosingTimeText(int output, int code);
std::string OpeningTimeText(int output, int code);
std::vector<std::string> ClosingTimeList(int output);
std::vector<std::string> OpeningTimeList(int output);
std::vector<std::string> DurationList();

// Relays 1 and 2 free ("Специальный"), the open-collector output sounding
// ("Звуковой") for two minutes, inverted.
inline constexpr ReleTable kFactoryReleSettings = {
    5, 5,   5,  5, 5, 5, 5, 5,  // partitions 1-8: relay 1 and the open-collector output
    6, 6,   6,  6, 6, 6, 6, 6,  // partitions 9-16: relay 2 and the open-collector output
    0, 0,   0,  0, 0,           // SelfDamage, RadioChanBlck, DamageCD, PowerCD, reserved
    7, 0,   3,  0, 0,           // AlarmEvent, reserved, ErrorFire, reserved, reserved
    0, 3,   3,  0, 0, 0,        // OnOffLine, OnOffAllLine, NoLine, reserved x3
    4,                          // InvRele
    0, 255, 0,                  // output 1: closing, opening, duration
    0, 255, 0,                  // output 2
    0, 255, 24,                 // output 3
    7, 7,   4};                 // work modes

// The mode item a stored code selects: none for codes below 1, the last
// item for codes above 7.
int ModeItemOfCode(std::int32_t code);

// What the page makes of a table when it shows it and collects it again:
// bitmasks keep the output bits only, reserved entries become 0, times keep
// their low byte, and mode codes are limited to 0-7. The window writes and
// saves tables in this form.
ReleTable NormalizeReleSettings(std::span<const std::int32_t> table);

// One output's settings as the page shows them.
struct OutputSettings {
  int modeItem = -1;  // 0-6, -1 for none
  int opening = 0;    // half-second code
  int closing = 0;    // half-second code
  int duration = 0;   // five-second code
  bool inverse = false;
  std::array<bool, kNotificationCount> notifications{};
  std::array<bool, kPartitionCount> partitions{};
};
OutputSettings OutputOf(std::span<const std::int32_t> table, int output);

}  // namespace orten
