#pragma once

#include <string>

namespace orten::cli {

struct ManPageFacts {
  std::string version;
  std::string date;  // "2026-12-08"
};

// The manual pages, in Russian, from the same tables as the help: every
// command and option, exit codes, files, environment and examples.
std::string OrtenctlManPage(const ManPageFacts& facts);
std::string OrtenconfManPage(const ManPageFacts& facts);

}  // namespace orten::cli
