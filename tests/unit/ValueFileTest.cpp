#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <sstream>
#include <thread>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include "base/AtomicFile.h"
#include "base/Wording.h"
#include "params/ValueFile.h"

namespace orten {
namespace {

namespace fs = std::filesystem;

// Windows refuses to delete a read-only file: what a row protected is made
// writable again first, or it would stay and break the next run's set-up.
void RemoveWritably(const fs::path& dir) {
  std::error_code ec;
  fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
  for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    std::error_code ignored;
    if (!it->is_symlink(ignored)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
  }
  fs::remove_all(dir, ec);
}

class ValueFileTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("orten-values-" +
            std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    RemoveWritably(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { RemoveWritably(dir_); }
  std::string Put(const std::string& text) {
    const std::string path = (dir_ / "X.cfg").string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  static std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // The saves' own temporaries (".NAME.<hex>.tmp") still lying about.
  int Temporaries() const {
    int found = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir_)) {
      const std::string name = entry.path().filename().string();
      found += name.starts_with('.') && name.ends_with(".tmp");
    }
    return found;
  }

  // Keeps a failure's words in error_; every failure here is a file's.
  bool Kept(const Outcome& outcome) {
    error_ = outcome.detail;
    if (!outcome) {
      EXPECT_EQ(outcome.kind, OutcomeKind::FileError);
    }
    return outcome.ok();
  }

  fs::path dir_;
  std::vector<std::int32_t> values_{9, 9, 9};
  std::string error_;
};

TEST_F(ValueFileTest, WritesOneValuePerLineWithCrLfAndReadsItBack) {
  const std::string path = (dir_ / "DEZ_MRO.cfg").string();
  const std::vector<std::int32_t> table{5, 0, 255, 17};
  ASSERT_TRUE(Kept(WriteValueFile(path, table))) << error_;
  EXPECT_EQ(Slurp(path), "5\r\n0\r\n255\r\n17\r\n");
  ASSERT_TRUE(Kept(ReadValueFile(path, 4, values_))) << error_;
  EXPECT_EQ(values_, table);
}

TEST_F(ValueFileTest, TokensNotLinesAndExtraValuesIgnored) {
  ASSERT_TRUE(Kept(ReadValueFile(Put("1 2\t3\r\n\r\n  4\n5 6 seven\n"), 5, values_))) << error_;
  EXPECT_EQ(values_, (std::vector<std::int32_t>{1, 2, 3, 4, 5}));
  ASSERT_TRUE(Kept(ReadValueFile(Put("7"), 1, values_))) << error_;  // no line end at all
  EXPECT_EQ(values_, std::vector<std::int32_t>{7});
}

// Nothing raw from the file may reach a terminal or a box, and no message
// grows with the file.
void ExpectShortAndClean(const std::string& message) {
  EXPECT_LT(message.size(), 400u) << message.substr(0, 400);
  EXPECT_EQ(EscapedExcerpt(message, std::numeric_limits<std::size_t>::max()), message);
}

struct Refusal {
  const char* name;
  std::string text;
  std::size_t count;
  std::vector<std::string> mentions;
};

void PrintTo(const Refusal& c, std::ostream* os) {
  *os << c.name;
}

class RefusedFile : public ValueFileTest, public testing::WithParamInterface<Refusal> {};

TEST_P(RefusedFile, NamesFileLineAndValueAndKeepsValues) {
  EXPECT_FALSE(Kept(ReadValueFile(Put(GetParam().text), GetParam().count, values_)));
  EXPECT_EQ(values_, (std::vector<std::int32_t>{9, 9, 9}));
  EXPECT_NE(error_.find("X.cfg"), std::string::npos) << error_;
  for (const std::string& m : GetParam().mentions)
    EXPECT_NE(error_.find(m), std::string::npos) << error_;
  ExpectShortAndClean(error_);
}

INSTANTIATE_TEST_SUITE_P(
    Files, RefusedFile,
    testing::Values(
        Refusal{"TooFew", "1\r\n2\r\n", 3, {"содержит 2 значения из 3"}},
        Refusal{"Empty", "", 45, {"содержит 0 значений из 45"}},
        Refusal{"OneShort", std::string(44 * 3, ' ').replace(0, 1, "7"), 2, {"1 значение из 2"}},
        Refusal{"NotInteger", "1\r\n2\r\nx5\r\n", 3, {"строка 3", "«x5»"}},
        Refusal{"Fraction", "1\n2.5\n3\n", 3, {"строка 2", "2.5"}},
        Refusal{"Negative", "1\n-1\n3\n", 3, {"строка 2", "-1"}},
        Refusal{"TooLarge", "1 2\n\n256\n", 3, {"строка 3", "256"}},
        Refusal{"BeyondInt", "99999999999", 1, {"строка 1", "99999999999 вне диапазона"}},
        // A line ends with CR, LF or CR LF alike.
        Refusal{"CrOnlyLines", "1\r2\r3\r4\r5\rx6\r", 6, {"строка 6", "«x6»"}},
        Refusal{"MixedLineEnds", "1\r\n2\n3\r4\r\n\r\rx\n", 5, {"строка 7", "«x»"}},
        // Quoted escaped and cut short; Cyrillic stays readable.
        Refusal{"EscapeSequence", "1 \x1b[2J\x1b]0;title\x07", 2, {"«\\x1b[2J\\x1b]0;title\\x07»"}},
        Refusal{"NulByte", std::string("5\0", 2), 1, {"«5\\x00»"}},
        Refusal{"InvalidUtf8", "\xff\xc3(\xed\xa0\x80", 1, {"«\\xff\\xc3(\\xed\\xa0\\x80»"}},
        Refusal{"Cyrillic", "пять", 1, {"«пять»"}},
        Refusal{"EndlessToken",
                std::string(300u * 1024 * 1024 / 2048, 'a'),
                1,
                {"строка 1", "слишком длинное", "aaaa…"}}),
    [](const auto& row) { return std::string(row.param.name); });

// Anything but a regular file of sensible size is refused at once, before
// it is read (a FIFO opened for reading would wait for a writer forever).
struct KindCase {
  const char* name;
  std::function<std::string(const fs::path& dir)> make;
  std::string mentions;
};

void PrintTo(const KindCase& c, std::ostream* os) {
  *os << c.name;
}

class RefusedFileKind : public ValueFileTest, public testing::WithParamInterface<KindCase> {};

TEST_P(RefusedFileKind, IsRefusedSayingWhatItIs) {
  const std::string path = GetParam().make(dir_);
  if (path.empty()) GTEST_SKIP() << "no such thing on this system";
  EXPECT_FALSE(Kept(ReadValueFile(path, 1792, values_)));
  EXPECT_EQ(values_, (std::vector<std::int32_t>{9, 9, 9}));
  EXPECT_NE(error_.find(GetParam().mentions), std::string::npos) << error_;
  ExpectShortAndClean(error_);
}

// The rows that exist on this system: FIFOs and devices are POSIX things.
std::vector<KindCase> KindCases() {
  return {KindCase{"Missing", [](const fs::path& d) { return (d / "none.cfg").string(); },
                   "none.cfg: файл не найден."},
          KindCase{"Folder",
                   [](const fs::path& d) {
                     fs::create_directory(d / "X.rrg");
                     return (d / "X.rrg").string();
                   },
                   "X.rrg не является обычным файлом (это папка)."},
          KindCase{"DanglingLink",
                   [](const fs::path& d) {
                     std::error_code ec;
                     fs::create_symlink(d / "gone.rrg", d / "X.rrg", ec);
                     return ec ? std::string() : (d / "X.rrg").string();
                   },
                   "(это ссылка на несуществующий файл)"},
          // Sparse: refused by its size, so no 300 MB is ever read.
          KindCase{"Huge",
                   [](const fs::path& d) {
                     std::ofstream(d / "X.cfg").put('1');
                     fs::resize_file(d / "X.cfg", 300u * 1024 * 1024);
                     return (d / "X.cfg").string();
                   },
                   "слишком велик (314572800 байт)"},
#ifndef _WIN32
          KindCase{"Fifo",
                   [](const fs::path& d) {
                     return ::mkfifo((d / "X.rrg").c_str(), 0600) == 0 ? (d / "X.rrg").string()
                                                                       : std::string();
                   },
                   "(это именованный канал)"},
          KindCase{"EndlessDevice", [](const fs::path&) { return std::string("/dev/zero"); },
                   "/dev/zero не является обычным файлом (это устройство)."},
#endif
          KindCase{"JustOverTheLimit",
                   [](const fs::path& d) {
                     std::ofstream(d / "X.cfg") << std::string(kMaxValueFileBytes + 1, ' ');
                     return (d / "X.cfg").string();
                   },
                   "слишком велик (262145 байт)"}};
}

INSTANTIATE_TEST_SUITE_P(Files, RefusedFileKind, testing::ValuesIn(KindCases()),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(ValueFileTest, FailedSaveLeavesTheOldFileWhole) {
#ifdef _WIN32
  GTEST_SKIP() << "no file-size limit to run into";
#else
  const std::string path = (dir_ / "keep.cfg").string();
  ASSERT_TRUE(Kept(WriteValueFile(path, std::vector<std::int32_t>{1, 2, 3})));
  // Past the file-size limit the write fails halfway; the programs ignore
  // the signal so that it is an error like any other, and so does this test.
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit{};
  ::getrlimit(RLIMIT_FSIZE, &limit);
  const rlimit old = limit;
  limit.rlim_cur = 1024;
  ::setrlimit(RLIMIT_FSIZE, &limit);
  const bool saved = Kept(WriteValueFile(path, std::vector<std::int32_t>(1792, 255)));
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(saved);
  EXPECT_NE(error_.find("keep.cfg: файл слишком велик."), std::string::npos) << error_;
  EXPECT_EQ(Slurp(path), "1\r\n2\r\n3\r\n");
  EXPECT_EQ(Temporaries(), 0);
#endif
}

// A file a library writes by its name (the journal's Excel workbook) is
// saved as any other: replaced whole, or left as it was with the reason.
TEST_F(ValueFileTest, SaveByNameReplacesWholeOrNotAtAll) {
  struct Row {
    const char* name;
    bool fails;  // the library writes part of it, then gives up
    const char* after;
    const char* refusal;
  } rows[] = {
      {"written whole", false, "new", nullptr},
      {"given up halfway", true, "old", "old.xlsx: книга не составлена."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = (dir_ / "old.xlsx").string();
    std::ofstream(path, std::ios::binary) << "old";
    const bool saved =
        Kept(WriteFileAtomicallyBy(path, [&row](const std::string& name, std::string& why) {
          std::FILE* file = std::fopen(name.c_str(), "wb");
          if (!file) return false;
          std::fputs(row.fails ? "ne" : "new", file);
          std::fclose(file);
          if (row.fails) why = "книга не составлена";
          return !row.fails;
        }));
    EXPECT_EQ(saved, !row.fails);
    if (row.refusal) {
      EXPECT_NE(error_.find(row.refusal), std::string::npos) << error_;
    }
    EXPECT_EQ(Slurp(path), row.after);
    EXPECT_EQ(Temporaries(), 0);
  }
}

// What stands where a save goes, and what the save must leave there. Paths
// are in the test's folder; every save writes 1 2 3.
struct Planted {
  enum Kind { File, ReadOnlyFile, PrivateFile, Link, Folder } kind;
  const char* path;
  const char* what = "old";  // the file's text, the link's target
};

struct SaveCase {
  const char* name;
  std::vector<Planted> planted;
  const char* target;
  const char* refusal;  // a part of the message; none when the save goes through
  std::vector<std::pair<const char*, const char*>> contents;  // file, what it holds after
  std::vector<const char*> links;                             // still links after
  fs::perms mode = fs::perms::unknown;                        // of the target after
};

void PrintTo(const SaveCase& c, std::ostream* os) {
  *os << c.name;
}

constexpr const char* kSaved = "1\r\n2\r\n3\r\n";
constexpr fs::perms kReadOnly =
    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
constexpr fs::perms kPrivate = fs::perms::owner_read | fs::perms::owner_write;

// False when the system makes no such thing (links on Windows, as a rule).
bool Plant(const fs::path& dir, const Planted& p) {
  const fs::path path = dir / p.path;
  std::error_code ec;
  if (p.kind == Planted::Link) fs::create_symlink(p.what, path, ec);
  if (p.kind == Planted::Folder) fs::create_directory(path, ec);
  if (p.kind == Planted::Link || p.kind == Planted::Folder) return !ec;
  std::ofstream(path, std::ios::binary) << p.what;
  if (p.kind == Planted::ReadOnlyFile) fs::permissions(path, kReadOnly);
  if (p.kind == Planted::PrivateFile) fs::permissions(path, kPrivate);
  return true;
}

std::vector<SaveCase> SaveCases() {
  using enum Planted::Kind;
  std::vector<SaveCase> rows = {
      // Where a fixed temporary name would be: left alone, followed nowhere.
      SaveCase{"LinkAtTheOldTemporaryName",
               {{File, "victim"}, {Link, "x.cfg.tmp", "victim"}},
               "x.cfg",
               nullptr,
               {{"victim", "old"}, {"x.cfg", kSaved}},
               {"x.cfg.tmp"}},
      SaveCase{"FileAtTheOldTemporaryName",
               {{File, "x.cfg.tmp"}},
               "x.cfg",
               nullptr,
               {{"x.cfg.tmp", "old"}, {"x.cfg", kSaved}}},
      // Refused even to root, whom the system would let write it.
      SaveCase{"WriteProtectedTarget",
               {{ReadOnlyFile, "x.cfg"}},
               "x.cfg",
               "x.cfg: файл защищен от записи.",
               {{"x.cfg", "old"}},
               {},
               kReadOnly},
      // A relative link is read in its own folder, not the current one.
      SaveCase{"TargetIsALink",
               {{Folder, "sub"}, {PrivateFile, "sub/real.cfg"}, {Link, "sub/x.cfg", "real.cfg"}},
               "sub/x.cfg",
               nullptr,
               {{"sub/real.cfg", kSaved}},
               {"sub/x.cfg"}},
      SaveCase{"DanglingLinkIsWrittenThrough",
               {{Link, "x.cfg", "made.cfg"}},
               "x.cfg",
               nullptr,
               {{"made.cfg", kSaved}},
               {"x.cfg"}},
      SaveCase{"LinkToItself",
               {{Link, "x.cfg", "x.cfg"}},
               "x.cfg",
               "x.cfg: ссылки замкнуты в круг.",
               {},
               {"x.cfg"}},
      SaveCase{"FolderAsTarget", {{Folder, "x.cfg"}}, "x.cfg", "x.cfg: это папка."},
      SaveCase{"MissingFolder", {}, "none/x.cfg", "x.cfg: папка не найдена."},
  };
#ifndef _WIN32
  // Not "folder not found": the folder's name is taken by a file.
  rows.push_back(SaveCase{"FileWhereItsFolderGoes",
                          {{File, "none"}},
                          "none/x.cfg",
                          "x.cfg: в пути вместо папки стоит файл.",
                          {{"none", "old"}}});
  const mode_t umask = ::umask(0);
  ::umask(umask);
  rows.push_back(SaveCase{"PrivateTargetStaysPrivate",
                          {{PrivateFile, "x.cfg"}},
                          "x.cfg",
                          nullptr,
                          {{"x.cfg", kSaved}},
                          {},
                          kPrivate});
  rows.push_back(SaveCase{"NewFileTakesTheUmask",
                          {},
                          "x.cfg",
                          nullptr,
                          {{"x.cfg", kSaved}},
                          {},
                          static_cast<fs::perms>(0666 & ~umask)});
#endif
  return rows;
}

class AtomicSave : public ValueFileTest, public testing::WithParamInterface<SaveCase> {};

TEST_P(AtomicSave, LeavesWhatStoodThereAndNoTemporary) {
  const SaveCase& row = GetParam();
  for (const Planted& p : row.planted) {
    if (!Plant(dir_, p)) GTEST_SKIP() << "no such thing on this system";
  }
  const bool saved =
      Kept(WriteValueFile((dir_ / row.target).string(), std::vector<std::int32_t>{1, 2, 3}));
  EXPECT_EQ(saved, row.refusal == nullptr) << error_;
  if (row.refusal) {
    EXPECT_NE(error_.find(row.refusal), std::string::npos) << error_;
  }
  ExpectShortAndClean(error_);
  for (const auto& [file, text] : row.contents)
    EXPECT_EQ(Slurp((dir_ / file).string()), text) << file;
  for (const char* link : row.links) EXPECT_TRUE(fs::is_symlink(dir_ / link)) << link;
  if (row.mode != fs::perms::unknown) {
    EXPECT_EQ(fs::status(dir_ / row.target).permissions() & fs::perms::mask, row.mode);
  }
  EXPECT_EQ(Temporaries(), 0);
}

INSTANTIATE_TEST_SUITE_P(Files, AtomicSave, testing::ValuesIn(SaveCases()),
                         [](const auto& row) { return std::string(row.param.name); });

// Writers racing for one backup, each with its own content, and a reader
// beside them: every read finds one writer's whole file, never a mix.
TEST_F(ValueFileTest, AtomicSavesRacingEachLeaveOneWholeFile) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows refuses to replace a file that is open for reading";
#else
  const std::string path = (dir_ / "t.rrg").string();
  std::vector<std::vector<std::int32_t>> tables;
  std::vector<std::string> texts;
  for (std::int32_t value : {0, 255, 17}) {
    tables.emplace_back(1792, value);
    texts.emplace_back();
    for (int i = 0; i < 1792; ++i) texts.back() += std::to_string(value) + "\r\n";
  }
  ASSERT_TRUE(Kept(WriteValueFile(path, tables[0]))) << error_;
  std::atomic<int> failedSaves = 0;
  std::atomic<std::size_t> writing = tables.size();
  std::vector<std::thread> writers;
  for (const auto& table : tables) {
    writers.emplace_back([&] {
      for (int round = 0; round < 100; ++round) failedSaves += !WriteValueFile(path, table);
      --writing;
    });
  }
  int mixed = 0;
  while (writing > 0) mixed += std::find(texts.begin(), texts.end(), Slurp(path)) == texts.end();
  for (std::thread& t : writers) t.join();
  EXPECT_EQ(failedSaves, 0);
  EXPECT_EQ(mixed, 0);
  EXPECT_NE(std::find(texts.begin(), texts.end(), Slurp(path)), texts.end());
  EXPECT_EQ(Temporaries(), 0);
#endif
}

}  // namespace
}  // namespace orten
