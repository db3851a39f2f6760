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
#include "protocol/DeviceCommands.h"
#include "protocol/ParameterExchange.h"
#include "sim/SimDevice.h"
#include "sim/SimState.h"
#include "startup/CommonOptions.h"
#include "startup/LinkEnvironment.h"
#include "tests/support/SimRig.h"
#include "transport/DiscoveryAdvice.h"

namespace orten {
namespace {

// The words of a state file's failure, kept for the checks; every one is a file's.
bool Kept(const Outcome& outcome, std::string& error) {
  error = outcome.detail;
  if (!outcome) {
    EXPECT_EQ(outcome.kind, OutcomeKind::FileError);
  }
  return outcome.ok();
}

// The words of a refused option, kept for the checks; every refusal is a usage error.
bool Taken(const Outcome& outcome, std::string& error) {
  error = outcome.detail;
  if (!outcome) {
    EXPECT_EQ(outcome.kind, OutcomeKind::Usage);
  }
  return outcome.ok();
}

namespace fs = std::filesystem;

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

TEST(CommonOptions, TakesSharedOptionsAndLeavesTheRest) {
  std::vector<std::string> args{
      "--simulate",          "mro:45",  "info",  "--usb-id=1234:abcd", "--yes",       "--usb-id",
      "0483:5740,16c0:05dc", "--trace", "t.txt", "--data-dir=/d",      "--sim-state", "s"};
  CommonOptions options;
  std::string error;
  ASSERT_TRUE(Taken(TakeCommonOptions(args, options), error)) << error;
  EXPECT_EQ(args, (std::vector<std::string>{"info", "--yes"}));
  EXPECT_EQ(options.simulate, "mro:45");
  ASSERT_EQ(options.usbIds.size(), 3u);
  EXPECT_EQ(options.usbIds[0], (UsbId{0x1234, 0xabcd}));
  EXPECT_EQ(options.usbIds[2], (UsbId{0x16c0, 0x05dc}));
  // Paths mean the start folder, whatever folder the program enters later.
  EXPECT_EQ(PathFromUtf8(options.tracePath), fs::current_path() / "t.txt");
  EXPECT_EQ(PathFromUtf8(options.dataDir), fs::absolute("/d"));
  EXPECT_EQ(PathFromUtf8(options.simState), fs::current_path() / "s");
}

TEST(CommonOptions, RefusesMalformedValues) {
  for (std::vector<std::string> args :
       {std::vector<std::string>{"--simulate", "xyz"},
        {"--simulate", "rpu:99"},
        {"--simulate", "mro:100"},
        {"--simulate", "mro:4x"},
        {"--usb-id", "12345:1"},
        {"--usb-id", "1234"},
        {"--usb-id", "zz:1"},
        {"--trace"},
        {"--simulate", "mro", "--sim-fault", "bogus"},
        {"--simulate", "mro", "--sim-fault", "write-fail"},
        {"--simulate", "mro", "--sim-fault", "unplug@"},
        {"--simulate", "mro", "--sim-fault", "unplug@-1"},
        {"--simulate", "mro", "--sim-fault", "reject@3"},
        {"--simulate", "mro", "--sim-fault=no-device", "--sim-fault=two-devices"},
        {"--sim-fault", "reject"},
        {"--sim-skip-waits"},
        {"--sim-line", "line", "--simulate", "mro"},
        {"--sim-line", "line", "--sim-state", "s"},
        {"--sim-line", "line", "--sim-fault", "reject"}}) {
    CommonOptions options;
    std::string error;
    EXPECT_FALSE(Taken(TakeCommonOptions(args, options), error)) << args[0] << ' ' << args.back();
    EXPECT_FALSE(error.empty());
  }
}

TEST(CommonOptions, SimFaultsAddUp) {
  std::vector<std::string> args{"--sim-state",
                                "s",
                                "--sim-fault",
                                "unplug@300",
                                "--sim-fault=reject",
                                "--sim-fault",
                                "read-timeout@0",
                                "--sim-fault",
                                "two-devices",
                                "--sim-skip-waits",
                                "info"};
  CommonOptions options;
  std::string error;
  ASSERT_TRUE(Taken(TakeCommonOptions(args, options), error)) << error;
  EXPECT_EQ(args, std::vector<std::string>{"info"});
  EXPECT_EQ(options.simFaults.unplugAtByte, 300u);
  EXPECT_EQ(options.simFaults.readTimeoutAtByte, 0u);
  EXPECT_TRUE(options.simFaults.reject);
  EXPECT_FALSE(options.simFaults.noAnswer);
  EXPECT_TRUE(options.simTwoDevices && options.simSkipWaits && !options.simNoDevice);
  // A mistake names the value it was made in.
  CommonOptions other;
  std::vector<std::string> bad{"--simulate", "rpu", "--sim-fault", "short-chunk@x1"};
  EXPECT_FALSE(Taken(TakeCommonOptions(bad, other), error));
  EXPECT_NE(error.find("short-chunk@x1"), std::string::npos) << error;
}

TEST(SimulateOption, DefaultsAndRanges) {
  std::string error;
  EXPECT_EQ(*ParseSimulateOption("rpu"), 120);
  EXPECT_EQ(*ParseSimulateOption("mro"), 45);
  EXPECT_EQ(*ParseSimulateOption("rpu:100"), 100);
  EXPECT_EQ(*ParseSimulateOption("rpu:255"), 255);
  EXPECT_EQ(*ParseSimulateOption("mro:0"), 0);
  EXPECT_EQ(ParseSimulateOption("rpu:256").kind(), OutcomeKind::Usage);
  EXPECT_EQ(ParseSimulateOption("RPU").kind(), OutcomeKind::Usage);
}

// The driver's advice belongs to the real Windows line alone: a simulated
// empty line says what a real one would on Linux, nothing more.
TEST(LinkEnvironment, DriverAdviceOnTheRealWindowsLineOnly) {
#ifdef _WIN32
  constexpr bool kWindows = true;
#else
  constexpr bool kWindows = false;
#endif
  CommonOptions simulated;
  simulated.simulate = "mro";
  const auto sim = LinkEnvironment::Create(simulated);
  ASSERT_TRUE(sim) << sim.outcome().detail;
  EXPECT_EQ((*sim)->emptyLineAdvice(), "");
  const auto real = LinkEnvironment::Create(CommonOptions{});
  ASSERT_TRUE(real) << real.outcome().detail;
  EXPECT_EQ((*real)->emptyLineAdvice() == kDriverAdvice, kWindows);
}

class TempFolder : public testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("orten-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root_, ec);
  }
  fs::path root_;
};

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

TEST_F(TempFolder, SimStateRoundTripAndRefusal) {
  SimDevice saved(77);
  saved.memory()[0] = 0xAB;
  saved.memory()[2047] = 0x01;
  std::string error;
  const std::string path = (root_ / "sim.state").string();
  ASSERT_TRUE(Kept(SaveSimState(path, saved), error)) << error;

  SimDevice loaded(45);
  ASSERT_TRUE(Kept(LoadSimState(path, loaded), error)) << error;
  EXPECT_EQ(loaded.version(), 77);
  EXPECT_EQ(loaded.memory(), saved.memory());

  std::ofstream(path, std::ios::app) << "";
  {
    std::string text;
    std::ifstream in(path);
    std::getline(in, text, '\0');
    text[text.find("page3 ") + 10] = 'x';
    std::ofstream(path) << text;
  }
  SimDevice untouched(45);
  EXPECT_FALSE(Kept(LoadSimState(path, untouched), error));
  EXPECT_NE(error.find("3"), std::string::npos);
  EXPECT_EQ(untouched.version(), 45);
  EXPECT_EQ(untouched.memory()[0], 0);
}

// One state file is one device, whichever program opens it: while one holds
// its pipes the other's do not open (one "Error" box, then the connect's own
// message), every change is in the file at once, and the next to open it
// sees it.
TEST_F(TempFolder, SimStateFileIsOneDeviceForEveryProgram) {
  const std::string path = (root_ / "one.state").string();
  test::SimRig first;
  test::SimRig second;
  SimStateFile firstFile(path, *first.bus.Attach(120));
  const std::shared_ptr<SimDevice> secondDevice = second.bus.Attach(120);
  SimStateFile secondFile(path, *secondDevice);
  first.transport.KeepStateIn(&firstFile);
  second.transport.KeepStateIn(&secondFile);

  ASSERT_TRUE(first.link.DiscoverDevice());
  ASSERT_TRUE(SendConnect(first.link, kCmdConnectWork));
  std::vector<std::int32_t> settings(kReleSettingsArea.size(), 0);
  settings[0] = 7;
  ASSERT_TRUE(WriteParameterBlock(first.link, kReleSettingsArea, settings));
  SimDevice onDisk(45);
  std::string error;
  ASSERT_TRUE(Kept(LoadSimState(path, onDisk), error)) << error;
  EXPECT_EQ(onDisk.memory()[kReleSettingsArea.startPage * SimDevice::kPageSize], 7);

  EXPECT_TRUE(second.link.DiscoverDevice());
  EXPECT_EQ(SendConnect(second.link, kCmdConnectMain).kind(), OutcomeKind::DeviceBusy);
  EXPECT_EQ(
      second.ui.Messages(),
      (std::vector<std::string>{"Прибор занят другой программой (файл состояния " + path + ").",
                                msg::kConnectSendFailed}));
  EXPECT_NE(secondDevice->memory(), onDisk.memory()) << "nothing was read meanwhile";

  first.link.CloseLink();
  ASSERT_TRUE(second.link.DiscoverDevice());
  ASSERT_TRUE(SendConnect(second.link, kCmdConnectWork));
  EXPECT_EQ(secondDevice->memory(), onDisk.memory());
}

}  // namespace
}  // namespace orten
