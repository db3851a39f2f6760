#pragma once

#include <string>
#include <vector>

#include "base/Outcome.h"
#include "sim/SimLine.h"

namespace orten {

// A script for the simulated line (--sim-line FILE), one step a line:
//   plug FAMILY[:VERSION] [FAULT...] [FAMILY[:VERSION] [FAULT...]]...
//                    devices arrive (several on one line: at once); each
//                    takes the faults that follow it, as --sim-fault names
//                    them, counted from its arrival
//   unplug [N]       the device that arrived N-th is pulled out; without N
//                    the earliest one still on the line
//   pause SECONDS    nothing happens for that long
// The plug steps before the first pause or unplug are on the line from
// the start. '#' starts a comment; blank lines are skipped. A Usage error
// with the line's number and what is wrong.
Outcome ParseSimLineScript(const std::string& text, std::vector<SimLineStep>& steps);

// The script in the file at path: a FileError when the file itself could
// not be read, a Usage error when its text is wrong.
Outcome ReadSimLineScript(const std::string& path, std::vector<SimLineStep>& steps);

}  // namespace orten
