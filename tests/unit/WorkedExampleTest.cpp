// HACKING.md's worked example, compiled and run: a new command of ortenctl
// is a row and a function. The marked lines below are the guide's text, held
// to it by the last test, so the guide cannot show a row that does not build.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "backup/RegistrationImage.h"
#include "base/DataFolders.h"
#include "base/UserInterface.h"
#include "base/Wording.h"
#include "cli/CommandTable.h"
#include "cli/Commands.h"
#include "cli/InputFile.h"
#include "ops/Session.h"
#include "params/ValueFile.h"
#include "protocol/ParameterExchange.h"
#include "tests/support/SimRig.h"

namespace orten::cli {

Outcome RunBackupVerify(CommandContext& ctx);

namespace {

// Laid out as the rows of Commands() are.
// clang-format off
const std::vector<Command> kRows = {
    // worked example: row
    {.words = "backup verify", .arguments = "FILE.rrg", .minArguments = 1, .maxArguments = 1,
     .needsDevice = true,
     .help = "сравнить память регистрации с файлом",
     .run = RunBackupVerify},
    // worked example: end
};
// clang-format on

}  // namespace

// worked example: command
Outcome RunBackupVerify(CommandContext& ctx) {
  const std::string path = InputFile(ctx.programFolder, ctx.arguments[0], kBackupFolder);
  std::vector<std::int32_t> values;
  if (Outcome read = ReadValueFile(path, RegistrationImage::kSize, values); !read) {
    ctx.ui.ShowMessage(read.detail);
    return read;
  }
  // The check decides its verdict and its words; the command shows them.
  return OnWorkPage(ctx, DeviceMode::Receiver, [&] {
    return SayVerdict(ctx, ctx.session->ReadBackDifferences(kRegistrationArea, values, path));
  });
}
// worked example: end

namespace {

// The example against a simulated receiver: the same memory, then one byte off.
TEST(WorkedExample, BackupVerifyComparesTheDeviceWithTheFile) {
  const Command& row = kRows.front();
  EXPECT_EQ(UsageLine(row), "Использование: ortenctl [параметры] backup verify FILE.rrg");
  const std::filesystem::path folder = testing::TempDir() + "/worked_example";
  std::filesystem::create_directories(folder);
  const std::string file = (folder / "copy.rrg").string();
  const Outcome written =
      WriteValueFile(file, std::vector<std::int32_t>(RegistrationImage::kSize, 0));
  ASSERT_TRUE(written) << written.detail;

  test::SimRig rig;
  const std::shared_ptr<SimDevice> device = rig.bus.Attach(120);
  Session session(rig.transport, rig.pacer, rig.ui);
  const CliOptions options;
  const std::vector<std::string> arguments = {file};
  std::ostringstream out;
  CommandContext ctx{options, arguments, rig.ui, out, out, folder.string()};
  ctx.session = &session;
  EXPECT_EQ(row.run(ctx).kind, OutcomeKind::Done);
  EXPECT_EQ(out.str(), "Проверка: память регистрации совпадает с файлом.\n");

  device->memory()[5] = 7;
  rig.ui.Clear();
  EXPECT_EQ(row.run(ctx).kind, OutcomeKind::VerifyFailed);
  EXPECT_EQ(rig.ui.Messages(),
            std::vector<std::string>{"Проверка не пройдена: различается 1 значение."});
}

#ifdef ORTEN_SOURCE_DIR
std::string Text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The lines after each start marker up to its end marker, without the
// indentation they share.
std::vector<std::string> MarkedRegions(const std::string& text) {
  std::vector<std::string> regions;
  std::istringstream in(text);
  std::vector<std::string> lines;
  bool inside = false;
  for (std::string line; std::getline(in, line);) {
    const bool marker = line.find("// worked example: ") != std::string::npos;
    if (marker && inside) {
      std::size_t indent = std::string::npos;
      for (const std::string& l : lines) indent = std::min(indent, l.find_first_not_of(' '));
      std::string region;
      for (const std::string& l : lines) region += l.substr(std::min(indent, l.size())) + "\n";
      regions.push_back(region);
      lines.clear();
    }
    if (marker) {
      inside = line.find("end") == std::string::npos;
    } else if (inside) {
      lines.push_back(line);
    }
  }
  return regions;
}

// The ```cpp blocks of the guide's worked example, in order.
std::vector<std::string> GuideBlocks(const std::string& guide) {
  std::vector<std::string> blocks;
  std::size_t at = guide.find("### Worked example");
  const std::size_t sectionEnd = guide.find("\n## ", at);
  while ((at = guide.find("```cpp\n", at)) < sectionEnd) {
    at += 7;
    const std::size_t end = guide.find("```", at);
    blocks.push_back(guide.substr(at, end - at));
    at = end + 3;
  }
  return blocks;
}

TEST(WorkedExample, IsTheGuidesText) {
  const std::vector<std::string> guide =
      GuideBlocks(Text(std::string(ORTEN_SOURCE_DIR) + "/HACKING.md"));
  const std::vector<std::string> here =
      MarkedRegions(Text(std::string(ORTEN_SOURCE_DIR) + "/tests/unit/WorkedExampleTest.cpp"));
  ASSERT_EQ(here.size(), 2u);
  EXPECT_EQ(guide, here);
}
#endif

}  // namespace
}  // namespace orten::cli
