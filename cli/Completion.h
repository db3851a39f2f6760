#pragma once

#include <string>

namespace orten::cli {

// A bash completion script for ortenctl, from the command table: the
// commands word by word, each command's options, option values where they
// are a fixed choice, and file names by the suffix its arguments take.
std::string BashCompletion();

}  // namespace orten::cli
