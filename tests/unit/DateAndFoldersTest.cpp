// The date stamp and the dates shown for files, and the data folders.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>

#ifdef _WIN32
#include <windows.h>
#endif

#include "base/DataFolders.h"
#include "base/DateStamp.h"
#include "base/Utf8Path.h"
#include "tests/support/TempFolder.h"

namespace orten {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

struct StampCase {
  const char* name;
  const char* shortDate;
  const char* stamp;
};

void PrintTo(const StampCase& c, std::ostream* os) {
  *os << c.name;
}

class DateStampTest : public testing::TestWithParam<StampCase> {};

TEST_P(DateStampTest, KeepsDayMonthAndYearDigits) {
  EXPECT_EQ(MakeDateStamp(GetParam().shortDate), GetParam().stamp);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DateStampTest,
    testing::Values(StampCase{"FourDigitYear", "07.12.2026", "_071226_"},
                    StampCase{"TwoDigitYear", "07.12.26", "_0712_"},
                    StampCase{"SlashesLeaveNoInvalidCharacter", "12/07/2026", "_120726_"},
                    StampCase{"ShortUSFormat", "12/7/26", "_127_"},
                    StampCase{"SixCharactersUsedWhole", "071226", "_071226_"},
                    StampCase{"IsoFormat", "2026-12-07", "_206-07_"},
                    StampCase{"ColonsAndBackslashes", "07:12\\2026", "_071226_"},
                    StampCase{"CyrillicCountsAsCharacters", "7 дек. 2026 г.", "_7 ек026 г._"}),
    [](const testing::TestParamInfo<StampCase>& row) { return row.param.name; });

struct DayCase {
  const char* name;
  int year, month, day;
  const char* shortDate;
  const char* stamp;
};

void PrintTo(const DayCase& c, std::ostream* os) {
  *os << c.name;
}

class RussianDateTest : public testing::TestWithParam<DayCase> {};

// The same day gives the same text and stamp on any machine, and a file's
// local modification date reads the same way.
TEST_P(RussianDateTest, IsDayMonthYearWithDots) {
  const DayCase& c = GetParam();
  EXPECT_EQ(ShortDateText(c.year, c.month, c.day), c.shortDate);
  EXPECT_EQ(DateStampFor(c.year, c.month, c.day), c.stamp);
  std::tm noon{};
  noon.tm_year = c.year - 1900;
  noon.tm_mon = c.month - 1;
  noon.tm_mday = c.day;
  noon.tm_hour = 12;
  noon.tm_isdst = -1;
  EXPECT_EQ(FileDateText(std::chrono::system_clock::from_time_t(std::mktime(&noon))), c.shortDate);
}

INSTANTIATE_TEST_SUITE_P(
    Days, RussianDateTest,
    testing::Values(DayCase{"Example", 2026, 12, 7, "07.12.2026", "_071226_"},
                    DayCase{"SingleDigits", 2027, 1, 2, "02.01.2027", "_020127_"},
                    DayCase{"CenturyTurn", 2000, 2, 29, "29.02.2000", "_290200_"},
                    DayCase{"LastDayOfYear", 1999, 12, 31, "31.12.1999", "_311299_"}),
    [](const testing::TestParamInfo<DayCase>& row) { return row.param.name; });

TEST_F(TempFolder, DataFoldersAreCreatedOnceAndLeftAlone) {
  EnsureDataFolders(root_.string());
  for (const char* name : {"Reg_RPU", "Base", "ReleCfg"})
    EXPECT_TRUE(fs::is_directory(root_ / name)) << name;
  std::ofstream(root_ / "Base" / "RPU_120") << "x";
  EnsureDataFolders(root_.string());
  EXPECT_TRUE(fs::exists(root_ / "Base" / "RPU_120"));
  // The folders stay writable here: later saves must work in them.
  EXPECT_TRUE(IsWritableFolder((root_ / "ReleCfg").string()));
}

TEST_F(TempFolder, ProgramFolderFallsBackWhenTheExecutablesFolderIsReadOnly) {
  EXPECT_EQ(ResolveProgramFolder(root_.string(), ""), root_.string());
  const fs::path override = root_ / "data";
  EXPECT_EQ(ResolveProgramFolder(root_.string(), override.string()), override.string());
  EXPECT_TRUE(fs::is_directory(override));

  // A folder that cannot take a file (here: one that does not exist) sends
  // the data to the user's folder, wherever the environment puts it (on
  // Windows through the wide environment: a Cyrillic user name is common).
  const fs::path userBase = root_ / fs::path(u8"Данные пользователя");
#ifdef _WIN32
  const wchar_t* variable = L"LOCALAPPDATA";
  std::wstring saved(32768, L'\0');
  saved.resize(GetEnvironmentVariableW(variable, saved.data(), 32768));
  SetEnvironmentVariableW(variable, userBase.c_str());
  const std::string chosen = ResolveProgramFolder((root_ / "missing" / "bin").string(), "");
  SetEnvironmentVariableW(variable, saved.empty() ? nullptr : saved.c_str());
#else
  ::setenv("XDG_DATA_HOME", userBase.c_str(), 1);
  const std::string chosen = ResolveProgramFolder((root_ / "missing" / "bin").string(), "");
  ::unsetenv("XDG_DATA_HOME");
#endif
  EXPECT_EQ(PathFromUtf8(chosen), userBase / "ortenconf");
  EXPECT_TRUE(fs::is_directory(userBase / "ortenconf"));
}

}  // namespace
}  // namespace orten
