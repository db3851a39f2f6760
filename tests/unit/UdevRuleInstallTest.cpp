// Installing the udev rule: only IDs of four hex digits pass, the rule goes
// to the one fixed file, and each way (root, pkexec, none) does exactly its
// own part. pkexec and udevadm are small scripts that log how they were run.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "startup/UdevRuleInstall.h"
#include "transport/UdevRule.h"

namespace fs = std::filesystem;

namespace orten {
namespace {

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(RuleUsbId, OnlyFourHexDigitsEachSidePass) {
  struct Row {
    const char* text;
    const char* parsed;  // as formatted, or null: refused
  };
  const Row rows[] = {
      {"04d8:000a", "04d8:000a"},       {"04D8:000A", "04d8:000a"}, {"4d8:a", nullptr},
      {"04d8:000a,16c0:05dc", nullptr}, {"04d8:000a\n", nullptr},   {" 4d8:000a", nullptr},
      {"+4d8:000a", nullptr},           {"04d8;000a", nullptr},     {"04d8:000g", nullptr},
      {"0x04:000a", nullptr},           {"\"; rm -rf", nullptr},    {"", nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const std::optional<UsbId> id = ParseRuleUsbId(row.text);
    ASSERT_EQ(id.has_value(), row.parsed != nullptr);
    if (id) {
      EXPECT_EQ(FormatUsbId(*id), row.parsed);
    }
  }
}

TEST(RuleUsbId, ManualCommandsAddTheLineOnlyOnce) {
  // Appended, and only when missing: the file may hold other devices' lines.
  EXPECT_EQ(ManualInstallCommands(UsbId{0x04d8, 0x000a}),
            "grep -qsxF 'SUBSYSTEM==\"usb\", ATTR{idVendor}==\"04d8\", ATTR{idProduct}==\"000a\", "
            "TAG+=\"uaccess\"' /etc/udev/rules.d/70-ortenconf.rules || "
            "echo 'SUBSYSTEM==\"usb\", ATTR{idVendor}==\"04d8\", ATTR{idProduct}==\"000a\", "
            "TAG+=\"uaccess\"' | sudo tee -a /etc/udev/rules.d/70-ortenconf.rules\n"
            "sudo udevadm control --reload\n"
            "sudo udevadm trigger --action=change --subsystem-match=usb "
            "--attr-match=idVendor=04d8 --attr-match=idProduct=000a\n");
}

TEST(RuleUsbId, TheFileKeepsEveryOtherLine) {
  const std::string ours =
      "SUBSYSTEM==\"usb\", ATTR{idVendor}==\"04d8\", ATTR{idProduct}==\"000a\", TAG+=\"uaccess\"";
  const std::string other =
      "SUBSYSTEM==\"usb\", ATTR{idVendor}==\"16c0\", ATTR{idProduct}==\"05dc\", TAG+=\"uaccess\"";
  struct Row {
    const char* name;
    std::string before;
    std::optional<std::string> after;  // none: the line is there, nothing to write
  };
  const Row rows[] = {
      {"new file", "", UdevRuleText({{0x04d8, 0x000a}})},
      {"blank file", " \n\n", UdevRuleText({{0x04d8, 0x000a}})},
      {"another device and a comment", "# admin\n" + other + "\n",
       "# admin\n" + other + "\n" + ours + "\n"},
      {"no line end at the end", other, other + "\n" + ours + "\n"},
      {"ours only commented out", "# " + ours + "\n", "# " + ours + "\n" + ours + "\n"},
      {"already there", other + "\n" + ours + "\n" + "# end\n", std::nullopt},
      {"already there, CRLF and spaces", "  " + ours + " \r\n", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(RuleFileWithLine(row.before, {0x04d8, 0x000a}), row.after);
  }
}

class RuleInstall : public testing::Test {
 protected:
  void SetUp() override {
    base_ =
        fs::temp_directory_path() / ("orten-rule-" + std::to_string(::getpid()) + "-" +
                                     testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(base_);
    fs::create_directories(base_ / "bin");
    fs::create_directories(base_ / "root");
    helper_ = Script("ortenctl", 0);
  }
  void TearDown() override { fs::remove_all(base_); }

  // A program that logs its name and arguments, one run a line, and exits with code.
  std::string Script(const std::string& name, int code, const fs::path& folder = {}) {
    const fs::path path = (folder.empty() ? base_ / "bin" : folder) / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "#!/bin/sh\necho \"" << name << " $*\" >> '" << Log().string()
                        << "'\nexit " << code << "\n";
    fs::permissions(path, fs::perms::owner_all);
    return path.string();
  }
  fs::path Log() const { return base_ / "log"; }
  fs::path RuleFile() const { return base_ / "root/etc/udev/rules.d/70-ortenconf.rules"; }

  fs::path base_;
  std::string helper_;
};

TEST_F(RuleInstall, EachWayDoesItsOwnPart) {
  enum class Kind { Installed, Manual, Failed };
  const UsbId id{0x04d8, 0x000a};
  const std::string fresh = UdevRuleText({id});
  const std::string ours = UdevRuleLine(id);
  const std::string others = "# the administrator's\n" + UdevRuleLine(UsbId{0x16c0, 0x05dc});
  struct Row {
    const char* name;
    bool asRoot;
    std::optional<int> pkexec;   // its exit code; none: not installed
    std::optional<int> udevadm;  // the same, in the system's folders
    Kind kind;
    const char* log;
    const char* textSays;
    std::optional<std::string> before;  // the rule file; none: no file
    std::optional<std::string> after;
    bool link = false;           // the rule's path is a link to a file holding `before`
    bool udevadmOnPath = false;  // udevadm only where PATH points, not in the system's folders
  };
  const std::string trigger =
      "udevadm trigger --action=change --subsystem-match=usb --attr-match=idVendor=04d8 "
      "--attr-match=idProduct=000a\n";
  const std::string reload = "udevadm control --reload\n" + trigger;
  const std::string pkexecRun = "pkexec HELPER usb --install-rule 04d8:000a\n";
  // clang-format off
  const Row rows[] = {
      {"root writes and reloads", true, 0, 0, Kind::Installed, reload.c_str(), "действует", {},
       fresh},
      {"root without udevadm", true, 0, {}, Kind::Installed, "", "переподключите", {}, fresh},
      {"root, udevadm fails", true, {}, 1, Kind::Installed, "udevadm control --reload\n",
       "переподключите", {}, fresh},
      {"root never runs udevadm from PATH", true, {}, 0, Kind::Installed, "", "переподключите",
       {}, fresh, false, true},
      {"root adds its line, keeps the others", true, {}, 0, Kind::Installed, reload.c_str(),
       "остальные строки файла сохранены", others, others + ours},
      {"root, the line is there: applied, not doubled", true, {}, 0, Kind::Installed,
       reload.c_str(), "уже есть", others + ours, others + ours},
      {"root writes no link", true, {}, 0, Kind::Failed, "", "символическая ссылка", others,
       others, true},
      {"user through pkexec", false, 0, 0, Kind::Installed, pkexecRun.c_str(), "поставлено"},
      {"user refused by pkexec", false, 126, 0, Kind::Failed, pkexecRun.c_str(),
       "права администратора не получены"},
      {"user without pkexec", false, {}, 0, Kind::Manual, "", "sudo tee -a"},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove(Log());
    fs::remove_all(base_ / "root");
    fs::remove(base_ / "bin/pkexec");
    fs::remove(base_ / "bin/udevadm");
    if (row.pkexec) Script("pkexec", *row.pkexec);
    if (row.udevadm)
      Script("udevadm", *row.udevadm, row.udevadmOnPath ? "" : base_ / "root/usr/sbin");
    const fs::path elsewhere = base_ / "elsewhere.rules";
    if (row.before) {
      fs::create_directories(RuleFile().parent_path());
      std::ofstream(row.link ? elsewhere : RuleFile()) << *row.before;
      if (row.link) fs::create_symlink(elsewhere, RuleFile());
    }
    const UdevRuleInstaller installer({(base_ / "root").string(),
                                       "relative/bin:" + (base_ / "bin").string(), row.asRoot,
                                       helper_});

    const Result<UdevRuleInstaller::Installation> result = installer.Install(id);
    const Kind kind = !result ? Kind::Failed
                      : result->kind == UdevRuleInstaller::Installation::Kind::Installed
                          ? Kind::Installed
                          : Kind::Manual;
    const std::string& text = result ? result->text : result.outcome().detail;
    EXPECT_EQ(kind, row.kind);
    if (!result) {
      EXPECT_EQ(result.kind(), OutcomeKind::FileError);
    }
    EXPECT_NE(text.find(row.textSays), std::string::npos) << text;
    std::string log = row.log;
    if (const auto at = log.find("HELPER"); at != std::string::npos) log.replace(at, 6, helper_);
    EXPECT_EQ(ReadAll(Log()), log);
    EXPECT_EQ(fs::exists(fs::symlink_status(RuleFile())), row.after.has_value());
    if (row.after) {
      EXPECT_EQ(ReadAll(RuleFile()), *row.after);
      EXPECT_EQ(fs::symlink_status(RuleFile()).type(),
                row.link ? fs::file_type::symlink : fs::file_type::regular);
    }
    if (row.kind == Kind::Manual) {
      EXPECT_EQ(text, ManualInstallCommands(id));
    }
  }
}

}  // namespace
}  // namespace orten
