// The journal: its CSV both ways, whole appends from two processes at once,
// and a journal that cannot be written, which never stops the work.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "base/AppendFile.h"
#include "base/Sha256.h"
#include "ops/Journal.h"
#include "ops/Session.h"
#include "protocol/Packets.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/SimRig.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

namespace orten::test {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

struct TempFolder : ScratchFolder {
  TempFolder() : ScratchFolder("orten-journal-") {}
};

JournalRecord Sample(std::string file, std::string message = "Параметры загружены успешно") {
  return {"2026-12-08T15:04:05Z",
          "ortenctl",
          "write-settings",
          "mro",
          "4_5",
          "mro",
          "4_5",
          std::move(file),
          std::string(64, 'a'),
          "done",
          std::move(message)};
}

TEST(JournalTest, FieldsSurviveQuotingAndFormulaMarks) {
  struct Row {
    const char* name;
    std::string file;
    std::string field;  // as the line holds it
  } rows[] = {
      {"plain", "X.cfg", ",X.cfg,"},
      {"comma", "a,b.cfg", ",\"a,b.cfg\","},
      {"quote", "a\"b.cfg", ",\"a\"\"b.cfg\","},
      {"newline", "a\nb.cfg", ",\"a\nb.cfg\","},
      {"carriage return", "a\rb.cfg", ",\"a\rb.cfg\","},
      {"formula", "=HYPERLINK(1).cfg", ",'=HYPERLINK(1).cfg,"},
      {"plus", "+1.cfg", ",'+1.cfg,"},
      {"minus and comma", "-1,2.cfg", ",\"'-1,2.cfg\","},
      {"at", "@SUM.cfg", ",'@SUM.cfg,"},
      {"tab", "\tx.cfg", ",'\tx.cfg,"},
      {"apostrophe before a formula", "'=x.cfg", ",''=x.cfg,"},
      {"apostrophe alone", "'x.cfg", ",'x.cfg,"},
      {"cyrillic", "объект №1.cfg", ",объект №1.cfg,"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const JournalRecord record = Sample(row.file);
    const std::string line = JournalLine(record);
    EXPECT_NE(line.find(row.field), std::string::npos) << line;
    EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
    const JournalText back = ParseJournal(JournalHeader() + line + line);
    ASSERT_EQ(back.records.size(), 2u);
    EXPECT_EQ(back.records[0], record);
    EXPECT_EQ(back.records[1], record);
    EXPECT_TRUE(back.skippedLines.empty());
  }
  // A message that starts like a formula is marked too.
  EXPECT_NE(JournalLine(Sample("X.cfg", "-5")).find(",'-5,,,\r\n"), std::string::npos);
}

// A record whose CR is the last byte of the reader's first piece, its LF
// the first of the second.
std::string LineEndingAt(std::size_t lfAt) {
  const std::size_t lineStart = JournalHeader().size();
  const std::string plain = JournalLine(Sample("X.cfg", ""));
  return JournalLine(Sample("X.cfg", std::string(lfAt + 1 - lineStart - plain.size(), 'm')));
}

TEST(JournalTest, WhatIsNoRecordIsSkippedAndTheRestRead) {
  const std::string good = JournalLine(Sample("X.cfg"));       // ends in three empty batch fields
  const std::string quoted = JournalLine(Sample("a\nb.cfg"));  // two lines long
  // As journals were written before the batch columns came.
  const std::string older = good.substr(0, good.size() - 5) + "\r\n";
  std::string olderHeader;
  for (std::size_t i = 0; i < kJournalFirstColumns; ++i)
    olderHeader += std::string(i ? "," : "") + kJournalColumns[i];
  olderHeader += "\r\n";
  struct Row {
    const char* name;
    std::string text;
    std::size_t records;
    std::vector<std::size_t> skipped;
  } rows[] = {
      {"header only", JournalHeader(), 0, {}},
      {"empty", "", 0, {}},
      {"LF line ends and blank lines",
       JournalHeader() + "\n" + good.substr(0, good.size() - 2) + "\n",
       1,
       {}},
      {"torn record glued to the next", JournalHeader() + good.substr(0, 40) + good + good, 1, {2}},
      {"too few fields", JournalHeader() + "a,b,c\r\n" + good, 1, {2}},
      {"bad time", JournalHeader() + "yesterday" + good.substr(20) + good, 1, {2}},
      // Each line of the broken record is noted on its own.
      {"quote left open at the end", JournalHeader() + good + quoted.substr(0, 66), 1, {3, 4}},
      {"text after a closing quote", JournalHeader() + "\"x\"y" + good.substr(20) + good, 1, {2}},
      {"a record over two lines, then one more", JournalHeader() + quoted + good, 2, {}},
      {"header again in the middle", JournalHeader() + good + JournalHeader() + good, 2, {}},
      {"an older journal, new records after", olderHeader + older + good, 2, {}},
      {"one column too many for the older records",
       JournalHeader() + good.substr(0, good.size() - 4) + "\r\n" + good,
       1,
       {2}},
      {"binary junk", std::string("\0\xff\xfe,\"\r\n", 7) + good, 1, {1}},
      // The reader takes the text in pieces of 64 KiB: what straddles two
      // pieces comes back as it would whole.
      {"CR and LF in two pieces, then a line that is no record",
       JournalHeader() + LineEndingAt(65536) + good + "junk\r\n" + good,
       3,
       {4}},
      {"doubled quotes over three pieces",
       JournalHeader() + JournalLine(Sample("X.cfg", std::string(70000, '"'))) + good,
       2,
       {}},
      {"a quote left open past the longest record",
       JournalHeader() + "\"" + std::string(300 * 1024, 'x') + "\r\n" + good,
       1,
       {2}},
      {"a megabyte without a line end",
       JournalHeader() + std::string(1 << 20, 'x') + "\r\n" + good,
       1,
       {2}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const JournalText journal = ParseJournal(row.text);
    EXPECT_EQ(journal.records.size(), row.records);
    EXPECT_EQ(journal.skippedLines, row.skipped);
  }
}

TEST(JournalTest, Sha256OfKnownTexts) {
  const struct {
    std::string text;
    const char* hex;
  } rows[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
      {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
      {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
  };
  for (const auto& row : rows) EXPECT_EQ(Sha256Hex(row.text), row.hex) << row.text.size();
}

#ifndef _WIN32
// Two processes append long records at once: every record comes back whole,
// under one header. The records are longer than a pipe's atomic size, so
// only the one write per record under the lock keeps them apart.
TEST(JournalTest, TwoProcessesAppendingAtOnceLeaveWholeRecords) {
  TempFolder folder;
  const std::string path = (folder.path / kJournalFileName).string();
  constexpr int kRounds = 150;
  const auto appender = [&](char mark) {
    for (int i = 0; i < kRounds; ++i) {
      const JournalRecord r =
          Sample(std::string(1, mark) + std::to_string(i) + ".cfg", std::string(6000, mark));
      if (!AppendToFile(path, JournalHeader(), JournalLine(r))) _exit(1);
    }
    _exit(0);
  };
  std::vector<pid_t> children;
  for (const char mark : {'x', 'y'}) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) appender(mark);
    children.push_back(pid);
  }
  for (const pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const std::string text = ReadAll(path);
  EXPECT_EQ(text.rfind(JournalHeader(), 0), 0u);
  EXPECT_EQ(text.find(JournalHeader(), 1), std::string::npos);
  const JournalText journal = ParseJournal(text);
  EXPECT_TRUE(journal.skippedLines.empty());
  ASSERT_EQ(journal.records.size(), 2u * kRounds);
  int seen[2] = {0, 0};
  for (const JournalRecord& r : journal.records) {
    const char mark = r.file[0];
    ASSERT_TRUE(mark == 'x' || mark == 'y');
    EXPECT_EQ(r.message, std::string(6000, mark));
    // Each process's records stay in its own order.
    EXPECT_EQ(r.file, std::string(1, mark) + std::to_string(seen[mark - 'x']++) + ".cfg");
  }
}
#endif

// Everything under folder that holds a journal record, links not followed.
std::vector<fs::path> FilesWithRecords(const fs::path& folder) {
  std::vector<fs::path> found;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file() && !entry.is_symlink() &&
        ReadAll(entry.path()).find("write-settings") != std::string::npos) {
      found.push_back(entry.path());
    }
  }
  return found;
}

// The device work goes on whatever stands in the journal's way; the failure
// is told once for the run, saying why, the operation's own messages are
// untouched, and nothing is written anywhere else.
TEST(JournalTest, AJournalThatCannotBeWrittenNeverStopsTheWork) {
  struct Row {
    const char* name;
    void (*block)(const fs::path& journal);
    const char* why;
    bool needsNonRoot = false;
    bool lockHeld = false;  // by another program all along: waited for about a second each time
  } rows[] = {
      {"a folder in its place", [](const fs::path& j) { fs::create_directory(j); }, "это папка"},
      {"its folder is missing", [](const fs::path& j) { fs::remove(j.parent_path()); },
       "папка не найдена"},
#ifndef _WIN32
      {"a file where its folder goes",
       [](const fs::path& j) {
         fs::remove(j.parent_path());
         std::ofstream(j.parent_path()) << "kept";
       },
       "в пути вместо папки стоит файл"},
      {"a FIFO in its place", [](const fs::path& j) { ::mkfifo(j.c_str(), 0600); },
       "это именованный канал"},
      {"a link in its place, to a file",
       [](const fs::path& j) {
         std::ofstream(j.parent_path().parent_path() / "elsewhere.txt") << "kept";
         fs::create_symlink("../elsewhere.txt", j);
       },
       "это символическая ссылка"},
      {"a link in its place, to nothing",
       [](const fs::path& j) { fs::create_symlink("../made.csv", j); }, "это символическая ссылка"},
      // Root would be let through: refused all the same.
      {"a write-protected journal",
       [](const fs::path& j) {
         std::ofstream(j) << JournalHeader();
         fs::permissions(j, fs::perms::owner_read | fs::perms::group_read);
       },
       "файл защищен от записи"},
      {"a lock held all along", [](const fs::path& j) { std::ofstream{j}; },
       "файл занят другой программой", false, true},
      {"a read-only folder",
       [](const fs::path& j) {
         fs::permissions(j.parent_path(), fs::perms::owner_read | fs::perms::owner_exec);
       },
       "нет доступа", true},
#endif
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
#ifndef _WIN32
    if (row.needsNonRoot && ::geteuid() == 0) continue;  // root writes there all the same
#endif
    TempFolder folder;
    const fs::path inner = folder.path / "data";
    fs::create_directory(inner);
    const fs::path journalPath = inner / kJournalFileName;
    row.block(journalPath);
#ifndef _WIN32
    const int held = row.lockHeld ? ::open(journalPath.c_str(), O_RDWR) : -1;
    if (held >= 0) {
      ASSERT_EQ(::flock(held, LOCK_EX), 0);
    }
#endif
    Journal journal(journalPath.string(), "ortenctl");
    std::vector<std::string> told;
    journal.OnFailure([&told](const std::string& text) { told.push_back(text); });
    SimRig rig;
    rig.bus.Attach(45);
    Session session(rig.transport, rig.pacer, rig.ui, nullptr, &journal);
    const std::vector<std::int32_t> table(45, 3);
    for (int i = 0; i < 2; ++i) {
      const Outcome done = session.OnWorkPage(
          DeviceMode::Relay, [&] { return session.WriteReleSettings(table, "X.cfg"); });
      EXPECT_TRUE(done.ok()) << OutcomeKindName(done.kind);
    }
#ifndef _WIN32
    if (held >= 0) ::close(held);
#endif
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("Не удается записать журнал"), std::string::npos) << told[0];
#ifndef _WIN32  // Windows words some of these its own way
    EXPECT_NE(told[0].find(std::string(": ") + row.why + ". "), std::string::npos) << told[0];
#endif
    EXPECT_TRUE(rig.ui.Messages().empty());
    EXPECT_EQ(FilesWithRecords(folder.path), std::vector<fs::path>{});
  }
}

#ifndef _WIN32
// A record starts on a line of its own whatever the last append left: a
// write cut short is cut back, a line left without its end (by a crash, by
// another program) is ended first. Every record written after is read back.
TEST(JournalTest, ARecordAlwaysStartsOnAFreshLine) {
  const std::string good = JournalLine(Sample("X.cfg"));
  struct Row {
    const char* name;
    std::string before;   // the journal's text before the appends
    bool cutShort;        // a first append gets only 40 bytes in (the file-size limit)
    std::size_t records;  // read back after two more appends
    std::vector<std::size_t> skipped;
  } rows[] = {
      {"a write cut short by the file-size limit", JournalHeader() + good, true, 3, {}},
      {"a line left without its end", JournalHeader() + good.substr(0, 40), false, 2, {2}},
      {"a header left without its end", JournalHeader().substr(0, 20), false, 2, {1}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempFolder folder;
    const std::string path = (folder.path / kJournalFileName).string();
    std::ofstream(path, std::ios::binary) << row.before;
    if (row.cutShort) {
      const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
      rlimit limit{};
      ::getrlimit(RLIMIT_FSIZE, &limit);
      const rlimit old = limit;
      limit.rlim_cur = row.before.size() + 40;
      ::setrlimit(RLIMIT_FSIZE, &limit);
      const Outcome appended = AppendToFile(path, JournalHeader(), good);
      ::setrlimit(RLIMIT_FSIZE, &old);
      std::signal(SIGXFSZ, oldHandler);
      EXPECT_EQ(appended.kind, OutcomeKind::FileError);
      EXPECT_EQ(appended.detail, "файл слишком велик");
      EXPECT_EQ(ReadAll(path), row.before) << "cut back";
    }
    ASSERT_TRUE(AppendToFile(path, JournalHeader(), good));
    ASSERT_TRUE(AppendToFile(path, JournalHeader(), good));
    const JournalText journal = ParseJournal(ReadAll(path));
    EXPECT_EQ(journal.records.size(), row.records);
    EXPECT_EQ(journal.skippedLines, row.skipped);
  }
}
#endif

// zone: none unsets TZ.
void SetTimeZone(const char* zone) {
#ifdef _WIN32
  _putenv_s("TZ", zone ? zone : "");
  _tzset();
#else
  zone ? setenv("TZ", zone, 1) : unsetenv("TZ");
  tzset();
#endif
}

// The journal keeps UTC; people read it on their computer's clock, here
// three hours east (a POSIX zone, no zone files needed).
TEST(JournalTest, TimesOnTheComputersClock) {
  const char* const was = std::getenv("TZ");
  const std::string kept = was ? was : "";
  SetTimeZone("MSK-3");
  const struct {
    const char* utc;
    const char* local;  // empty: it names no time
  } rows[] = {
      {"2026-12-07T23:59:59Z", "08.12.2026 02:59:59"},
      {"2026-02-28T21:00:00Z", "01.03.2026 00:00:00"},
      {"2024-02-28T21:30:00Z", "29.02.2024 00:30:00"},
      {"2026-13-01T00:00:00Z", ""},
      {"2026-12-08T24:00:00Z", ""},
  };
  for (const auto& row : rows) {
    const std::optional<std::tm> local = LocalTimeOf(row.utc);
    EXPECT_EQ(local ? LocalTimeText(*local) : "", row.local) << row.utc;
  }
  EXPECT_EQ(JournalTimeOfLocalDay("2026-12-08"), "2026-12-07T21:00:00Z");
  SetTimeZone(was ? kept.c_str() : nullptr);
}

}  // namespace
}  // namespace orten::test
