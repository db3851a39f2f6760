#pragma once

#include <string>

namespace orten::cli {

// A file named on the command line, as an absolute path: against the folder
// the program was started in, else inside the data folder (so
// "ReleCfg/object.cfg" works from anywhere), else inside the data folder's
// folder for files of its kind (a bare "object.cfg" in ReleCfg). When none
// exists, the first, for the message. Every command that reads a file the
// user names finds it this way, so a name one command printed is one the
// next takes.
std::string InputFile(const std::string& programFolder, const std::string& arg,
                      const char* kindFolder);

}  // namespace orten::cli
