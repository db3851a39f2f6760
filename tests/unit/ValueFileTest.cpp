#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

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

struct Refusal {
  const char* name;
  const char* text;
  std::size_t count;
  std::vector<std::string> mentions;
};

class RefusedFile : public ValueFileTest, public testing::WithParamInterface<Refusal> {};

TEST_P(RefusedFile, NamesFileLineAndValueAndKeepsValues) {
  EXPECT_FALSE(ReadValueFile(Put(GetParam().text), GetParam().count, values_, error_));
  EXPECT_EQ(values_, (std::vector<std::int32_t>{9, 9, 9}));
  EXPECT_NE(error_.find("X.cfg"), std::string::npos) << error_;
  for (const std::string& m : GetParam().mentions)
    EXPECT_NE(error_.find(m), std::string::npos) << error_;
}

INSTANTIATE_TEST_SUITE_P(
    Files, RefusedFile,
    testing::Values(Refusal{"TooFew", "1\r\n2\r\n", 3, {"2 ", "3"}},
                    Refusal{"Empty", "", 45, {"0 ", "45"}},
                    Refusal{"NotInteger", "1\r\n2\r\nx5\r\n", 3, {"строка 3", "x5"}},
                    Refusal{"Fraction", "1\n2.5\n3\n", 3, {"строка 2", "2.5"}},
                    Refusal{"Negative", "1\n-1\n3\n", 3, {"строка 2", "-1"}},
                    Refusal{"TooLarge", "1 2\n\n256\n", 3, {"строка 3", "256"}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(ValueFileTest, MissingFileIsRefused) {
  EXPECT_FALSE(ReadValueFile((dir_ / "none.cfg").string(), 1, values_, error_));
  EXPECT_NE(error_.find("none.cfg"), std::string::npos);
}

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
