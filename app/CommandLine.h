#pragma once

#include <string>
#include <vector>

#include "startup/CommonOptions.h"

namespace orten::gui {

struct GuiOptions {
  CommonOptions common;
  bool help = false;
  bool version = false;
  // Everything else, in order, for Qt to take its own options from.
  std::vector<std::string> rest;
};

// Takes the window program's options out of args (without the program
// name). False with a message on a malformed option value.
bool ParseGuiOptions(const std::vector<std::string>& args, GuiOptions& options, std::string& error);
std::string UsageText();

}  // namespace orten::gui
