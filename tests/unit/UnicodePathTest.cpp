// Files in folders whose names the ANSI code page of Windows cannot spell.
// Under wine this is the Windows file system path through the wide API;
// on Linux the same calls must stay plain byte paths.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <numeric>

#include "base/DataFolders.h"
#include "base/Utf8Path.h"
#include "firmware/FirmwareLibrary.h"
#include "params/ValueFile.h"
#include "protocol/FirmwareImage.h"
#include "tests/support/ScriptedUi.h"

namespace orten {
namespace {

namespace fs = std::filesystem;

// The name as the standard library spells UTF-8 for the file system: a
// conversion independent of the one under test.
fs::path U8(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

struct FolderCase {
  const char* name;
  const char* folder;
};

void PrintTo(const FolderCase& c, std::ostream* os) {
  *os << c.name;
}

class UnicodePathTest : public testing::TestWithParam<FolderCase> {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("orten-unicode-" + std::string(GetParam().name));
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  fs::path root_;
};

TEST_P(UnicodePathTest, DataFilesRoundTripInTheFolder) {
  const std::string folder = Utf8FromPath(root_ / U8(GetParam().folder));
  const std::string program = ResolveProgramFolder(Utf8FromPath(root_), folder);
  EXPECT_EQ(program, folder);
  EnsureDataFolders(program);
  // On disk under its own name, not a code page's question marks.
  ASSERT_TRUE(fs::is_directory(root_ / U8(GetParam().folder) / "ReleCfg"));
  EXPECT_TRUE(IsWritableFolder(program));

  std::vector<std::int32_t> settings(45);
  std::iota(settings.begin(), settings.end(), 1);
  const std::string cfg = Utf8FromPath(PathFromUtf8(program) / "ReleCfg" / U8("Реле №1.cfg"));
  ASSERT_TRUE(WriteValueFile(cfg, settings).ok());
  std::vector<std::int32_t> read;
  ASSERT_TRUE(ReadValueFile(cfg, settings.size(), read).ok());
  EXPECT_EQ(read, settings);

  std::vector<std::int32_t> memory(1792, 0);
  memory.back() = 249;
  const std::string rrg =
      Utf8FromPath(PathFromUtf8(program) / "Reg_RPU" / U8("DEZ_RPU_3_объект_7.rrg"));
  ASSERT_TRUE(WriteValueFile(rrg, memory).ok());
  ASSERT_TRUE(fs::exists(root_ / U8(GetParam().folder) / "Reg_RPU" / U8("DEZ_RPU_3_объект_7.rrg")));
  ASSERT_TRUE(ReadValueFile(rrg, memory.size(), read).ok());
  EXPECT_EQ(read, memory);
}

TEST_P(UnicodePathTest, FirmwareListedAndReadInTheFolder) {
  const fs::path base = root_ / U8(GetParam().folder) / "Base";
  fs::create_directories(base);
  std::vector<char> bytes(10 + 64, 0);
  bytes[0] = bytes[1] = 0x55;
  bytes[2] = 0x12;
  bytes[3] = static_cast<char>(130);  // a receiver's version, as the name says
  std::ofstream(base / U8("RPU_Прошивка_130.bin"), std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));

  const std::vector<std::string> names = ListFirmwareFiles(Utf8FromPath(base), "RPU");
  ASSERT_EQ(names, std::vector<std::string>{"RPU_Прошивка_130.bin"});
  const std::string path = Utf8FromPath(base / U8(names.front()));
  const auto age = std::chrono::system_clock::now() - FileModifiedTime(path);
  EXPECT_LT(std::chrono::abs(age), std::chrono::hours(24)) << "the date of the file itself";

  const FirmwareFile file = ReadFirmwareFile(path, FirmwareReadMode::Load, DeviceMode::None);
  EXPECT_TRUE(file.loaded());
  ASSERT_TRUE(file.facts);
  EXPECT_EQ(file.facts->name, "RPU_Прошивка_130.bin");
  EXPECT_EQ(file.facts->size, bytes.size());
  EXPECT_EQ(file.image.size(), bytes.size());
}

INSTANTIATE_TEST_SUITE_P(Folders, UnicodePathTest,
                         testing::Values(FolderCase{"Cyrillic", "Папка пользователя"},
                                         FolderCase{"Latin", "Dossier élève"},
                                         FolderCase{"Cjk", "資料フォルダ"},
                                         FolderCase{"BeyondTheBmp", "Ordner 😀"}),
                         [](const testing::TestParamInfo<FolderCase>& row) {
                           return row.param.name;
                         });

}  // namespace
}  // namespace orten
