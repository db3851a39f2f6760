// The simulated device's state: the --simulate value, and the state file
// every program shares.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "protocol/DeviceCommands.h"
#include "protocol/ParameterExchange.h"
#include "sim/SimDevice.h"
#include "sim/SimState.h"
#include "tests/support/OutcomeWords.h"
#include "tests/support/SimRig.h"
#include "tests/support/TempFolder.h"

namespace orten {
namespace {

// A state file's failure is a file's.
bool Kept(const Outcome& outcome, std::string& error) {
  return test::KeptWords(outcome, OutcomeKind::FileError, error);
}

using test::TempFolder;

TEST(SimulateOption, DefaultsAndRanges) {
  EXPECT_EQ(*ParseSimulateOption("rpu"), 120);
  EXPECT_EQ(*ParseSimulateOption("mro"), 45);
  EXPECT_EQ(*ParseSimulateOption("rpu:100"), 100);
  EXPECT_EQ(*ParseSimulateOption("rpu:255"), 255);
  EXPECT_EQ(*ParseSimulateOption("mro:0"), 0);
  EXPECT_EQ(ParseSimulateOption("rpu:256").kind(), OutcomeKind::Usage);
  EXPECT_EQ(ParseSimulateOption("RPU").kind(), OutcomeKind::Usage);
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
