// The options both programs share and the link environment they build.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/Utf8Path.h"
#include "startup/CommonOptions.h"
#include "startup/LinkEnvironment.h"
#include "tests/support/OutcomeWords.h"
#include "transport/DiscoveryAdvice.h"

namespace orten {
namespace {

// A refused option is a usage error.
bool Taken(const Outcome& outcome, std::string& error) {
  return test::KeptWords(outcome, OutcomeKind::Usage, error);
}

namespace fs = std::filesystem;

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

}  // namespace
}  // namespace orten
