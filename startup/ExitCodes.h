#pragma once

#include <span>
#include <string>

#include "base/OutcomeKinds.h"

namespace orten {

// The exit codes of the two programs and what each means: the one place the
// help texts and the manual pages are written from (the README's lists are
// checked against them). ortenctl's codes are those of the outcome kinds'
// table (base/OutcomeKinds.h), each with its text here.
enum WindowExit : int {  // ortenconf
  kWindowClosed = 0,
  kWindowFailure = 1,
  kWindowUsage = 2,
  kWindowNoDisplay = 3,
};

struct ExitCodeMeaning {
  int code;
  const char* text;  // a sentence without its full stop
};

std::span<const ExitCodeMeaning> ToolExitCodes();
std::span<const ExitCodeMeaning> WindowExitCodes();
// What batch's code says, which follows its devices rather than one outcome.
const char* BatchExitCodes();

// "Коды завершения:" and a line per code (then notes, each a paragraph of
// its own), wrapped for a terminal, as --help shows them.
std::string ExitCodesHelp(std::span<const ExitCodeMeaning> codes,
                          std::span<const char* const> notes = {});

}  // namespace orten
