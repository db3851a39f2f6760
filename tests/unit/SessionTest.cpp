// Session: the verdicts of its checks, decided once for every front end and
// the journal, and the words its journal records keep.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "backup/RegistrationImage.h"
#include "base/Sha256.h"
#include "ops/Journal.h"
#include "ops/Session.h"
#include "protocol/FirmwareImage.h"
#include "protocol/Packets.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/SimRig.h"

namespace orten::test {
namespace {

namespace fs = std::filesystem;

// A journal of its own for each case, gone with it.
struct JournalFolder : ScratchFolder {
  JournalFolder() : ScratchFolder("orten-session-") {}
  std::vector<JournalRecord> Records() const {
    std::ifstream in(path / kJournalFileName, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return ParseJournal(text.str()).records;
  }
};

// Host bytes from the connect on: its request (8), the write request (8),
// the frame's two sync bytes; then the payload.
constexpr std::uint64_t kFirstPayloadByte = 18;

// A read-back: what it found, in the words every front end shows, and its
// record saying the same. The device never says so itself.
TEST(SessionTest, ReadBackVerdict) {
  struct Row {
    const char* name;
    ParameterArea area;
    SimFaults writing;        // from the connect on
    SimFaults readingBack;    // from the read-back on
    std::size_t otherInFile;  // entries the expected table has otherwise than written
    const char* kind;
    const char* message;
    std::size_t differences;
  } rows[] = {
      {"settings kept",
       kReleSettingsArea,
       {},
       {},
       0,
       "done",
       "Проверка: настройки в приборе совпадают с файлом.",
       0},
      {"a setting kept otherwise",
       kReleSettingsArea,
       {.corruptAtByte = kFirstPayloadByte + 7},
       {},
       0,
       "verify-failed",
       "Проверка не пройдена: различается 1 значение.",
       1},
      {"registration kept",
       kRegistrationArea,
       {},
       {},
       0,
       "done",
       "Проверка: память регистрации совпадает с файлом.",
       0},
      {"a registration value kept otherwise",
       kRegistrationArea,
       {.corruptAtByte = kFirstPayloadByte + 1500},
       {},
       0,
       "verify-failed",
       "Проверка не пройдена: различается 1 значение.",
       1},
      {"values, not bytes, counted",
       kRegistrationArea,
       {},
       {},
       5,
       "verify-failed",
       "Проверка не пройдена: различаются 5 значений.",
       5},
      {"settings not read back",
       kReleSettingsArea,
       {},
       {.badChecksum = true},
       0,
       "checksum-error",
       "Ошибка: настройки реле не считаны из прибора.",
       0},
      {"registration not read back",
       kRegistrationArea,
       {},
       {.readTimeoutAtByte = 100},
       0,
       "no-answer",
       "Ошибка: резервная копия не считана из прибора.",
       0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    JournalFolder folder;
    Journal journal((folder.path / kJournalFileName).string(), "ortenctl");
    SimRig rig;
    const bool registration = row.area.startPage == kRegistrationArea.startPage;
    auto device = rig.bus.Attach(registration ? 120 : 45);
    std::vector<std::int32_t> written(registration ? 1792 : 45);
    for (std::size_t i = 0; i < written.size(); ++i) written[i] = static_cast<int>(i * 5 % 251);
    device->set_faults(row.writing);
    RegistrationImage image;
    image.assign(written);
    Verdict verdict;
    {
      Session session(rig.transport, rig.pacer, rig.ui, nullptr, &journal);
      session.OnWorkPage(registration ? DeviceMode::Receiver : DeviceMode::Relay, [&] {
        const Outcome done = registration ? session.WriteRegistration(image, "F")
                                          : session.WriteReleSettings(written, "F");
        EXPECT_TRUE(done.ok()) << OutcomeKindName(done.kind);
        device->set_faults(row.readingBack);
        std::vector<std::int32_t> expected = written;
        for (std::size_t i = 0; i < row.otherInFile; ++i) expected[i * 3] += 1;
        verdict = session.ReadBackDifferences(row.area, expected, "F");
        return verdict.outcome;
      });
    }
    EXPECT_EQ(OutcomeKindName(verdict.outcome.kind), std::string(row.kind));
    EXPECT_EQ(verdict.message(), row.message);
    ASSERT_EQ(verdict.differences.size(), row.differences);
    if (row.writing.corruptAtByte) {
      const Difference& d = verdict.differences[0];
      EXPECT_EQ(d.index, *row.writing.corruptAtByte - kFirstPayloadByte);
      EXPECT_EQ(d.found, d.written ^ 1);
    }
    const std::vector<std::string> boxes = rig.ui.Messages();
    EXPECT_EQ(std::count(boxes.begin(), boxes.end(), row.message), 0) << "the front end's to show";
    const std::vector<JournalRecord> records = folder.Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].operation, registration ? "verify-backup" : "verify-settings");
    EXPECT_EQ(records[1].outcome, row.kind);
    EXPECT_EQ(records[1].message, row.message);
  }
}

// After a firmware write: the version the device came back with, against the
// one written, in the words the window's box and ortenctl show alike.
TEST(SessionTest, RestartVerdict) {
  struct Row {
    const char* name;
    SimFaults writing;  // from the connect on: the image's version byte is host byte 11
    bool goneForGood;
    const char* kind;
    const char* message;
    const char* versionAfter;  // in the record
  } rows[] = {
      {"the version written",
       {},
       false,
       "done",
       "Проверка: прибор сообщает версию ПО 13_0.",
       "13_0"},
      {"another version kept",
       {.corruptAtByte = 11},
       false,
       "verify-failed",
       "Проверка не пройдена: прибор сообщает версию 131 вместо 130.",
       "13_1"},
      {"never back",
       {},
       true,
       "no-answer",
       "Проверка не пройдена: прибор не ответил за 10 с после записи.",
       "12_0"},
  };
  std::vector<std::uint8_t> bytes(10 + 64 * 4, 0x33);
  bytes[0] = bytes[1] = 0x55;
  bytes[2] = kFirmwareTypeCode;
  bytes[3] = 130;
  const FirmwareImage image(bytes);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    JournalFolder folder;
    Journal journal((folder.path / kJournalFileName).string(), "ortenconf");
    SimRig rig;
    auto device = rig.bus.Attach(120);
    device->set_faults(row.writing);
    Verdict verdict;
    {
      Session session(rig.transport, rig.pacer, rig.ui, nullptr, &journal);
      ASSERT_TRUE(session.FindAndConnect(kCmdConnectMain).ok());
      ASSERT_TRUE(session.WriteFirmware(image, "RPU_130").ok());
      if (row.goneForGood) device->Unplug();
      verdict = session.AwaitRestart();
    }
    EXPECT_EQ(OutcomeKindName(verdict.outcome.kind), std::string(row.kind));
    EXPECT_EQ(verdict.message(), row.message);
    EXPECT_EQ(verdict.device.has_value(), !row.goneForGood);
    const std::vector<JournalRecord> records = folder.Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].operation + " " + records[1].outcome,
              "verify-firmware " + std::string(row.kind));
    EXPECT_EQ(records[1].message, row.message);
    EXPECT_EQ(records[1].versionBefore + " " + records[1].versionAfter,
              "12_0 " + std::string(row.versionAfter));
  }
}

// What the journal holds of an operation: the device as identified, the
// file's name without its folder and the SHA-256 of the values as a file
// holds them, and the words the user was last shown: the program's own when
// it hands them over, else the exchange's, failures included.
TEST(SessionTest, RecordsWhatTheUserWasShown) {
  JournalFolder folder;
  Journal journal((folder.path / kJournalFileName).string(), "ortenconf");
  SimRig rig;
  auto device = rig.bus.Attach(45);
  Session session(rig.transport, rig.pacer, rig.ui, nullptr, &journal);
  std::vector<std::int32_t> table(45, 0);
  table[0] = 7;
  session.OnWorkPage(DeviceMode::Relay, [&] {
    const Outcome written =
        session.WriteReleSettings(table, (folder.path / "sub" / "X.cfg").string());
    session.ui().ShowMessage("Настройки реле загружены успешно");  // the program's own words,
    session.Told("Настройки реле загружены успешно");              // handed over
    return written;
  });
  session.OnWorkPage(DeviceMode::Relay, [&] {
    device->set_faults({.badChecksum = true});
    return session.ReadReleSettings().outcome();
  });
  device->set_faults({});
  table[0] = 8;  // not what the device holds
  session.OnWorkPage(DeviceMode::Relay, [&] {
    return session.ReadBackDifferences(kReleSettingsArea, table, "X.cfg").outcome;
  });
  // A batch run's module, the program saying nothing more: the exchange's words.
  session.MarkBatch({"2026-12-08T15:04:05Z", "2", "1-4"});
  session.OnWorkPage(DeviceMode::Relay, [&] {
    const Outcome written = session.WriteReleSettings(table);
    session.ui().ShowMessage("shown, never handed over");
    return written;
  });
  session.MarkBatch({});
  session.Told("too late: the record is written");
  const std::vector<JournalRecord> records = folder.Records();
  ASSERT_EQ(records.size(), 4u);
  const JournalRecord& write = records[0];
  EXPECT_EQ(write.program, "ortenconf");
  EXPECT_EQ(write.operation, "write-settings");
  EXPECT_EQ(write.familyBefore + " " + write.versionBefore, "mro 4_5");
  EXPECT_EQ(write.familyAfter + " " + write.versionAfter, "mro 4_5");
  EXPECT_EQ(write.file, "X.cfg");
  std::string cfg = "7\r\n";
  for (int i = 1; i < 45; ++i) cfg += "0\r\n";
  EXPECT_EQ(write.sha256, Sha256Hex(cfg));
  EXPECT_EQ(write.outcome, "done");
  EXPECT_EQ(write.message, "Настройки реле загружены успешно");
  EXPECT_EQ(write.batch + write.module + write.port, "");
  const JournalRecord& read = records[1];
  EXPECT_EQ(read.operation, "read-settings");
  EXPECT_EQ(read.file, "");
  EXPECT_EQ(read.sha256, "");
  EXPECT_EQ(read.outcome, "checksum-error");
  EXPECT_EQ(read.message, "Ошибка CRC! Параметры не считаны !");
  const JournalRecord& verify = records[2];
  EXPECT_EQ(verify.operation, "verify-settings");
  EXPECT_EQ(verify.outcome, "verify-failed");
  EXPECT_EQ(verify.message, "Проверка не пройдена: различается 1 значение.");
  const JournalRecord& module = records[3];
  EXPECT_EQ(module.message, "Параметры загружены успешно");
  EXPECT_EQ(module.batch + " " + module.module + " " + module.port, "2026-12-08T15:04:05Z 2 1-4");
}

}  // namespace
}  // namespace orten::test
