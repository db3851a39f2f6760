#pragma once

#include <string>
#include <vector>

#include "base/Outcome.h"
#include "startup/CommonOptions.h"

namespace orten::gui {

struct GuiOptions {
  CommonOptions common;
  bool help = false;
  bool version = false;
  // --open-folder NAME: open that data folder (Base, Reg_RPU or ReleCfg) in
  // the system's file manager and end, with no window: the Start menu's way
  // into folders that Windows keeps hidden.
  std::string openFolder;
  // Everything else, in order, for Qt to take its own options from.
  std::vector<std::string> rest;
};

// Takes the window program's options out of args (without the program
// name). A Usage error with a message on a malformed option value.
Outcome ParseGuiOptions(const std::vector<std::string>& args, GuiOptions& options);
std::string UsageText();

}  // namespace orten::gui
