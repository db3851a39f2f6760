#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace orten::test {

// A fresh folder of the test's own name, removed afterwards (made writable
// first: some tests take the permission away).
class TempFolder : public testing::Test {
 protected:
  void SetUp() override {
    root_ = std::filesystem::temp_directory_path() /
            ("orten-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::permissions(root_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(root_, ec);
  }
  std::filesystem::path root_;
};

}  // namespace orten::test
