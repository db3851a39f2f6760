#include <gtest/gtest.h>

#include "backup/BackupNaming.h"
#include "backup/RegistrationImage.h"

namespace orten {
namespace {

TEST(BackupName, BuiltFromModeModuleDateObjectAndCode) {
  EXPECT_EQ(DefaultBackupName(SystemMode::Rpu, "3", "_071226_", "125", "17"),
            "DEZ_RPU_3_071226_object_125_conf_17");
  EXPECT_EQ(DefaultBackupName(SystemMode::Rtr, "196", "_0712_", "9", "0"),
            "DEZ_RTR_196_0712_object_9_conf_0");
  EXPECT_EQ(DefaultBackupName(SystemMode::None, "3", "_071226_", "125", "17"), "_conf_17");
}

struct ReadBackCase {
  const char* name;
  const char* path;
  SystemMode mode;
  std::optional<std::string> module;
  std::optional<std::string> object;
};

void PrintTo(const ReadBackCase& c, std::ostream* os) {
  *os << c.name;
}

class BackupNameReadBack : public testing::TestWithParam<ReadBackCase> {};

TEST_P(BackupNameReadBack, FirstOccurrenceRtrTestedLastBoundedByTheEnd) {
  const BackupNameFacts facts = ReadBackupName(GetParam().path);
  EXPECT_EQ(facts.mode, GetParam().mode);
  EXPECT_EQ(facts.module, GetParam().module);
  EXPECT_EQ(facts.object, GetParam().object);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, BackupNameReadBack,
    testing::Values(
        ReadBackCase{"Default", "/d/Reg_RPU/DEZ_RPU_3_071226_object_125_conf_17.rrg",
                     SystemMode::Rpu, "3", "125"},
        ReadBackCase{"Repeater", "C:\\p\\Reg_RPU\\DEZ_RTR_150_071226_object_7_conf_1.rrg",
                     SystemMode::Rtr, "150", "7"},
        ReadBackCase{"RtrInTheFolderWins", "/x/DEZ_RTR_old/DEZ_RPU_2_0712_object_4_conf_9.rrg",
                     SystemMode::Rtr, "old/DEZ", "4"},
        ReadBackCase{"NoPrefixes", "/d/backup of site 5.rrg", SystemMode::None, std::nullopt,
                     std::nullopt},
        ReadBackCase{"NoObjectPart", "/d/DEZ_RPU_4_071226_conf_3.rrg", SystemMode::Rpu, "4",
                     std::nullopt},
        ReadBackCase{"NoClosingUnderscore", "/d/DEZ_RPU_1object_88", SystemMode::Rpu, "1object",
                     "88"},
        ReadBackCase{"PrefixAtTheVeryEnd", "/d/DEZ_RPU_", SystemMode::Rpu, "", std::nullopt}),
    [](const auto& row) { return std::string(row.param.name); });

struct ModuleCase {
  SystemMode mode;
  const char* text;
  bool accepted;
};

// Also the test's name, so letters, digits and '_' only: Rpu_4, Rtr_12a, Rpu_Empty.
void PrintTo(const ModuleCase& c, std::ostream* os) {
  *os << (c.mode == SystemMode::Rpu   ? "Rpu"
          : c.mode == SystemMode::Rtr ? "Rtr"
                                      : "None")
      << '_' << (*c.text ? c.text : "Empty");
}

class ModuleNumber : public testing::TestWithParam<ModuleCase> {};

TEST_P(ModuleNumber, RangeOfTheSystemMode) {
  EXPECT_EQ(ModuleNumberAccepted(GetParam().mode, GetParam().text), GetParam().accepted)
      << static_cast<int>(GetParam().mode) << " '" << GetParam().text << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, ModuleNumber,
    testing::Values(ModuleCase{SystemMode::Rpu, "0", false}, ModuleCase{SystemMode::Rpu, "1", true},
                    ModuleCase{SystemMode::Rpu, "4", true}, ModuleCase{SystemMode::Rpu, "5", false},
                    ModuleCase{SystemMode::Rpu, "x", false}, ModuleCase{SystemMode::Rpu, "", true},
                    ModuleCase{SystemMode::Rtr, "4", false}, ModuleCase{SystemMode::Rtr, "5", true},
                    ModuleCase{SystemMode::Rtr, "196", true},
                    ModuleCase{SystemMode::Rtr, "197", false},
                    ModuleCase{SystemMode::Rtr, "12a", false},
                    ModuleCase{SystemMode::None, "999", true},
                    ModuleCase{SystemMode::None, "text", true}),
    testing::PrintToStringParamName());

TEST(ModuleNumbers, ListsOfTheTwoModes) {
  EXPECT_EQ(ModuleNumbers(SystemMode::Rpu), (std::vector<std::string>{"1", "2", "3", "4"}));
  const auto rtr = ModuleNumbers(SystemMode::Rtr);
  ASSERT_EQ(rtr.size(), 192u);
  EXPECT_EQ(rtr.front(), "5");
  EXPECT_EQ(rtr.back(), "196");
  EXPECT_TRUE(ModuleNumbers(SystemMode::None).empty());
}

TEST(RegistrationImage, KeepsBytesAndTheConfigurationCode) {
  RegistrationImage image;
  EXPECT_TRUE(image.empty());
  std::vector<std::int32_t> values(RegistrationImage::kSize, 3);
  values.back() = 17;
  image.assign(values);
  EXPECT_EQ(image.configurationCode(), 17);
  EXPECT_EQ(image.values(), values);
}

}  // namespace
}  // namespace orten
