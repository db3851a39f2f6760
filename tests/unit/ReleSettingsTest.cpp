#include <gtest/gtest.h>

#include <set>

#include "params/ReleModeRules.h"
#include "params/ReleSettings.h"

namespace orten {
namespace {

struct CodeText {
  int code;
  const char* text;
};

void PrintTo(const CodeText& c, std::ostream* os) {
  *os << "Code" << c.code;
}

class HalfSecondList : public testing::TestWithParam<CodeText> {};

TEST_P(HalfSecondList, ItemReads) {
  EXPECT_EQ(ClosingTimeList(1).at(static_cast<std::size_t>(GetParam().code)), GetParam().text);
  EXPECT_EQ(OpeningTimeList(2).at(static_cast<std::size_t>(GetParam().code)), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Codes, HalfSecondList,
                         testing::Values(CodeText{0, "---"}, CodeText{1, "0.5 сек"},
                                         CodeText{2, "1 сек"}, CodeText{3, "1.5 сек"},
                                         CodeText{20, "10 сек"}, CodeText{21, "10.5 сек"},
                                         CodeText{253, "126.5 сек"}, CodeText{254, "127 сек"},
                                         CodeText{255, "пост."}),
                         testing::PrintToStringParamName());

class FiveSecondList : public testing::TestWithParam<CodeText> {};

TEST_P(FiveSecondList, ItemReads) {
  EXPECT_EQ(DurationList().at(static_cast<std::size_t>(GetParam().code)), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Codes, FiveSecondList,
                         testing::Values(CodeText{0, "---"}, CodeText{1, "5 сек"},
                                         CodeText{11, "55 сек"}, CodeText{12, "1 мин"},
                                         CodeText{13, "1 м 5 с"}, CodeText{20, "1 м 40 с"},
                                         CodeText{24, "2 мин"}, CodeText{107, "8 м 55 с"},
                                         CodeText{108, "9 мин"}, CodeText{109, "9 м 5 с"},
                                         CodeText{252, "21 мин"}, CodeText{253, "21 м 5 с"},
                                         CodeText{254, "21 м 10 с"}, CodeText{255, "пост."}),
                         testing::PrintToStringParamName());

// Every list has one item per code, and no two items read alike: the user
// tells the codes apart by their texts.
TEST(TimeLists, FullAndDistinct) {
  for (int output = 1; output <= kReleCount; ++output) {
    for (const auto& list : {ClosingTimeList(output), OpeningTimeList(output), DurationList()}) {
      ASSERT_EQ(list.size(), 256u);
      EXPECT_EQ(std::set<std::string>(list.begin(), list.end()).size(), 256u) << output;
    }
  }
}

// The open-collector output reads differently in exactly two places.
TEST(TimeLists, OpenCollectorSpecials) {
  const auto closing = ClosingTimeList(3);
  const auto opening = OpeningTimeList(3);
  const auto relay = ClosingTimeList(1);
  for (std::size_t code = 0; code < 256; ++code) {
    EXPECT_EQ(closing[code], code == 0 ? "---/1 сек" : relay[code]) << code;
    EXPECT_EQ(opening[code], code == 255 ? "пост./1 сек" : relay[code]) << code;
  }
  EXPECT_EQ(OpeningTimeList(1), relay);
  EXPECT_EQ(ClosingTimeList(2), relay);
}

// Every entry is exactly one of: bitmask, reserved, time, mode.
TEST(ReleLayout, EntriesPartitioned) {
  int bitmasks = 0;
  int reserved = 0;
  for (int e = 0; e < 45; ++e) {
    EXPECT_FALSE(rele::IsBitmask(e) && rele::IsReserved(e)) << e;
    bitmasks += rele::IsBitmask(e);
    reserved += rele::IsReserved(e);
    if (e >= 33) {
      EXPECT_FALSE(rele::IsBitmask(e) || rele::IsReserved(e)) << e;
    }
  }
  EXPECT_EQ(bitmasks, 26);  // + 7 reserved + 9 times + 3 modes = 45
  EXPECT_EQ(reserved, 7);
  std::set<int> notificationEntries;
  for (const NotificationInfo& n : kNotifications) {
    EXPECT_TRUE(rele::IsBitmask(n.entry)) << n.name;
    EXPECT_GE(n.entry, 16) << n.name;
    notificationEntries.insert(n.entry);
  }
  EXPECT_EQ(notificationEntries.size(), 9u);
}

// The defaults' 45 values are compared with the documented list by the
// command-line test; here they are held against the mode rules.
TEST(FactoryDefaults, AgreeWithTheRules) {
  const OutputSettings ok = OutputOf(kFactoryReleSettings, 3);
  EXPECT_EQ(OutputOf(kFactoryReleSettings, 1).modeItem, kSpecialModeItem);
  EXPECT_EQ(OutputOf(kFactoryReleSettings, 2).modeItem, kSpecialModeItem);
  // The open-collector output holds exactly what choosing "Звуковой" forces on it.
  EXPECT_EQ(ok.modeItem, kSoundModeItem);
  const ModeRule sound = ModeRuleFor(kSoundModeItem, 3);
  EXPECT_EQ(ok.opening, sound.opening.code);
  EXPECT_EQ(ok.closing, sound.closing.code);
  EXPECT_EQ(ok.duration, sound.duration.code);
  EXPECT_EQ(ok.inverse, sound.inverse.code == 1);
  for (int i = 0; i < kNotificationCount; ++i) {
    EXPECT_EQ(ok.notifications[static_cast<std::size_t>(i)], (sound.checked >> i & 1) != 0) << i;
  }
  for (int e : rele::kReserved) EXPECT_EQ(kFactoryReleSettings[static_cast<std::size_t>(e)], 0);
  EXPECT_EQ(NormalizeReleSettings(kFactoryReleSettings), kFactoryReleSettings);
}

struct RuleRow {
  int item;
  int output;
  const char* opening;
  const char* closing;
  const char* duration;
  int inverse;
  bool durationEnabled;
  std::vector<Notification> checked;
};

void PrintTo(const RuleRow& r, std::ostream* os) {
  *os << kWorkModeNames[static_cast<std::size_t>(r.item)] << " on output " << r.output;
}

class ModeRules : public testing::TestWithParam<RuleRow> {};

TEST_P(ModeRules, RowAsTheUserSeesIt) {
  const RuleRow& row = GetParam();
  const ModeRule rule = ModeRuleFor(row.item, row.output);
  const bool special = row.item == kSpecialModeItem;
  EXPECT_EQ(OpeningTimeText(row.output, rule.opening.code), row.opening);
  EXPECT_EQ(ClosingTimeText(row.output, rule.closing.code), row.closing);
  EXPECT_EQ(FiveSecondText(rule.duration.code), row.duration);
  EXPECT_EQ(rule.inverse.code, row.inverse);
  EXPECT_EQ(rule.opening.enabled, special);
  EXPECT_EQ(rule.closing.enabled, special);
  EXPECT_EQ(rule.inverse.enabled, special);
  EXPECT_EQ(rule.notificationsEnabled, special);
  EXPECT_EQ(rule.duration.enabled, row.durationEnabled);
  int checked = 0;
  for (Notification n : row.checked) checked |= NotificationBit(n);
  EXPECT_EQ(rule.checked, checked);
}

using N = Notification;
INSTANTIATE_TEST_SUITE_P(
    AllModes, ModeRules,
    testing::Values(
        RuleRow{0, 1, "пост.", "---", "---", 0, false, {N::AlarmEvent, N::OnOffAllLine}},
        RuleRow{
            0, 3, "пост./1 сек", "---/1 сек", "---", 0, false, {N::AlarmEvent, N::OnOffAllLine}},
        RuleRow{1, 2, "0.5 сек", "0.5 сек", "пост.", 0, false, {N::AlarmEvent, N::OnOffAllLine}},
        RuleRow{1, 3, "0.5 сек", "0.5 сек", "пост.", 0, false, {N::AlarmEvent, N::OnOffAllLine}},
        RuleRow{2, 1, "---", "пост.", "---", 0, false, {N::OnOffAllLine}},
        RuleRow{3, 1, "пост.", "---", "---", 1, false, {N::AlarmEvent}},
        RuleRow{3, 2, "пост.", "---", "---", 1, false, {N::AlarmEvent}},
        RuleRow{3, 3, "пост./1 сек", "---/1 сек", "2 мин", 1, true, {N::AlarmEvent}},
        RuleRow{4, 3, "пост./1 сек", "---/1 сек", "---", 0, false, {N::AlarmEvent}},
        RuleRow{5, 1, "---", "10 сек", "---", 0, false, {N::OnOffLine}},
        RuleRow{5, 3, "---", "10 сек", "---", 0, false, {N::OnOffLine}},
        RuleRow{6, 1, "---", "---", "---", 0, true, {N::OnOffLine}},
        RuleRow{6, 3, "---", "---/1 сек", "---", 0, true, {N::OnOffLine}}));

struct NormalizeRow {
  const char* name;
  int entry;
  std::int32_t given;
  std::int32_t shown;
};

void PrintTo(const NormalizeRow& c, std::ostream* os) {
  *os << c.name;
}

class Normalize : public testing::TestWithParam<NormalizeRow> {};

TEST_P(Normalize, EntryAsThePageKeepsIt) {
  ReleTable table = kFactoryReleSettings;
  table[static_cast<std::size_t>(GetParam().entry)] = GetParam().given;
  ReleTable expected = kFactoryReleSettings;
  expected[static_cast<std::size_t>(GetParam().entry)] = GetParam().shown;
  EXPECT_EQ(NormalizeReleSettings(table), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, Normalize,
    testing::Values(NormalizeRow{"binding_high_bits_dropped", 0, 0xFD, 5},
                    NormalizeRow{"inverse_high_bits_dropped", 32, 0x0C, 4},
                    NormalizeRow{"notification_negative", 21, -1, 7},
                    NormalizeRow{"reserved_20", 20, 9, 0}, NormalizeRow{"reserved_31", 31, 255, 0},
                    NormalizeRow{"time_kept", 33, 254, 254},
                    NormalizeRow{"time_low_byte", 41, 256 + 24, 24},
                    NormalizeRow{"mode_zero", 42, 0, 0}, NormalizeRow{"mode_negative", 43, -5, 0},
                    NormalizeRow{"mode_above_seven", 44, 200, 7},
                    NormalizeRow{"mode_seven", 44, 7, 7}),
    [](const testing::TestParamInfo<NormalizeRow>& row) { return row.param.name; });

}  // namespace
}  // namespace orten
