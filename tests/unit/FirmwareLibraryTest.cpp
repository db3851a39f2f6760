#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "firmware/FirmwareLibrary.h"
#include "protocol/FirmwareImage.h"
#include "sim/VirtualPacer.h"
#include "tests/support/ScriptedUi.h"

namespace orten {
namespace {

namespace fs = std::filesystem;
using test::ScriptedUi;

class FirmwareFolder : public testing::Test {
 protected:
  void SetUp() override {
    base_ = fs::temp_directory_path() /
            ("orten-base-" +
             std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(base_);
    fs::create_directories(base_);
  }
  void TearDown() override { fs::remove_all(base_); }

  void File(const std::string& name, std::vector<std::uint8_t> bytes = {0x55, 0x55, 0x12, 0x78}) {
    std::ofstream(base_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  std::optional<std::string> Find(DeviceMode mode, int version) {
    return FindNewerFirmware(base_.string(), mode, version, ui_);
  }

  fs::path base_;
  ScriptedUi ui_;
};

TEST_F(FirmwareFolder, GreatestVersionNumberWinsNotTheLastName) {
  File("RPU_99");
  File("RPU_120");
  EXPECT_EQ(Find(DeviceMode::Receiver, 100), "RPU_120");
  EXPECT_EQ(Find(DeviceMode::Receiver, 120), std::nullopt);  // equal is not newer
  EXPECT_TRUE(ui_.events().empty());
}

TEST_F(FirmwareFolder, TiesGoToTheGreaterName) {
  File("RPU_13.0");
  File("RPU_130");
  EXPECT_EQ(Find(DeviceMode::Receiver, 120), "RPU_130");
  // The greater name's head names the other family: the tie's next name.
  File("RPU_1.3.0", {0x55, 0x55, 0x12, 46});
  File("RPU_13_0", {0x55, 0x55, 0x12, 46});
  EXPECT_EQ(Find(DeviceMode::Receiver, 120), "RPU_130");
  File("RPU_130", {0x55, 0x55, 0x12, 46});
  EXPECT_EQ(Find(DeviceMode::Receiver, 120), "RPU_13.0");
}

TEST_F(FirmwareFolder, DigitsInTheExtensionCount) {
  File("RPU_1.35");
  EXPECT_EQ(Find(DeviceMode::Receiver, 134), "RPU_1.35");
  EXPECT_EQ(Find(DeviceMode::Receiver, 135), std::nullopt);
}

TEST_F(FirmwareFolder, NamesWithoutNumberOrOverflowingAreSkipped) {
  File("RPU_new");
  File("RPU_99999999999");
  File("RPU_101");
  EXPECT_EQ(Find(DeviceMode::Receiver, 100), "RPU_101");
  EXPECT_EQ(FirmwareVersionNumber("RPU_2147483647"), 2147483647);
  EXPECT_EQ(FirmwareVersionNumber("RPU_2147483648"), std::nullopt);
  EXPECT_EQ(FirmwareVersionNumber("MRO_007"), 7);
}

TEST_F(FirmwareFolder, OnlyTheDevicesFamilyCountsCaseSensitively) {
  File("rpu_130");
  File("MRO_50", {0x55, 0x55, 0x12, 50});
  EXPECT_EQ(Find(DeviceMode::Receiver, 100), std::nullopt);
  ASSERT_EQ(ui_.Of(ScriptedUi::Kind::Message).size(), 1u);
  EXPECT_EQ(ui_.Messages()[0], "Внимание!\nВ папке Base не найдено ни одного файла прошивок!");
  EXPECT_EQ(ui_.Of(ScriptedUi::Kind::Message)[0].caption, "Системное сообщение");
  EXPECT_EQ(Find(DeviceMode::Relay, 45), "MRO_50");
  EXPECT_EQ(Find(DeviceMode::None, 0), std::nullopt);
}

TEST_F(FirmwareFolder, SubfoldersAreNotFirmware) {
  fs::create_directory(base_ / "RPU_200");
  EXPECT_EQ(Find(DeviceMode::Receiver, 100), std::nullopt);
  EXPECT_EQ(ui_.Messages().size(), 1u);  // nothing of the family to offer
  File("RPU_150");
  EXPECT_EQ(Find(DeviceMode::Receiver, 100), "RPU_150");
  EXPECT_EQ(ListFirmwareFiles(base_.string(), "RPU"), std::vector<std::string>{"RPU_150"});
}

// Base may hold any number of entries: the window's pacer is pumped while
// they are read.
TEST_F(FirmwareFolder, ABigFolderIsReadWithTheWindowPumped) {
  for (int i = 0; i < 600; ++i) File("RPU_" + std::to_string(i));
  VirtualPacer pacer;
  EXPECT_EQ(FindNewerFirmware(base_.string(), DeviceMode::Receiver, 600, ui_, &pacer),
            std::nullopt);
  EXPECT_GT(pacer.pumps(), 0);
}

// A FIFO named like the newest firmware would block whoever opens it; a link
// to nothing has no content: neither is offered, by the search or the list.
TEST_F(FirmwareFolder, OnlyRegularFilesAreCandidates) {
  File("RPU_120");
  std::error_code ec;
  fs::create_symlink(base_ / "gone", base_ / "RPU_160", ec);
  fs::create_symlink(base_ / "RPU_120", base_ / "RPU_130", ec);  // a link to a file is fine
#ifndef _WIN32
  ASSERT_EQ(::mkfifo((base_ / "RPU_150.bin").c_str(), 0600), 0);
#endif
  EXPECT_EQ(Find(DeviceMode::Receiver, 100), ec ? "RPU_120" : "RPU_130");
  std::vector<std::string> names = ListFirmwareFiles(base_.string(), "RPU");
  std::sort(names.begin(), names.end());
  const std::vector<std::string> offered =
      ec ? std::vector<std::string>{"RPU_120"} : std::vector<std::string>{"RPU_120", "RPU_130"};
  EXPECT_EQ(names, offered);
  for (const FirmwareEntry& entry : ListFirmwareEntries(base_.string(), "RPU")) {
    const bool file = entry.facts.kind == FileKind::Regular;
    EXPECT_EQ(file, entry.name == "RPU_120" || entry.name == "RPU_130") << entry.name;
    // Nothing made up for what cannot be known.
    EXPECT_EQ(entry.facts.size.has_value(), file) << entry.name;
    EXPECT_EQ(entry.facts.modified.has_value(), file) << entry.name;
    if (entry.name == "RPU_160") {
      EXPECT_EQ(entry.facts.kind, FileKind::DanglingLink);
    }
    if (entry.name == "RPU_150.bin") {
      EXPECT_EQ(entry.facts.kind, FileKind::Fifo);
    }
  }
}

TEST_F(FirmwareFolder, MissingBaseIsLikeAnEmptyOne) {
  fs::remove_all(base_);
  EXPECT_EQ(Find(DeviceMode::Receiver, 100), std::nullopt);
  EXPECT_EQ(ui_.Messages().size(), 1u);
}

// Shows the facts as the window's labels take them, then the refusal: the
// facts go to the event list as pseudo-status events so the order is
// checkable.
void Show(const FirmwareFile& file, DeviceMode device, ScriptedUi& ui) {
  const auto note = [&ui](const std::string& label, const std::string& value) {
    ui.SetStatusText("[" + label + "] " + value);
  };
  if (file.facts) {
    note("name", file.facts->name);
    note("size", std::to_string(file.facts->size));
    const auto age = std::chrono::system_clock::now() -
                     file.facts->modified.value_or(std::chrono::system_clock::time_point{});
    note("date", age < std::chrono::hours(1) && age > -std::chrono::hours(1) ? "recent" : "old");
  }
  if (file.version) {
    if (!file.type.empty()) note("type", file.type);
    note("version", VersionText(*file.version, device));
  }
  ShowFirmwareRefusal(file, ui);
}

class ReadFirmware : public FirmwareFolder {
 protected:
  bool Read(const std::string& name, FirmwareReadMode mode,
            DeviceMode family = DeviceMode::Receiver, DeviceMode device = DeviceMode::Relay) {
    FirmwareFile file = ReadFirmwareFile((base_ / name).string(), mode, family);
    Show(file, device, ui_);
    if (!file.loaded()) return false;
    image_ = std::move(file.image);
    return true;
  }
  static std::vector<std::uint8_t> Valid(std::uint8_t type = 0x12, std::size_t blocks = 4) {
    std::vector<std::uint8_t> bytes(10 + 64 * blocks, 0x33);
    bytes[0] = bytes[1] = 0x55;
    bytes[2] = type;
    bytes[3] = 123;
    return bytes;
  }
  std::vector<std::string> Trail() const {
    std::vector<std::string> out;
    for (const auto& e : ui_.events())
      out.push_back((e.kind == ScriptedUi::Kind::Message ? "box: " : "") + e.text);
    return out;
  }
  FirmwareImage image_{std::vector<std::uint8_t>{1, 2, 3}};
};

TEST_F(ReadFirmware, PreviewShowsEveryFactAndLoadsNothing) {
  File("RPU_123", Valid());
  EXPECT_FALSE(Read("RPU_123", FirmwareReadMode::Preview, DeviceMode::Receiver, DeviceMode::Relay));
  EXPECT_EQ(Trail(), (std::vector<std::string>{"[name] RPU_123", "[size] 266", "[date] recent",
                                               "[type] ПО для DEZ-RPU", "[version] 1_3"}));
  EXPECT_EQ(image_.size(), 3u);
}

TEST_F(ReadFirmware, LoadFillsTheImageWithTheWholeFile) {
  File("RPU_50", Valid());
  EXPECT_TRUE(Read("RPU_50", FirmwareReadMode::Load, DeviceMode::Relay, DeviceMode::Receiver));
  EXPECT_EQ(Trail().at(3), "[type] ПО для DEZ-MRO");
  EXPECT_EQ(Trail().at(4), "[version] 12_3");  // under the device's family, not the file's
  ASSERT_EQ(image_.size(), 266u);
  EXPECT_EQ(image_.bytes()[0], 85);
  EXPECT_EQ(image_.bytes()[1], 85);
  EXPECT_EQ(image_.bytes()[2], 18);
  EXPECT_EQ(image_.version(), 123);
}

TEST_F(ReadFirmware, NoSelectionLeavesTheTypeLabel) {
  File("RPU_50", Valid());
  EXPECT_TRUE(Read("RPU_50", FirmwareReadMode::Load, DeviceMode::None));
  EXPECT_EQ(ui_.Of(ScriptedUi::Kind::Status).size(), 4u);
}

TEST_F(ReadFirmware, WrongTypeShowsTheFileThenBoxBeforeStatus) {
  File("RPU_130", Valid(0x13));
  EXPECT_FALSE(Read("RPU_130", FirmwareReadMode::Load));
  const std::string text = "Ошибка: Несовпадение типа прибора - Запись не доступна";
  EXPECT_EQ(Trail(), (std::vector<std::string>{"[name] RPU_130", "[size] 266", "[date] recent",
                                               "box: " + text, text}));
  EXPECT_EQ(image_.size(), 3u);
}

TEST_F(ReadFirmware, BadHeadIsStatusThenBoxAndNoLabel) {
  std::vector<std::uint8_t> bytes = Valid();
  bytes[1] = 0x54;
  File("RPU_130", bytes);
  EXPECT_FALSE(Read("RPU_130", FirmwareReadMode::Load));
  EXPECT_EQ(Trail(), (std::vector<std::string>{"Ошибка: Неверный формат файла.",
                                               "box: Ошибка: Неверный формат файла."}));
}

// A name of one family holding the other's version byte would turn the
// device into the other kind: refused, naming the file and both families,
// and never offered; the next file that fits is.
TEST_F(ReadFirmware, VersionByteOfTheOtherFamilyIsRefusedAndNotOffered) {
  struct Row {
    const char* name;
    std::uint8_t version;
    bool fits;
  };
  for (const Row& row : {Row{"RPU_135", 46, false}, Row{"MRO_60", 120, false},
                         Row{"RPU_130", 130, true}, Row{"MRO_50", 50, true},
                         Row{"fw_135.bin", 46, true}}) {  // no family named, none contradicted
    SCOPED_TRACE(row.name);
    std::vector<std::uint8_t> bytes = Valid();
    bytes[3] = row.version;
    File(row.name, bytes);
    ui_.Clear();
    EXPECT_EQ(Read(row.name, FirmwareReadMode::Load), row.fits);
    const std::string said = row.fits ? "" : ui_.Messages().at(0);
    for (const char* piece : {row.name, "RPU (РПУ/РТР)", "MRO (МРО)"})
      EXPECT_EQ(said.find(piece) != std::string::npos, !row.fits) << said;
  }
  ui_.Clear();
  EXPECT_EQ(Find(DeviceMode::Receiver, 100), "RPU_130");
  EXPECT_EQ(Find(DeviceMode::Relay, 45), "MRO_50");
  EXPECT_EQ(Find(DeviceMode::Relay, 50), std::nullopt);
  EXPECT_TRUE(ui_.events().empty());
}

struct LengthCase {
  const char* name;
  std::size_t size;
};

void PrintTo(const LengthCase& c, std::ostream* os) {
  *os << c.name;
}

class RefusedLength : public ReadFirmware, public testing::WithParamInterface<LengthCase> {};

TEST_P(RefusedLength, IsRefusedNamingTheFileAndKeepsTheImage) {
  std::vector<std::uint8_t> bytes = Valid();
  bytes.resize(GetParam().size);
  File("RPU_130", bytes);
  EXPECT_FALSE(Read("RPU_130", FirmwareReadMode::Load));
  ASSERT_EQ(ui_.Messages().size(), 1u);
  EXPECT_NE(ui_.Messages()[0].find("RPU_130"), std::string::npos) << ui_.Messages()[0];
  EXPECT_NE(ui_.Messages()[0].find(std::to_string(GetParam().size)), std::string::npos);
  EXPECT_EQ(image_.size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(Lengths, RefusedLength,
                         testing::Values(LengthCase{"Empty", 0}, LengthCase{"HeadOnly", 4},
                                         LengthCase{"NineBytes", 9},
                                         LengthCase{"ThreeHundred", 300},
                                         LengthCase{"OneMoreThanWhole", 267}),
                         [](const auto& row) { return std::string(row.param.name); });

// Only a regular file of sensible size is opened; anything else is refused
// at once (status, then box), saying what it is, and nothing is shown.
struct KindCase {
  const char* name;
  std::function<std::string(const fs::path& base)> make;
  std::string says;
};

void PrintTo(const KindCase& c, std::ostream* os) {
  *os << c.name;
}

class RefusedFirmwareKind : public ReadFirmware, public testing::WithParamInterface<KindCase> {};

TEST_P(RefusedFirmwareKind, IsRefusedWithoutReadingIt) {
  const std::string path = GetParam().make(base_);
  if (path.empty()) GTEST_SKIP() << "no such thing on this system";
  const FirmwareFile file = ReadFirmwareFile(path, FirmwareReadMode::Load, DeviceMode::Receiver);
  EXPECT_FALSE(file.facts);
  EXPECT_EQ(file.outcome.kind, OutcomeKind::FileError);
  Show(file, DeviceMode::Receiver, ui_);
  ASSERT_EQ(Trail().size(), 2u);
  EXPECT_NE(Trail()[0].find(GetParam().says), std::string::npos) << Trail()[0];
  EXPECT_EQ(Trail()[1], "box: " + Trail()[0]);
  EXPECT_LT(Trail()[0].size(), 400u);
  EXPECT_EQ(image_.size(), 3u);
}

// The rows that exist on this system: FIFOs, devices and control characters
// in names are POSIX things.
std::vector<KindCase> KindCases() {
  return {
      KindCase{"Missing", [](const fs::path& b) { return (b / "RPU_404").string(); },
               "RPU_404: файл не найден."},
      KindCase{"Folder",
               [](const fs::path& b) {
                 fs::create_directory(b / "RPU_200");
                 return (b / "RPU_200").string();
               },
               "RPU_200 не является обычным файлом (это папка)."},
      KindCase{"DanglingLink",
               [](const fs::path& b) {
                 std::error_code ec;
                 fs::create_symlink(b / "gone", b / "RPU_160", ec);
                 return ec ? std::string() : (b / "RPU_160").string();
               },
               "RPU_160 не является обычным файлом (это ссылка на несуществующий файл)."},
      KindCase{"Huge",
               [](const fs::path& b) {
                 std::ofstream(b / "RPU_170").put('\x55');
                 fs::resize_file(b / "RPU_170", kMaxFirmwareFileBytes + 1);
                 return (b / "RPU_170").string();
               },
               "RPU_170 слишком велик (16777217 байт)"},
#ifndef _WIN32
      KindCase{"Fifo",
               [](const fs::path& b) {
                 return ::mkfifo((b / "RPU_150.bin").c_str(), 0600) == 0
                            ? (b / "RPU_150.bin").string()
                            : std::string();
               },
               "RPU_150.bin не является обычным файлом (это именованный канал)."},
      KindCase{"EndlessDevice", [](const fs::path&) { return std::string("/dev/zero"); },
               "/dev/zero не является обычным файлом (это устройство)."},
      // Windows allows no control characters in file names.
      KindCase{"EscapedName",
               [](const fs::path& b) {
                 std::ofstream(b / "RPU_\x1b[2J").put('\x55');
                 return (b / "RPU_\x1b[2J").string();
               },
               "RPU_\\x1b[2J имеет длину 1 байт;"},
#endif
  };
}

INSTANTIATE_TEST_SUITE_P(Kinds, RefusedFirmwareKind, testing::ValuesIn(KindCases()),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(FirmwareLength, WholeBlocksOnly) {
  EXPECT_TRUE(IsWritableFirmwareLength(10));
  EXPECT_TRUE(IsWritableFirmwareLength(266));
  EXPECT_TRUE(IsWritableFirmwareLength(10 + 64 * 1024));
  EXPECT_FALSE(IsWritableFirmwareLength(9));
  EXPECT_FALSE(IsWritableFirmwareLength(300));
}

}  // namespace
}  // namespace orten
