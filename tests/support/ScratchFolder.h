#pragma once

#include <filesystem>
#include <random>
#include <string>

namespace orten::test {

// A fresh folder for one case (or one row), removed with it, made writable
// first: some cases take the permission away.
struct ScratchFolder {
  std::filesystem::path path;
  explicit ScratchFolder(const std::string& prefix) {
    std::random_device random;
    path = std::filesystem::temp_directory_path() / (prefix + std::to_string(random()));
    std::filesystem::create_directories(path);
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
};

}  // namespace orten::test
