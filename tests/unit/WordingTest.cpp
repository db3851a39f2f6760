#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "base/JsonWriter.h"
#include "base/TextColumns.h"
#include "base/Wording.h"

namespace orten {
namespace {

struct CountCase {
  std::uintmax_t count;
  const char* text;
};

void PrintTo(const CountCase& c, std::ostream* os) {
  *os << c.count;
}

class CountWording : public testing::TestWithParam<CountCase> {};

TEST_P(CountWording, TakesTheRussianForm) {
  EXPECT_EQ(CountText(GetParam().count, "значение", "значения", "значений"), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Counts, CountWording,
                         testing::Values(CountCase{0, "0 значений"}, CountCase{1, "1 значение"},
                                         CountCase{2, "2 значения"}, CountCase{4, "4 значения"},
                                         CountCase{5, "5 значений"}, CountCase{11, "11 значений"},
                                         CountCase{12, "12 значений"}, CountCase{14, "14 значений"},
                                         CountCase{21, "21 значение"}, CountCase{22, "22 значения"},
                                         CountCase{44, "44 значения"}, CountCase{45, "45 значений"},
                                         CountCase{101, "101 значение"},
                                         CountCase{111, "111 значений"},
                                         CountCase{1792, "1792 значения"}),
                         [](const auto& row) { return "N" + std::to_string(row.param.count); });

// The verb agrees too: singular after 1 and 21, never after 11.
TEST(ShortTransferWording, VerbAndNounAgreeWithTheCount) {
  const struct {
    std::uintmax_t done;
    const char* text;
  } rows[] = {{0, "Записано 0 байт из 64"},  {1, "Записан 1 байт из 64"},
              {2, "Записано 2 байта из 64"}, {11, "Записано 11 байт из 64"},
              {21, "Записан 21 байт из 64"}, {40, "Записано 40 байт из 64"}};
  for (const auto& row : rows)
    EXPECT_EQ(ShortTransferText("Записан", "Записано", row.done, 64), row.text);
}

struct ExcerptCase {
  const char* name;
  std::string bytes;
  std::size_t max;
  const char* shown;
};

void PrintTo(const ExcerptCase& c, std::ostream* os) {
  *os << c.name;
}

class Excerpt : public testing::TestWithParam<ExcerptCase> {};

TEST_P(Excerpt, ShowsOnlyPrintableTextAndCutsIt) {
  EXPECT_EQ(EscapedExcerpt(GetParam().bytes, GetParam().max), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Excerpt,
    testing::Values(ExcerptCase{"Plain", "x5", 24, "x5"},
                    ExcerptCase{"CyrillicStays", "Реле №1", 24, "Реле №1"},
                    ExcerptCase{"Controls", "a\tb\r\n\x7f", 24, "a\\x09b\\x0d\\x0a\\x7f"},
                    ExcerptCase{"Nul", std::string("\0z", 2), 24, "\\x00z"},
                    ExcerptCase{"TerminalEscape", "\x1b[31mred", 24, "\\x1b[31mred"},
                    ExcerptCase{"C1Control",
                                "\xc2\x9b"
                                "2J",
                                24, "\\u009b2J"},
                    ExcerptCase{"ReorderingMark",
                                "abc\xe2\x80\xae"
                                "exe",
                                24, "abc\\u202eexe"},
                    ExcerptCase{"StrayBytes", "\xff\x80z", 24, "\\xff\\x80z"},
                    ExcerptCase{"Overlong", "\xc0\xaf", 24, "\\xc0\\xaf"},
                    ExcerptCase{"CutSequence", "я\xd1", 24, "я\\xd1"},
                    ExcerptCase{"BeyondTheBmp", "\xf0\x9f\x98\x80", 24, "\xf0\x9f\x98\x80"},
                    // An escape counts as one character; the cut never splits a letter.
                    ExcerptCase{"CutAfterMax", "яяяяя", 3, "яяя…"},
                    ExcerptCase{"EscapesCountOnce", "\x1b\x1b\x1b\x1b", 2, "\\x1b\\x1b…"},
                    ExcerptCase{"ExactlyMaxIsWhole", "abc", 3, "abc"}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace orten

namespace orten {
namespace {

TEST(Json, QuotesAnyBytesIntoAStringEveryParserTakes) {
  const std::pair<std::string, std::string> rows[] = {
      {"Реле №1", "\"Реле №1\""},
      {"a\"b\\c", "\"a\\\"b\\\\c\""},
      {"\x1b]0;title\x07", "\"\\u001b]0;title\\u0007\""},
      {"line\r\nnext\t", "\"line\\r\\nnext\\t\""},
      {std::string("bad\xff\xd0", 5), "\"bad\\ufffd\\ufffd\""},
      {"\xed\xa0\x80", "\"\\ufffd\\ufffd\\ufffd\""},  // a surrogate is no UTF-8
  };
  for (const auto& [text, quoted] : rows) EXPECT_EQ(JsonQuoted(text), quoted) << quoted;
}

TEST(Json, WriterPutsCommasAndKeysWhereTheyBelong) {
  std::ostringstream out;
  JsonWriter json(out);
  json.BeginObject().Field("n", 45).Field("ok", true).Key("list").BeginArray();
  json.String("a").BeginObject().Field("k", "v").EndObject().Null().EndArray();
  json.Field("last", std::string("x")).EndObject();
  EXPECT_EQ(out.str(), R"({"n":45,"ok":true,"list":["a",{"k":"v"},null],"last":"x"})");
}

// Columns count characters, not bytes: a Cyrillic cell pads as a Latin one,
// a cell as wide as its column or wider still gets one blank.
TEST(TextColumns, PadAndCutByCharacters) {
  const std::string cells[] = {"доступ", "VID:PID", "нет", "изготовитель / изделие"};
  const std::size_t widths[] = {8, 7, 4};
  EXPECT_EQ(TableLine(cells, widths), "доступ  VID:PID нет изготовитель / изделие");
  EXPECT_EQ(DisplayWidth("Прибор ё"), 8u);
  EXPECT_EQ(FirstChars("Прибор", 3), "При");
  EXPECT_EQ(FirstChars("ab", 5), "ab");
}

}  // namespace
}  // namespace orten
