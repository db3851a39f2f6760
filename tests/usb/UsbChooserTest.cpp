// The device chooser through real libusb: which devices it offers, what a
// choice remembers, that the next look finds the device by it, and the rule
// offered when this user may not open the device.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ops/Session.h"
#include "protocol/Packets.h"
#include "startup/DeviceChooser.h"
#include "startup/UsbIdSettings.h"
#include "tests/usb/UsbRig.h"

namespace fs = std::filesystem;

namespace orten {
namespace {

using test::EmulatedDeviceSetup;

const EmulatedDeviceSetup kReceiver{.manufacturer = "Orten", .product = "RPU"};
const EmulatedDeviceSetup kRelay{.id = {0x16c0, 0x05df}, .manufacturer = "Orten", .product = "MRO"};
const EmulatedDeviceSetup kNotReceiver{.id = {0x16c0, 0x05de}, .bulkPair = false};

struct ChooserCase {
  const char* name;
  std::vector<EmulatedDeviceSetup> devices;
  std::optional<std::size_t> denied;  // the device whose node this user may not open
  const char* rememberedBefore;       // IDs in usb.conf before; "": no file
  std::vector<UsbId> option;          // --usb-id
  std::optional<std::size_t> pick;    // the user's row; none: cancels
  std::vector<std::string> offered;   // "id port maker/product access" per row; none: no chooser
  const char* rememberedAfter;
  OutcomeKind outcome;                // of the look and the connect
  std::vector<std::string> boxesSay;  // a piece of each box, in order
  bool asOrtenctl = false;            // no chooser: ortenctl's wiring
  const char* lastStatus = "";        // the status line after it all; "": not looked at
};

void PrintTo(const ChooserCase& c, std::ostream* os) {
  *os << c.name;
}

std::string Describe(const DeviceChoiceItem& item) {
  const char* access = !item.mayOpen ? "?" : *item.mayOpen ? "yes" : "no";
  return item.id + " " + item.port + " " + item.manufacturer + "/" + item.product + " " + access;
}

class UsbChooser : public test::UsbRig, public testing::WithParamInterface<ChooserCase> {
 protected:
  void SetUp() override {
    UsbRig::SetUp();
    config_ = fs::temp_directory_path() / ("orten-chooser-" + std::to_string(::getpid()));
    fs::remove_all(config_);
    fs::create_directories(config_ / "bin");
    ::setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
    ::unsetenv("ORTEN_USB_ID");
  }
  void TearDown() override {
    UsbRig::TearDown();
    ::unsetenv("XDG_CONFIG_HOME");
    fs::remove_all(config_);
  }
  std::string Remembered() const {
    std::vector<UsbId> ids;
    const Outcome loaded = LoadRememberedUsbIds(RememberedUsbIdsPath(), ids);
    EXPECT_TRUE(loaded) << loaded.detail;
    std::string text;
    for (const UsbId& id : ids) text += (text.empty() ? "" : ",") + FormatUsbId(id);
    return text;
  }

  fs::path config_;
};

TEST_P(UsbChooser, OffersRemembersAndConnects) {
  const ChooserCase& c = GetParam();
  if (*c.rememberedBefore) {
    const Result<std::vector<UsbId>> ids = ParseUsbIdList(c.rememberedBefore);
    ASSERT_TRUE(ids);
    ASSERT_TRUE(RememberUsbIds(RememberedUsbIdsPath(), *ids));
  }
  for (const EmulatedDeviceSetup& setup : c.devices) usb_.Plug(setup);
  if (c.denied) usb_.DenyAccess(*usb_.Devices()[*c.denied]);
  ui_.PickDevice(c.pick);

  Outcome outcome;
  {
    std::optional<test::Unprivileged> asUser;
    if (c.denied) asUser.emplace();
    // The window's wiring: IDs looked up at each look, the chooser on an empty line.
    transport_ = std::make_unique<LibusbTransport>([&c]() -> Result<std::vector<UsbId>> {
      const Result<ConfiguredUsbIds> configured = ResolveUsbIds(c.option);
      if (!configured) return configured.outcome();
      return configured->ids;
    });
    // No pkexec where it is looked for: the rule comes as commands.
    DeviceChooser chooser(c.option, UdevRuleInstaller({(config_ / "root").string(),
                                                       (config_ / "bin").string(), false, ""}));
    Session session(*transport_, pacer_, ui_);
    if (!c.asOrtenctl) {
      session.SetEmptyLineHandler(
          [&](LinkFault fault) { return chooser.OfferAfterEmptyLine(fault, ui_); });
      session.SetAccessRefusedHandler([&] { chooser.OfferRule(ui_, transport_->OpenAdvice()); });
    }
    outcome = session.Find();
    if (outcome) outcome = session.Connect(kCmdConnectMain).outcome();
    session.Close();
  }

  std::vector<std::string> offered;
  ASSERT_LE(ui_.Choices().size(), 1u);
  for (const DeviceChoice& choice : ui_.Choices()) {
    EXPECT_EQ(choice.title, "Выбор прибора");
    for (const DeviceChoiceItem& item : choice.items) offered.push_back(Describe(item));
  }
  EXPECT_EQ(offered, c.offered);
  EXPECT_EQ(Remembered(), c.rememberedAfter);
  EXPECT_EQ(outcome.kind, c.outcome) << OutcomeKindName(outcome.kind);
  const std::vector<std::string> boxes = Boxes();
  ASSERT_EQ(boxes.size(), c.boxesSay.size()) << testing::PrintToString(boxes);
  for (std::size_t i = 0; i < boxes.size(); ++i)
    EXPECT_NE(boxes[i].find(c.boxesSay[i]), std::string::npos) << boxes[i];
  // The rule is offered in one box, not repeated in the "Error" box before it.
  EXPECT_LE(std::count_if(boxes.begin(), boxes.end(),
                          [](const std::string& box) { return box.find("uaccess") != box.npos; }),
            1);
  if (*c.lastStatus) {
    EXPECT_EQ(ui_.LastStatus(), c.lastStatus);
  }
  EXPECT_FALSE(fs::exists(config_ / "root"));  // nothing is written for the user here
}

const std::string kReceiverRow = "16c0:05dc 1-2 Orten/RPU yes";
const std::string kNoDevices = "отключены от линии USB";
const std::string kNoIds = "Не заданы идентификаторы";

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, UsbChooser,
    testing::Values(
        ChooserCase{"NoIdsOneCandidatePicked", {kReceiver}, {}, "", {}, 0, {kReceiverRow},
                    "16c0:05dc", OutcomeKind::Done, {}},
        // A device is plugged in: "no device on the line" would not be true.
        ChooserCase{"CancelSaysNoDeviceWasChosen", {kReceiver}, {}, "", {}, std::nullopt,
                    {kReceiverRow}, "", OutcomeKind::Cancelled, {}, false, msg::kNoDeviceChosen},
        ChooserCase{"RememberedNotPluggedOffersTheCandidatesOnly", {kNotReceiver, kReceiver}, {},
                    "1234:5678", {}, 0, {"16c0:05dc 1-3 Orten/RPU yes"}, "16c0:05dc",
                    OutcomeKind::Done, {}},
        ChooserCase{"UsbIdOptionWinsNoChooser", {kReceiver}, {}, "", {{0x1234, 0x5678}},
                    std::nullopt, {}, "", OutcomeKind::NoDevice, {kNoDevices}},
        ChooserCase{"NoCandidateNoChooser", {kNotReceiver}, {}, "", {}, std::nullopt, {}, "",
                    OutcomeKind::NotConfigured, {kNoDevices, kNoIds}},
        // The first day: the module is there, no udev rule yet. Access refused,
        // not a transfer fault; the rule in one box, after the connect's words.
        ChooserCase{"DeniedOnePickedThenItsRule", {kReceiver, kRelay}, 1, "", {}, 1,
                    {kReceiverRow, "16c0:05df 1-3 Orten/MRO no"}, "16c0:05df",
                    OutcomeKind::AccessRefused,
                    {"Нет прав на доступ к прибору USB 16c0:05df (шина 1, адрес 3).",
                     msg::kConnectSendFailed,
                     "ATTR{idProduct}==\"05df\", TAG+=\"uaccess\"\nв файле "
                     "/etc/udev/rules.d/70-ortenconf.rules"}},
        ChooserCase{"DeniedWithUsbIdGiven", {kReceiver}, 0, "", {test::kTestUsbId}, std::nullopt, {},
                    "", OutcomeKind::AccessRefused,
                    {"Нет прав на доступ к прибору USB 16c0:05dc", msg::kConnectSendFailed,
                     "Поставьте его командами (нужны права root):\ngrep -qsxF"}},
        // ortenctl --usb-id: exit code 4, and the rule with the commands after the failure.
        ChooserCase{"DeniedAsOrtenctlSeesIt", {kReceiver}, 0, "", {test::kTestUsbId},
                    std::nullopt, {}, "", OutcomeKind::AccessRefused,
                    {"Нет прав на доступ к прибору USB 16c0:05dc", msg::kConnectSendFailed,
                     "«ortenctl usb --install-rule 16c0:05dc» (от root или через pkexec). "
                     "Вручную, с правами root:\ngrep -qsxF"},
                    true}),
    [](const auto& row) { return std::string(row.param.name); });
// clang-format on

}  // namespace
}  // namespace orten
