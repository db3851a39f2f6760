// ortenctl's command line: what the one table lets through, what it refuses
// with which words, and the exit code each kind of outcome ends in.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/OutcomeKinds.h"
#include "cli/CommandTable.h"
#include "cli/ManPage.h"
#include "startup/ExitCodes.h"

namespace orten::cli {
namespace {

#ifdef _WIN32  // no manual pages, and the driver finds the device
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

struct ParseRow {
  const char* args;
  const char* command;  // the command found, or null for a usage error
  const char* shows;    // part of the error, or the arguments joined by '|'
};

TEST(CommandTable, ParsesOrRefusesEachCommandLine) {
  const ParseRow rows[] = {
      {"--simulate mro info --family rpu --gone", nullptr,
       "команда info не принимает параметр --family"},
      {"settings show -- -x.cfg", "settings show", "-x.cfg"},
      {"settings show -x.cfg", nullptr, "неизвестный параметр -x.cfg"},
      {"settings diff a.cfg -- --b.cfg", "settings diff", "a.cfg|--b.cfg"},
      {"settings write", nullptr, "не хватает аргументов"},
      {"info extra", nullptr, "лишний аргумент extra"},
      {"settings defaults", nullptr, "нужен параметр -o"},
      {"settings defaults -o x.cfg", "settings defaults", ""},
      {"settings defaults --output=x.cfg", "settings defaults", ""},
      {"firmware write F.bin -y --verify --change-family", "firmware write", "F.bin"},
      {"backup read --mode rtr --module 3 --object 7 -o b.rrg", "backup read", ""},
      {"backup read --mode xyz", nullptr, "--mode: ожидается rpu или rtr"},
      {"wait --timeout 1e9", nullptr, "--timeout"},
      {"wait --gone=yes", nullptr, "не принимает значения"},
      {"usb --remember 1234:abcd", "usb", ""},
      {"batch settings o.cfg --count 50 --time-limit 600 --stop-on-failure --json",
       "batch settings", "o.cfg"},
      {"batch firmware MRO_46.bin --count=3", "batch firmware", "MRO_46.bin"},
      {"batch restore b.rrg --time-limit 1e9", nullptr, "--time-limit: ожидается число секунд"},
      {"batch settings o.cfg --count 0", nullptr, "--count: ожидается число приборов"},
      {"batch settings o.cfg --verify", nullptr, "не принимает параметр --verify"},
      {"batch", nullptr, "не указано, что сделать"},
      {"frobnicate --mod- 5", nullptr, "неизвестный параметр --mod-"},
      {"usb --remember nonsense", nullptr, "--remember"},
      {"journal --since 2026-12-08 --json", "journal", ""},
      {"journal --since 29.02.2028", "journal", ""},
      {"journal --since 29.02.2027", nullptr, "--since: ожидается дата"},
      {"journal --since 2026-13-01", nullptr, "--since: ожидается дата"},
      {"journal extra", nullptr, "лишний аргумент extra"},
      {"usb --install-rule 04d8:000a", "usb", ""},
      {"usb --install-rule 4d8:a", nullptr, "--install-rule"},
      {"settings", nullptr, "не указано, что сделать"},
      {"settings frobnicate", nullptr, "неизвестная команда settings frobnicate"},
      {"frobnicate", nullptr, "неизвестная команда frobnicate"},
      {"frobnicate --bogus", nullptr, "неизвестный параметр --bogus"},
      {"", nullptr, "не указана команда"},
  };
  for (const ParseRow& row : rows) {
    SCOPED_TRACE(row.args);
    CommandLine line;
    const std::optional<UsageError> bad = ParseCommandLine(Words(row.args), line);
    if (!row.command) {
      ASSERT_TRUE(bad);
      EXPECT_NE(bad->error.find(row.shows), std::string::npos) << bad->error;
      // One reminder of the usage, not the whole help.
      EXPECT_NE(bad->usage.find("Использование: ortenctl"), std::string::npos);
      EXPECT_EQ(bad->usage.find("Коды завершения"), std::string::npos);
      continue;
    }
    ASSERT_FALSE(bad) << bad->error;
    ASSERT_TRUE(line.command);
    EXPECT_STREQ(line.command->words, row.command);
    std::string arguments;
    for (const std::string& a : line.arguments) arguments += (arguments.empty() ? "" : "|") + a;
    EXPECT_EQ(arguments, row.shows);
  }
}

TEST(CommandTable, HelpCoversEveryCommandAndOnlyItsGroupOnRequest) {
  const std::string all = HelpText();
  const std::string settings = HelpText("settings");
  for (const Command& c : Commands()) {
    SCOPED_TRACE(c.words);
    EXPECT_EQ(all.find(std::string("  ") + c.words) != std::string::npos,
              !(kWindows && c.linuxOnly));
    const bool inGroup = std::string(c.words).rfind("settings", 0) == 0;
    EXPECT_EQ(settings.find(std::string("  ") + c.words) != std::string::npos, inGroup);
    // A command's own help gives the keys of its JSON, wherever man is missing.
    if (c.json && !(kWindows && c.linuxOnly)) {
      EXPECT_NE(HelpText(c.words).find(std::string("JSON: ") + c.json), std::string::npos);
    }
  }
  // batch's own exit codes where batch is listed, not among the settings.
  EXPECT_NE(all.find("  batch:"), std::string::npos);
  EXPECT_EQ(settings.find("batch:"), std::string::npos);
  EXPECT_NE(HelpText("batch").find("  batch:"), std::string::npos);
  EXPECT_EQ(all.find("man ortenctl") != std::string::npos, !kWindows);
  EXPECT_EQ(all.find("--install-rule") != std::string::npos, !kWindows);
  EXPECT_EQ(all.find("Команда usb нужна только в Linux") != std::string::npos, kWindows);
  CommandLine line;
  EXPECT_FALSE(ParseCommandLine(Words("settings --help"), line));
  EXPECT_TRUE(line.options.help);
}

TEST(CommandTable, EachOutcomeKindEndsInItsExitCode) {
  const std::pair<OutcomeKind, int> rows[] = {
      {OutcomeKind::Done, 0},           {OutcomeKind::Cancelled, 1},
      {OutcomeKind::Usage, 2},          {OutcomeKind::NoDevice, 4},
      {OutcomeKind::SeveralDevices, 4}, {OutcomeKind::NotConfigured, 4},
      {OutcomeKind::AccessRefused, 4},  {OutcomeKind::UsbUnavailable, 4},
      {OutcomeKind::WrongFamily, 1},    {OutcomeKind::SendFailed, 1},
      {OutcomeKind::NoAnswer, 1},       {OutcomeKind::BadReply, 1},
      {OutcomeKind::ChecksumError, 1},  {OutcomeKind::Refused, 1},
      {OutcomeKind::LinkFailed, 1},     {OutcomeKind::DeviceGone, 1},
      {OutcomeKind::VerifyFailed, 1},   {OutcomeKind::FileError, 3},
      {OutcomeKind::TimedOut, 4},       {OutcomeKind::DeviceBusy, 4},
  };
  for (const auto& [kind, code] : rows) {
    EXPECT_EQ(ExitCodeOf(kind), code) << OutcomeKindName(kind);
    // Every code a command can end in is explained in --help and the manual.
    EXPECT_EQ(std::count_if(ToolExitCodes().begin(), ToolExitCodes().end(),
                            [&](const ExitCodeMeaning& m) { return m.code == ExitCodeOf(kind); }),
              1)
        << OutcomeKindName(kind);
  }
}

// Each command as the table gives it: its own help, a usage error that
// reminds of it alone, and its entry in the manual page. A new command is
// covered here without a row of its own.
TEST(CommandTable, EveryCommandHasItsHelpUsageErrorAndManEntry) {
  const std::string man = OrtenctlManPage({"1.0", "2026-12-08"});
  std::map<std::string, bool> takesValue;
  for (const OptionHelp& o : CommandOptionHelp()) takesValue[o.name] = !o.value.empty();
  for (const Command& c : Commands()) {
    SCOPED_TRACE(c.words);
    ASSERT_TRUE(c.run);
    EXPECT_TRUE(*c.help);
    // Windows' help leaves out what works on Linux alone (and says so above).
    EXPECT_EQ(HelpText(c.words).find("  " + Synopsis(c)) != std::string::npos,
              !(kWindows && c.linuxOnly));
    std::string roff;
    for (const char ch : Synopsis(c)) roff += ch == '-' ? std::string("\\-") : std::string(1, ch);
    EXPECT_NE(man.find(".B " + roff + "\n"), std::string::npos);
    // One argument too many, with whatever it cannot do without.
    std::vector<std::string> args = Words(c.words);
    for (const char* name : c.required) {
      args.push_back(name);
      if (takesValue[name]) args.push_back("x");
    }
    args.insert(args.end(), c.maxArguments + 1, "extra");
    CommandLine line;
    const std::optional<UsageError> bad = ParseCommandLine(args, line);
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad->error, "лишний аргумент extra");
    EXPECT_EQ(bad->usage, "Использование: ortenctl [параметры] " + Synopsis(c) + "\n");
    EXPECT_EQ(bad->helpHint, std::string("Справка: ortenctl ") + c.words + " --help");
  }
}

// The kinds' table against what --help explains: a code no kind ends in, or
// one without its text, is caught here; a kind is named once.
TEST(CommandTable, KindsEndInTheCodesTheHelpExplains) {
  std::set<int> reached;
  std::set<std::string> names;
  for (const OutcomeKindRow& row : OutcomeKindRows()) {
    reached.insert(row.toolExit);
    EXPECT_TRUE(names.insert(row.name).second) << row.name;
  }
  std::set<int> explained;
  for (const ExitCodeMeaning& m : ToolExitCodes()) explained.insert(m.code);
  EXPECT_EQ(reached, explained);
}

// The README's table of exit codes names, for each code, the outcomes that
// end in it: exactly the kinds' table, so the two cannot drift apart.
TEST(CommandTable, ReadmeExitCodesAreTheKindsTable) {
#ifndef ORTEN_SOURCE_DIR
  GTEST_SKIP() << "no source tree here";
#else
  std::ifstream readme(ORTEN_SOURCE_DIR "/README.md");
  ASSERT_TRUE(readme);
  std::map<int, std::set<std::string> > documented;
  const std::regex row(R"(^\| ([0-9]+) \| .* \| (`[a-z-]+`(, `[a-z-]+`)*) \|$)");
  const std::regex token("`([a-z-]+)`");
  for (std::string line; std::getline(readme, line);) {
    std::smatch m;
    if (!std::regex_match(line, m, row)) continue;
    const std::string tokens = m[2];
    for (std::sregex_iterator t(tokens.begin(), tokens.end(), token), end; t != end; ++t) {
      documented[std::stoi(m[1])].insert((*t)[1]);
    }
  }
  std::map<int, std::set<std::string> > table;
  for (const OutcomeKindRow& r : OutcomeKindRows()) table[r.toolExit].insert(r.name);
  EXPECT_EQ(documented, table);
#endif
}

}  // namespace
}  // namespace orten::cli
