// Finding the receiver without touching USB: the candidate rule over
// descriptor data, port paths, the remembered-IDs file and its precedence,
// and the wait for the device to come or go.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "startup/UsbIdSettings.h"
#include "transport/DevicePresence.h"
#include "transport/UsbDeviceScan.h"

namespace orten {
namespace {

namespace fs = std::filesystem;

constexpr UsbEndpointInfo kBulkIn{0x81, 0x02};
constexpr UsbEndpointInfo kBulkOut{0x01, 0x02};
constexpr UsbEndpointInfo kInterruptIn{0x83, 0x03};

struct CandidateCase {
  const char* name;
  std::vector<UsbInterfaceInfo> interfaces;
  std::optional<std::uint8_t> receiver;
};

void PrintTo(const CandidateCase& c, std::ostream* os) {
  *os << c.name;
}

class ReceiverInterfaceTest : public testing::TestWithParam<CandidateCase> {};

TEST_P(ReceiverInterfaceTest, VendorClassWithOneBulkPair) {
  EXPECT_EQ(ReceiverInterface(GetParam().interfaces), GetParam().receiver);
}

INSTANTIATE_TEST_SUITE_P(
    Descriptors, ReceiverInterfaceTest,
    testing::Values(
        CandidateCase{"BulkPair", {{0, 0, 0xFF, {kBulkOut, kBulkIn}}}, 0},
        CandidateCase{"InterruptBesideThePairIsAllowed",
                      {{0, 0, 0xFF, {kBulkIn, kInterruptIn, kBulkOut}}},
                      0},
        CandidateCase{"NotVendorClass", {{0, 0, 0x0A, {kBulkOut, kBulkIn}}}, std::nullopt},
        CandidateCase{"OnlyIn", {{0, 0, 0xFF, {kBulkIn}}}, std::nullopt},
        CandidateCase{"TwoBulkIn", {{0, 0, 0xFF, {kBulkIn, {0x82, 0x02}, kBulkOut}}}, std::nullopt},
        CandidateCase{"InterruptIsNotBulk", {{0, 0, 0xFF, {kInterruptIn, kBulkOut}}}, std::nullopt},
        // A CDC-like pair: the data interface is not vendor-specific.
        CandidateCase{"SecondInterfaceQualifies",
                      {{0, 0, 0x02, {kInterruptIn}}, {1, 0, 0xFF, {kBulkIn, kBulkOut}}},
                      1},
        CandidateCase{"NoInterfaces", {}, std::nullopt}),
    [](const testing::TestParamInfo<CandidateCase>& row) { return row.param.name; });

TEST(UsbPortPath, NamesAsSysfsDoes) {
  EXPECT_EQ(UsbPortPath(1, {2, 3}), "1-2.3");
  EXPECT_EQ(UsbPortPath(3, {7}), "3-7");
  EXPECT_EQ(UsbPortPath(2, {}), "usb2");
}

struct SettingsCase {
  const char* name;
  const char* text;
  bool ok;
  std::vector<UsbId> ids;
  const char* errorHolds;
};

void PrintTo(const SettingsCase& c, std::ostream* os) {
  *os << c.name;
}

class RememberedIdsTest : public testing::TestWithParam<SettingsCase> {};

TEST_P(RememberedIdsTest, Parses) {
  std::vector<UsbId> ids;
  const Outcome parsed = ParseRememberedUsbIds(GetParam().text, ids);
  const std::string& error = parsed.detail;
  EXPECT_EQ(parsed.ok(), GetParam().ok) << error;
  if (GetParam().ok) {
    EXPECT_EQ(ids, GetParam().ids);
  } else {
    EXPECT_NE(error.find(GetParam().errorHolds), std::string::npos) << error;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, RememberedIdsTest,
    testing::Values(SettingsCase{"One", "usb-id = 1234:abcd\n", true, {{0x1234, 0xabcd}}, ""},
                    SettingsCase{"CommentsBlanksAndCrlf",
                                 "# note\r\n\r\n  usb-id=0483:5740,16c0:05dc\r\n",
                                 true,
                                 {{0x0483, 0x5740}, {0x16c0, 0x05dc}},
                                 ""},
                    SettingsCase{"EmptyFile", "", true, {}, ""},
                    SettingsCase{
                        "OtherKey", "usb-id = 1:1\ndata-dir = /x\n", false, {}, "строка 2"},
                    SettingsCase{"NoEquals", "1234:abcd\n", false, {}, "строка 1"},
                    SettingsCase{"BadId", "# c\nusb-id = 12345:1\n", false, {}, "строка 2"},
                    SettingsCase{"NoValue", "usb-id =\n", false, {}, "строка 1"},
                    SettingsCase{"Twice", "usb-id = 1:1\nusb-id = 2:2\n", false, {}, "строка 2"}),
    [](const testing::TestParamInfo<SettingsCase>& row) { return row.param.name; });

#ifndef _WIN32  // USB IDs are Linux's way to the device; Windows asks the driver
// Each test gets its own configuration folder and a clean ORTEN_USB_ID.
class ConfiguredIdsTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ =
        fs::temp_directory_path() / ("orten-config-" + std::to_string(::getpid()) + "-" +
                                     testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    ::setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
    ::unsetenv("ORTEN_USB_ID");
  }
  void TearDown() override {
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("ORTEN_USB_ID");
    fs::remove_all(folder_);
  }
  fs::path folder_;
};

TEST_F(ConfiguredIdsTest, RememberedRoundTripsAndOptionAndEnvironmentWin) {
  const std::string path = RememberedUsbIdsPath();
  EXPECT_EQ(fs::path(path).parent_path(), folder_ / "ortenconf");
  Result<ConfiguredUsbIds> configured = ResolveUsbIds({});
  ASSERT_TRUE(configured);
  EXPECT_EQ(configured->source, UsbIdSource::None);

  ASSERT_TRUE(RememberUsbIds(path, {{0x1234, 0xabcd}, {0x0001, 0x0002}}));
  ASSERT_TRUE(configured = ResolveUsbIds({}));
  EXPECT_EQ(configured->source, UsbIdSource::Remembered);
  EXPECT_EQ(configured->ids, (std::vector<UsbId>{{0x1234, 0xabcd}, {0x0001, 0x0002}}));

  ::setenv("ORTEN_USB_ID", "1111:2222", 1);
  ASSERT_TRUE(configured = ResolveUsbIds({}));
  EXPECT_EQ(configured->source, UsbIdSource::Environment);
  EXPECT_EQ(configured->ids, (std::vector<UsbId>{{0x1111, 0x2222}}));

  ASSERT_TRUE(configured = ResolveUsbIds({{0x3333, 0x4444}}));
  EXPECT_EQ(configured->source, UsbIdSource::Option);
  EXPECT_EQ(configured->ids, (std::vector<UsbId>{{0x3333, 0x4444}}));

  ASSERT_TRUE(ForgetUsbIds(path));
  EXPECT_FALSE(fs::exists(path));
  EXPECT_TRUE(ForgetUsbIds(path)) << "forgetting twice is no error";
}

TEST_F(ConfiguredIdsTest, MalformedFileIsReportedOnlyWhenItIsUsed) {
  fs::create_directories(folder_ / "ortenconf");
  std::ofstream(RememberedUsbIdsPath()) << "usb-id = 1234:abcd\nзачем\n";
  const Result<ConfiguredUsbIds> bad = ResolveUsbIds({});
  EXPECT_EQ(bad.kind(), OutcomeKind::FileError);
  const std::string& error = bad.outcome().detail;
  EXPECT_NE(error.find(RememberedUsbIdsPath() + ", строка 2"), std::string::npos) << error;

  EXPECT_TRUE(ResolveUsbIds({{1, 2}}));
  ::setenv("ORTEN_USB_ID", "zz", 1);
  EXPECT_EQ(ResolveUsbIds({}).kind(), OutcomeKind::Usage);
}
#endif

// A line whose device count follows a script, one entry per look; each wait
// moves a virtual clock by what it was asked to wait.
class ScriptedPresence final : public DevicePresence {
 public:
  ScriptedPresence(std::vector<int> counts, bool canChange)
      : counts_(std::move(counts)), canChange_(canChange) {}

  bool Count(std::uint32_t& count) override {
    const int next = counts_[std::min(looks_++, counts_.size() - 1)];
    if (next < 0) return false;
    count = static_cast<std::uint32_t>(next);
    return true;
  }
  void WaitForChange(int timeoutMs) override {
    waits.push_back(timeoutMs);
    nowMs += timeoutMs;
  }
  bool CanChange() const override { return canChange_; }
  LinkFault LastFault() const override { return LinkFault::Io; }
  std::string LastErrorText() const override { return "listing failed"; }

  std::int64_t nowMs = 1000;
  std::vector<int> waits;

 private:
  std::vector<int> counts_;
  std::size_t looks_ = 0;
  bool canChange_;
};

struct WaitCase {
  const char* name;
  std::vector<int> counts;  // -1: the look fails
  bool wantPresent;
  std::optional<std::int64_t> timeoutMs;
  bool canChange;
  WaitOutcome outcome;
  std::vector<int> waits;
};

void PrintTo(const WaitCase& c, std::ostream* os) {
  *os << c.name;
}

class WaitForPresenceTest : public testing::TestWithParam<WaitCase> {};

TEST_P(WaitForPresenceTest, EndsWhenItHappensOrTimeIsUp) {
  const WaitCase& c = GetParam();
  ScriptedPresence presence(c.counts, c.canChange);
  EXPECT_EQ(WaitForPresence(presence, c.wantPresent, c.timeoutMs, [&] { return presence.nowMs; }),
            c.outcome);
  EXPECT_EQ(presence.waits, c.waits);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, WaitForPresenceTest,
    testing::Values(
        WaitCase{"AlreadyThere", {1}, true, std::nullopt, true, WaitOutcome::Happened, {}},
        WaitCase{
            "ArrivesOnThirdLook", {0, 0, 1}, true, 5000, true, WaitOutcome::Happened, {250, 250}},
        WaitCase{"TwoDevicesCountAsPresent", {2}, true, 0, true, WaitOutcome::Happened, {}},
        WaitCase{
            "GoesAway", {1, 1, 0}, false, std::nullopt, true, WaitOutcome::Happened, {250, 250}},
        // The last slice is cut to what is left of the time limit.
        WaitCase{"TimesOutExactly", {0}, true, 600, true, WaitOutcome::TimedOut, {250, 250, 100}},
        WaitCase{"ZeroTimeoutLooksOnce", {0}, true, 0, true, WaitOutcome::TimedOut, {}},
        WaitCase{"LookFails", {0, -1}, true, std::nullopt, true, WaitOutcome::Failed, {250}},
        WaitCase{"StaticLineWithoutLimitIsRefused",
                 {1},
                 false,
                 std::nullopt,
                 false,
                 WaitOutcome::Endless,
                 {}},
        WaitCase{
            "StaticLineWaitsOutItsLimit", {1}, false, 300, false, WaitOutcome::TimedOut, {250, 50}},
        WaitCase{"StaticLineAlreadyAsWanted",
                 {1},
                 true,
                 std::nullopt,
                 false,
                 WaitOutcome::Happened,
                 {}}),
    [](const testing::TestParamInfo<WaitCase>& row) { return row.param.name; });

}  // namespace
}  // namespace orten
