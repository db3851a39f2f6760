#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/BatchJob.h"
#include "ops/Session.h"
#include "params/ReleSettings.h"
#include "protocol/Packets.h"
#include "sim/SimLine.h"
#include "startup/CommonOptions.h"
#include "startup/SimLineScript.h"
#include "startup/SimPresence.h"
#include "tests/support/SimRig.h"

namespace orten {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The steps as one line of text, to compare whole scripts in a row.
std::string Shown(const std::vector<SimLineStep>& steps) {
  std::string text;
  for (const SimLineStep& s : steps) {
    if (!text.empty()) text += "; ";
    switch (s.kind) {
      case SimLineStep::Kind::Plug:
        text += "plug";
        for (const auto& a : s.arrivals) {
          text += " " + std::to_string(a.version);
          if (a.faults.noAnswer) text += "+no-answer";
          if (a.faults.unplugAtReadByte) text += "+unplug-read@" + std::to_string(*a.faults.unplugAtReadByte);
        }
        break;
      case SimLineStep::Kind::Unplug:
        text += "unplug " + std::to_string(s.device);
        break;
      case SimLineStep::Kind::Pause:
        text += "pause " + std::to_string(s.pauseMs);
        break;
    }
  }
  return text;
}

struct ScriptRow {
  const char* name;
  const char* script;
  const char* steps;  // as Shown renders them; null when the script is refused
  const char* error;  // part of the message when refused
};

TEST(SimLineScript, ParsesOrNamesTheLine) {
  const ScriptRow rows[] = {
      {"defaults and comments", "# box\nplug mro\n\nplug rpu # receiver\r\n", "plug 45; plug 120", ""},
      {"faults follow their device", "plug mro:40 no-answer rpu:130 unplug-read@9",
       "plug 40+no-answer 130+unplug-read@9", ""},
      {"unplug and pause", "unplug\nunplug 3\npause 1.5", "unplug 0; unplug 3; pause 1500", ""},
      {"unknown step", "plug mro\nhop", nullptr, "строка 2: неизвестный шаг hop"},
      {"fault before a device", "plug reject", nullptr, "а не reject"},
      {"line fault", "plug mro no-device", nullptr, "отказ линии"},
      {"bad version", "plug mro:120", nullptr, "строка 1"},
      {"bad fault", "plug mro unplug@x", nullptr, "unplug@x"},
      {"pause without time", "pause", nullptr, "число секунд"},
      {"pause too long", "pause 90000", nullptr, "от 0 до 86400"},
      {"unplug zero", "unplug 0", nullptr, "номер прибора"},
      {"extra word", "unplug 1 2", nullptr, "лишнее слово 2"},
  };
  for (const ScriptRow& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<SimLineStep> steps;
    const Outcome parsed = ParseSimLineScript(row.script, steps);
    const bool ok = parsed.ok();
    const std::string& error = parsed.detail;
    if (row.steps) {
      ASSERT_TRUE(ok) << error;
      EXPECT_EQ(Shown(steps), row.steps);
    } else {
      EXPECT_FALSE(ok);
      EXPECT_NE(error.find(row.error), std::string::npos) << error;
    }
  }
}

// Each wait lets one change happen; a pause takes its time on the clock first.
// What the script plugs in first is there from the start.
TEST(SimLine, OneChangePerWaitAfterThePause) {
  std::vector<SimLineStep> steps;
  ASSERT_TRUE(ParseSimLineScript("plug mro:45\npause 2\nplug mro:46 rpu\nunplug\nunplug 3", steps));
  VirtualClock clock;
  SimBus bus;
  SimLine line(bus, clock, std::move(steps));
  SimPresence presence(bus, &line);
  struct Look {
    int waitMs;
    std::int64_t clockMs;  // after the wait
    std::vector<std::string> places;
  };
  const Look looks[] = {
      {0, 0, {"sim:1"}},  // plugged in before the program starts
      {1500, 1500, {"sim:1"}},
      {1500, 2000, {"sim:1", "sim:2", "sim:3"}},  // at once, when the pause is over
      {250, 2000, {"sim:2", "sim:3"}},
      {250, 2000, {"sim:2"}},
      {250, 2250, {"sim:2"}},  // the script is over; time still passes
  };
  EXPECT_TRUE(presence.CanChange());
  for (const Look& look : looks) {
    presence.WaitForChange(look.waitMs);
    std::uint32_t count = 0;
    ASSERT_TRUE(presence.Count(count));
    EXPECT_EQ(count, look.places.size());
    EXPECT_EQ(presence.Places(), look.places);
    EXPECT_EQ(clock.NowUs() / 1000, look.clockMs);
  }
  EXPECT_FALSE(presence.CanChange());
  EXPECT_EQ(bus.devices()[2]->version(), 120);
}

// A batch's settings job on one device: connect as a work page, the write,
// the read back, the disconnect, and nothing else on the wire.
TEST(BatchJob, SettingsJobExactBytesOnTheWire) {
  const std::filesystem::path folder = testing::TempDir() + "/batch_job";
  std::filesystem::create_directories(folder);
  const ReleTable table = kFactoryReleSettings;
  {
    std::ofstream file(folder / "box.cfg", std::ios::binary);
    for (const std::int32_t v : table) file << v << "\r\n";
  }
  test::SimRig rig;
  const std::shared_ptr<SimDevice> device = rig.bus.Attach(45);
  Session session(rig.transport, rig.pacer, rig.ui);
  const cli::CliOptions options;
  const std::vector<std::string> arguments;
  std::ostringstream out;
  cli::CommandContext ctx{options, arguments, rig.ui, out, out, folder.string()};
  ctx.session = &session;
  const Result<cli::BatchJob> job = cli::SettingsJob(ctx, (folder / "box.cfg").string());
  ASSERT_TRUE(job);
  EXPECT_EQ(job->family, DeviceMode::Relay);
  ASSERT_TRUE(job->run());

  Bytes expected = {0x55, 0x55, 0xAA, 0xAA, 0x00, 0x00, 0x01, 0xF1,   // connect, work page
                    0x55, 0x55, 0x94, 0x01, 0x07, 0x00, 0x7F, 0xC9};  // parameter write
  std::vector<std::int32_t> page(256, 0);
  std::copy(table.begin(), table.end(), page.begin());
  const Bytes frame = BuildDataFrame(page);
  expected.insert(expected.end(), frame.begin(), frame.end());
  for (const std::uint8_t b : {0x55, 0x55, 0x93, 0x01, 0x07, 0x00, 0x7E, 0xBD,   // read back
                               0x55, 0x55, 0xA0, 0x00, 0x00, 0x00, 0x22, 0x09}) {  // disconnect
    expected.push_back(b);
  }
  EXPECT_EQ(device->received(), expected);
  ASSERT_TRUE(session.lastDevice());
  EXPECT_EQ(session.lastDevice()->version, 45);

  // The other family is refused before anything but the connect is sent.
  test::SimRig other;
  const std::shared_ptr<SimDevice> receiver = other.bus.Attach(120);
  Session otherSession(other.transport, other.pacer, other.ui);
  ctx.session = &otherSession;
  const Result<cli::BatchJob> refused = cli::SettingsJob(ctx, (folder / "box.cfg").string());
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->run().kind, OutcomeKind::WrongFamily);
  EXPECT_EQ(receiver->received().size(), 16u);  // connect and disconnect only
}

}  // namespace
}  // namespace orten
