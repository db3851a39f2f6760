#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <sstream>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "base/Wording.h"
#include "params/ValueFile.h"

namespace orten {
namespace {

namespace fs = std::filesystem;

class ValueFileTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("orten-values-" +
            std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
  }
  std::string Put(const std::string& text) {
    const std::string path = (dir_ / "X.cfg").string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  static std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }

  fs::path dir_;
  std::vector<std::int32_t> values_{9, 9, 9};
  std::string error_;
};

TEST_F(ValueFileTest, WritesOneValuePerLineWithCrLfAndReadsItBack) {
  const std::string path = (dir_ / "DEZ_MRO.cfg").string();
  const std::vector<std::int32_t> table{5, 0, 255, 17};
  ASSERT_TRUE(WriteValueFile(path, table, error_)) << error_;
  EXPECT_EQ(Slurp(path), "5\r\n0\r\n255\r\n17\r\n");
  ASSERT_TRUE(ReadValueFile(path, 4, values_, error_)) << error_;
  EXPECT_EQ(values_, table);
}

TEST_F(ValueFileTest, TokensNotLinesAndExtraValuesIgnored) {
  ASSERT_TRUE(ReadValueFile(Put("1 2\t3\r\n\r\n  4\n5 6 seven\n"), 5, values_, error_)) << error_;
  EXPECT_EQ(values_, (std::vector<std::int32_t>{1, 2, 3, 4, 5}));
  ASSERT_TRUE(ReadValueFile(Put("7"), 1, values_, error_)) << error_;  // no line end at all
  EXPECT_EQ(values_, std::vector<std::int32_t>{7});
}

// Nothing raw from the file may reach a terminal or a box, and no message
// grows with the file.
void ExpectShortAndClean(const std::string& message) {
  EXPECT_LT(message.size(), 400u) << message.substr(0, 400);
  EXPECT_EQ(EscapedExcerpt(message, std::numeric_limits<std::size_t>::max()), message);
}

struct Refusal {
  const char* name;
  std::string text;
  std::size_t count;
  std::vector<std::string> mentions;
};

void PrintTo(const Refusal& c, std::ostream* os) {
  *os << c.name;
}

class RefusedFile : public ValueFileTest, public testing::WithParamInterface<Refusal> {};

TEST_P(RefusedFile, NamesFileLineAndValueAndKeepsValues) {
  EXPECT_FALSE(ReadValueFile(Put(GetParam().text), GetParam().count, values_, error_));
  EXPECT_EQ(values_, (std::vector<std::int32_t>{9, 9, 9}));
  EXPECT_NE(error_.find("X.cfg"), std::string::npos) << error_;
  for (const std::string& m : GetParam().mentions)
    EXPECT_NE(error_.find(m), std::string::npos) << error_;
  ExpectShortAndClean(error_);
}

INSTANTIATE_TEST_SUITE_P(
    Files, RefusedFile,
    testing::Values(
        Refusal{"TooFew", "1\r\n2\r\n", 3, {"содержит 2 значения из 3"}},
        Refusal{"Empty", "", 45, {"содержит 0 значений из 45"}},
        Refusal{"OneShort", std::string(44 * 3, ' ').replace(0, 1, "7"), 2, {"1 значение из 2"}},
        Refusal{"NotInteger", "1\r\n2\r\nx5\r\n", 3, {"строка 3", "«x5»"}},
        Refusal{"Fraction", "1\n2.5\n3\n", 3, {"строка 2", "2.5"}},
        Refusal{"Negative", "1\n-1\n3\n", 3, {"строка 2", "-1"}},
        Refusal{"TooLarge", "1 2\n\n256\n", 3, {"строка 3", "256"}},
        Refusal{"BeyondInt", "99999999999", 1, {"строка 1", "99999999999 вне диапазона"}},
        // A line ends with CR, LF or CR LF alike.
        Refusal{"CrOnlyLines", "1\r2\r3\r4\r5\rx6\r", 6, {"строка 6", "«x6»"}},
        Refusal{"MixedLineEnds", "1\r\n2\n3\r4\r\n\r\rx\n", 5, {"строка 7", "«x»"}},
        // Quoted escaped and cut short; Cyrillic stays readable.
        Refusal{"EscapeSequence", "1 \x1b[2J\x1b]0;title\x07", 2, {"«\\x1b[2J\\x1b]0;title\\x07»"}},
        Refusal{"NulByte", std::string("5\0", 2), 1, {"«5\\x00»"}},
        Refusal{"InvalidUtf8", "\xff\xc3(\xed\xa0\x80", 1, {"«\\xff\\xc3(\\xed\\xa0\\x80»"}},
        Refusal{"Cyrillic", "пять", 1, {"«пять»"}},
        Refusal{"EndlessToken",
                std::string(300u * 1024 * 1024 / 2048, 'a'),
                1,
                {"строка 1", "слишком длинное", "aaaa…"}}),
    [](const auto& row) { return std::string(row.param.name); });

// Anything but a regular file of sensible size is refused at once, before
// it is read (a FIFO opened for reading would wait for a writer forever).
struct KindCase {
  const char* name;
  std::function<std::string(const fs::path& dir)> make;
  std::string mentions;
};

void PrintTo(const KindCase& c, std::ostream* os) {
  *os << c.name;
}

class RefusedFileKind : public ValueFileTest, public testing::WithParamInterface<KindCase> {};

TEST_P(RefusedFileKind, IsRefusedSayingWhatItIs) {
  const std::string path = GetParam().make(dir_);
  if (path.empty()) GTEST_SKIP() << "no such thing on this system";
  EXPECT_FALSE(ReadValueFile(path, 1792, values_, error_));
  EXPECT_EQ(values_, (std::vector<std::int32_t>{9, 9, 9}));
  EXPECT_NE(error_.find(GetParam().mentions), std::string::npos) << error_;
  ExpectShortAndClean(error_);
}

// The rows that exist on this system: FIFOs and devices are POSIX things.
std::vector<KindCase> KindCases() {
  return {KindCase{"Missing", [](const fs::path& d) { return (d / "none.cfg").string(); },
                   "none.cfg: файл не найден."},
          KindCase{"Folder",
                   [](const fs::path& d) {
                     fs::create_directory(d / "X.rrg");
                     return (d / "X.rrg").string();
                   },
                   "X.rrg не является обычным файлом (это папка)."},
          KindCase{"DanglingLink",
                   [](const fs::path& d) {
                     std::error_code ec;
                     fs::create_symlink(d / "gone.rrg", d / "X.rrg", ec);
                     return ec ? std::string() : (d / "X.rrg").string();
                   },
                   "(это ссылка на несуществующий файл)"},
          // Sparse: refused by its size, so no 300 MB is ever read.
          KindCase{"Huge",
                   [](const fs::path& d) {
                     std::ofstream(d / "X.cfg").put('1');
                     fs::resize_file(d / "X.cfg", 300u * 1024 * 1024);
                     return (d / "X.cfg").string();
                   },
                   "слишком велик (314572800 байт)"},
#ifndef _WIN32
          KindCase{"Fifo",
                   [](const fs::path& d) {
                     return ::mkfifo((d / "X.rrg").c_str(), 0600) == 0 ? (d / "X.rrg").string()
                                                                       : std::string();
                   },
                   "(это именованный канал)"},
          KindCase{"EndlessDevice", [](const fs::path&) { return std::string("/dev/zero"); },
                   "/dev/zero не является обычным файлом (это устройство)."},
#endif
          KindCase{"JustOverTheLimit",
                   [](const fs::path& d) {
                     std::ofstream(d / "X.cfg") << std::string(kMaxValueFileBytes + 1, ' ');
                     return (d / "X.cfg").string();
                   },
                   "слишком велик (262145 байт)"}};
}

INSTANTIATE_TEST_SUITE_P(Files, RefusedFileKind, testing::ValuesIn(KindCases()),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(ValueFileTest, FailedSaveLeavesTheOldFileWhole) {
  const std::string path = (dir_ / "keep.cfg").string();
  ASSERT_TRUE(WriteValueFile(path, std::vector<std::int32_t>{1, 2, 3}, error_));
  // A folder where the temporary file should go makes the save fail.
  fs::create_directory(path + ".tmp");
  EXPECT_FALSE(WriteValueFile(path, std::vector<std::int32_t>{4, 5, 6}, error_));
  EXPECT_FALSE(error_.empty());
  EXPECT_EQ(Slurp(path), "1\r\n2\r\n3\r\n");
}

}  // namespace
}  // namespace orten
