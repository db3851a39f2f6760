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

TEST(RuleUsbId, ManualCommandsAreTheExactLines) {
  EXPECT_EQ(ManualInstallCommands({0x04d8, 0x000a}),
            "echo 'SUBSYSTEM==\"usb\", ATTR{idVendor}==\"04d8\", ATTR{idProduct}==\"000a\", "
            "TAG+=\"uaccess\"' | sudo tee /etc/udev/rules.d/70-ortenconf.rules\n"
            "sudo udevadm control --reload\n"
            "sudo udevadm trigger --action=change --subsystem-match=usb "
            "--attr-match=idVendor=04d8 --attr-match=idProduct=000a\n");
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
  std::string Script(const std::string& name, int code) {
    const fs::path path = base_ / "bin" / name;
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
  using Kind = UdevRuleInstaller::Result::Kind;
  struct Row {
    const char* name;
    bool asRoot;
    std::optional<int> pkexec;   // its exit code; none: not installed
    std::optional<int> udevadm;  // the same
    Kind kind;
    bool ruleWritten;
    const char* log;
    const char* textSays;
  };
  const std::string trigger =
      "udevadm trigger --action=change --subsystem-match=usb --attr-match=idVendor=04d8 "
      "--attr-match=idProduct=000a\n";
  const std::string reload = "udevadm control --reload\n" + trigger;
  const std::string pkexecRun = "pkexec HELPER usb --install-rule 04d8:000a\n";
  const Row rows[] = {
      {"root writes and reloads", true, 0, 0, Kind::Installed, true, reload.c_str(), "действует"},
      {"root without udevadm", true, 0, std::nullopt, Kind::Installed, true, "", "переподключите"},
      {"root, udevadm fails", true, std::nullopt, 1, Kind::Installed, true,
       "udevadm control --reload\n", "переподключите"},
      {"user through pkexec", false, 0, 0, Kind::Installed, false, pkexecRun.c_str(), "поставлено"},
      {"user refused by pkexec", false, 126, 0, Kind::Failed, false, pkexecRun.c_str(),
       "права администратора не получены"},
      {"user without pkexec", false, std::nullopt, 0, Kind::Manual, false, "", "sudo tee"},
  };
  const UsbId id{0x04d8, 0x000a};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove(Log());
    fs::remove_all(base_ / "root");
    fs::remove(base_ / "bin/pkexec");
    fs::remove(base_ / "bin/udevadm");
    if (row.pkexec) Script("pkexec", *row.pkexec);
    if (row.udevadm) Script("udevadm", *row.udevadm);
    const UdevRuleInstaller installer({(base_ / "root").string(),
                                       "relative/bin:" + (base_ / "bin").string(), row.asRoot,
                                       helper_});

    const UdevRuleInstaller::Result result = installer.Install(id);
    EXPECT_EQ(result.kind, row.kind);
    EXPECT_NE(result.text.find(row.textSays), std::string::npos) << result.text;
    std::string log = row.log;
    if (const auto at = log.find("HELPER"); at != std::string::npos) log.replace(at, 6, helper_);
    EXPECT_EQ(ReadAll(Log()), log);
    EXPECT_EQ(fs::exists(RuleFile()), row.ruleWritten);
    if (row.ruleWritten) {
      EXPECT_EQ(ReadAll(RuleFile()), UdevRuleText({id}));
      EXPECT_EQ(fs::status(RuleFile()).type(), fs::file_type::regular);
    }
    if (row.kind == Kind::Manual) {
      EXPECT_EQ(result.text, ManualInstallCommands(id));
    }
  }
}

}  // namespace
}  // namespace orten
