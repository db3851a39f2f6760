#include "params/ReleSettings.h"

#include <algorithm>

namespace orten {

namespace {

constexpr int kLastCode = kTimeCodeCount - 1;
constexpr int kHalfSecondsPerSecond = 2;
constexpr int kSecondsPerDurationStep = 5;

bool IsTimeEntry(int entry) {
  return entry >= rele::ClosingEntry(1) && entry <= rele::DurationEntry(kReleCount);
}

bool IsModeEntry(int entry) {
  return entry >= rele::ModeEntry(1) && entry <= rele::ModeEntry(kReleCount);
}

template <typename TextOf>
std::vector<std::string> List(TextOf text) {
  std::vector<std::string> items;
  items.reserve(kTimeCodeCount);
  for (int code = 0; code < kTimeCodeCount; ++code) items.push_back(text(code));
  return items;
}

}  // namespace

namespace rele {

bool IsReserved(int entry) {
  return std::find(kReserved.begin(), kReserved.end(), entry) != kReserved.end();
}

bool IsBitmask(int entry) {
  return (entry >= 0 && entry <= kPowerCD) || entry == kAlarmEvent || entry == kErrorFire ||
         (entry >= kOnOffLine && entry <= kNoLine) || entry == kInvRele;
}

}  // namespace rele

std::string HalfSecondText(int code) {
  if (code <= 0) return "---";
  if (code >= kLastCode) return "пост.";
  const std::string whole = std::to_string(code / kHalfSecondsPerSecond);
  return (code % kHalfSecondsPerSecond == 0 ? whole : whole + ".5") + " сек";
}

std::string FiveSecondText(int code) {
  if (code <= 0) return "---";
  if (code >= kLastCode) return "пост.";
  const int seconds = code * kSecondsPerDurationStep;
  const std::string minutes = std::to_string(seconds / 60);
  const std::string rest = std::to_string(seconds % 60);
  if (seconds < 60) return rest + " сек";
  if (seconds % 60 == 0) return minutes + " мин";
  return minutes + " м " + rest + " с";
}

std::string ClosingTimeText(int output, int code) {
  if (output == kOpenCollectorOutput && code == 0) return "---/1 сек";
  return HalfSecondText(code);
}

std::string OpeningTimeText(int output, int code) {
  if (output == kOpenCollectorOutput && code == kLastCode) return "пост./1 сек";
  return HalfSecondText(code);
}

std::vector<std::string> ClosingTimeList(int output) {
  return List([output](int code) { return ClosingTimeText(output, code); });
}

std::vector<std::string> OpeningTimeList(int output) {
  return List([output](int code) { return OpeningTimeText(output, code); });
}

std::vector<std::string> DurationList() {
  return List(FiveSecondText);
}

int ModeItemOfCode(std::int32_t code) {
  if (code < 1) return -1;
  return std::min<std::int32_t>(code, kWorkModeCount) - 1;
}

ReleTable NormalizeReleSettings(std::span<const std::int32_t> table) {
  ReleTable out{};
  for (int e = 0; e < static_cast<int>(kReleParamCount); ++e) {
    const std::int32_t v = table[static_cast<std::size_t>(e)];
    if (rele::IsBitmask(e)) {
      out[static_cast<std::size_t>(e)] = v & rele::kOutputMask;
    } else if (IsTimeEntry(e)) {
      out[static_cast<std::size_t>(e)] = v & kLastCode;
    } else if (IsModeEntry(e)) {
      out[static_cast<std::size_t>(e)] = ModeItemOfCode(v) + 1;
    }
  }
  return out;
}

OutputSettings OutputOf(std::span<const std::int32_t> table, int output) {
  const auto at = [&table](int entry) { return table[static_cast<std::size_t>(entry)]; };
  const int bit = rele::OutputBit(output);
  OutputSettings s;
  s.modeItem = ModeItemOfCode(at(rele::ModeEntry(output)));
  s.opening = at(rele::OpeningEntry(output)) & kLastCode;
  s.closing = at(rele::ClosingEntry(output)) & kLastCode;
  s.duration = at(rele::DurationEntry(output)) & kLastCode;
  s.inverse = (at(rele::kInvRele) & bit) != 0;
  for (std::size_t i = 0; i < kNotifications.size(); ++i) {
    s.notifications[i] = (at(kNotifications[i].entry) & bit) != 0;
  }
  for (std::size_t k = 0; k < s.partitions.size(); ++k) {
    s.partitions[k] = (at(static_cast<int>(k)) & bit) != 0;
  }
  return s;
}

}  // namespace orten
