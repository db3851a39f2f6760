// Where an installed program keeps its data, and the udev rule the package
// installs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#endif

#include "base/DataFolders.h"
#include "base/Utf8Path.h"
#include "transport/UdevRule.h"

namespace orten {
namespace {

namespace fs = std::filesystem;

// The installed layout (bin/ beside share/ortenconf) is the Debian package's
// and the Windows installer's; the portable Windows copy is flat.
struct FolderCase {
  const char* name;
  const char* executable;   // the executable's folder, under the test's root (UTF-8)
  const char* shareFolder;  // made under the root first; empty: none
  bool dataDir;
  const char* expected;     // "exe", "user", "data" or "none" (refused: no folder)
  bool noUserBase = false;  // HOME and XDG_DATA_HOME unset (Windows: LOCALAPPDATA)
};

void PrintTo(const FolderCase& c, std::ostream* os) {
  *os << c.name;
}

// The user's data folder's base, as each system names it.
void SetUserDataBase(const fs::path& base) {
#ifdef _WIN32
  SetEnvironmentVariableW(L"LOCALAPPDATA", base.empty() ? nullptr : base.c_str());
#else
  if (base.empty()) {
    ::unsetenv("XDG_DATA_HOME");
  } else {
    ::setenv("XDG_DATA_HOME", base.c_str(), 1);
  }
#endif
}

class ProgramFolderTest : public testing::TestWithParam<FolderCase> {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("orten-install-" + std::string(GetParam().name));
    fs::remove_all(root_);
    fs::create_directories(root_ / PathFromUtf8(GetParam().executable));
    if (*GetParam().shareFolder)
      fs::create_directories(root_ / PathFromUtf8(GetParam().shareFolder));
#ifdef _WIN32
    saved_.resize(32768);
    saved_.resize(GetEnvironmentVariableW(L"LOCALAPPDATA", saved_.data(), 32768));
#endif
    SetUserDataBase(GetParam().noUserBase ? fs::path() : root_ / "xdg");
#ifndef _WIN32
    if (const char* home = std::getenv("HOME")) home_ = home;
    if (GetParam().noUserBase) ::unsetenv("HOME");
#endif
  }
  void TearDown() override {
    SetUserDataBase(saved_);
#ifndef _WIN32
    if (home_) ::setenv("HOME", home_->c_str(), 1);
#endif
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(root_);
  }
  fs::path root_;
  std::wstring saved_;  // Windows: the user's own LOCALAPPDATA
  std::optional<std::string> home_;
};

TEST_P(ProgramFolderTest, InstalledProgramsUseTheUsersFolder) {
  const FolderCase& c = GetParam();
  const std::string exe = Utf8FromPath(root_ / PathFromUtf8(c.executable));
  const std::string dataDir = c.dataDir ? Utf8FromPath(root_ / "given") : "";
  const std::string expected = std::string(c.expected) == "exe"    ? exe
                               : std::string(c.expected) == "data" ? dataDir
                               : std::string(c.expected) == "none"
                                   ? ""
                                   : Utf8FromPath(root_ / "xdg" / "ortenconf");
  // Every executable folder here is writable, as /usr/bin is for root and
  // Program Files for an administrator.
  ASSERT_TRUE(IsWritableFolder(exe));
  // Started in a folder of its own: nothing may land there.
  fs::current_path(root_ / PathFromUtf8(c.executable));
  EXPECT_EQ(ResolveProgramFolder(exe, dataDir), expected);
  if (!expected.empty()) {
    EXPECT_TRUE(fs::is_directory(PathFromUtf8(expected)));
  }
  EXPECT_FALSE(fs::exists(root_ / PathFromUtf8(c.executable) / ".local"));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ProgramFolderTest,
    testing::Values(
        FolderCase{"BuildTree", "build/debug/app", "", false, "exe"},
        FolderCase{"Installed", "usr/bin", "usr/share/ortenconf", false, "user"},
        FolderCase{"InstalledInLocal", "opt/x/bin", "opt/x/share/ortenconf", false, "user"},
        FolderCase{"BinWithoutOurShare", "tools/bin", "tools/share/other", false, "exe"},
        FolderCase{"ShareNotBesideBin", "usr/lib", "usr/share/ortenconf", false, "exe"},
        FolderCase{"InstalledWithDataDir", "usr/bin", "usr/share/ortenconf", true, "data"},
        // The Windows installer's layout, in a folder the ANSI code page cannot spell.
        FolderCase{"InstalledCyrillic", "Program Files/Ортен-ДЕЗ/bin",
                   "Program Files/Ортен-ДЕЗ/share/ortenconf", false, "user"},
        FolderCase{"PortableCyrillic", "Рабочий стол/ortenconf-0.1.0", "", false, "exe"},
        // No HOME (a service, env -i): refused, rather than ./.local wherever it started.
        FolderCase{"InstalledWithoutHome", "usr/bin", "usr/share/ortenconf", false, "none", true},
        FolderCase{"InstalledWithoutHomeGivenDataDir", "usr/bin", "usr/share/ortenconf", true,
                   "data", true}),
    [](const testing::TestParamInfo<FolderCase>& row) { return row.param.name; });

// The probe that tells whether a folder takes files leaves alone whatever
// already bears its name: a file is neither emptied nor removed, a link not
// followed.
TEST(WriteProbe, LeavesWhatIsThereAlone) {
  const fs::path root = fs::temp_directory_path() / "orten-probe";
  struct Row {
    const char* name;
    bool link;
  };
  std::vector<Row> rows{{"a file of that name", false}};
#ifndef _WIN32
  rows.push_back({"a link of that name", true});
#endif
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove_all(root);
    fs::create_directories(root / "folder");
    const fs::path there = root / "folder" / ".ortenconf-write-probe";
    const fs::path precious = row.link ? root / "precious" : there;
    std::ofstream(precious) << "keep";
    if (row.link) fs::create_symlink(precious, there);

    EXPECT_TRUE(IsWritableFolder(Utf8FromPath(root / "folder")));
    std::ifstream in(precious);
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "keep");
    EXPECT_EQ(fs::symlink_status(there).type(),
              row.link ? fs::file_type::symlink : fs::file_type::regular);
    EXPECT_EQ(std::distance(fs::directory_iterator(root / "folder"), fs::directory_iterator()),
              1);  // and no probe left behind
  }
  fs::remove_all(root);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> ActiveLines(const std::string& text) {
  std::vector<std::string> active;
  for (const std::string& line : Lines(text)) {
    if (!line.empty() && line[0] != '#') active.push_back(line);
  }
  return active;
}

TEST(UdevRule, OneUaccessLinePerDeviceInLowerCaseHex) {
  const std::string text = UdevRuleText({{0x04D8, 0x000A}, {0x16c0, 0x05dc}});
  EXPECT_EQ(
      ActiveLines(text),
      (std::vector<std::string>{
          R"(SUBSYSTEM=="usb", ATTR{idVendor}=="04d8", ATTR{idProduct}=="000a", TAG+="uaccess")",
          R"(SUBSYSTEM=="usb", ATTR{idVendor}=="16c0", ATTR{idProduct}=="05dc", TAG+="uaccess")"}));
  EXPECT_EQ(text.back(), '\n');
}

TEST(UdevRule, WithoutIdsEverythingIsCommentedAndSaysHow) {
  const std::string text = UdevRuleText({});
  EXPECT_TRUE(ActiveLines(text).empty()) << text;
  // The template is the real rule once the IDs are filled in and "# " removed.
  const std::string filled = [&] {
    for (const std::string& line : Lines(text)) {
      if (line.rfind("# SUBSYSTEM", 0) == 0) return line.substr(2);
    }
    return std::string();
  }();
  std::string expected = ActiveLines(UdevRuleText({{0xabcd, 0x1234}})).at(0);
  expected.replace(expected.find("abcd"), 4, "VVVV");
  expected.replace(expected.find("1234"), 4, "PPPP");
  EXPECT_EQ(filled, expected);
  EXPECT_NE(text.find("/etc/udev/rules.d/70-ortenconf.rules"), std::string::npos);
  EXPECT_NE(text.find("ortenctl usb --install-rule VVVV:PPPP"), std::string::npos);
  EXPECT_NE(text.find("udevadm control --reload"), std::string::npos);
}

}  // namespace
}  // namespace orten
