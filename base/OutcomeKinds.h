#pragma once

#include <span>

#include "base/Outcome.h"

namespace orten {

// ortenctl's exit codes; what each means, as its help says it: startup/ExitCodes.
enum ToolExit : int {
  kToolDone = 0,
  kToolDevice = 1,  // the device failed or refused
  kToolUsage = 2,
  kToolFile = 3,
  kToolNoDevice = 4,  // no device, or more than one; or a wait ran out of time
};

// Everything that follows from an outcome's kind alone: one row per kind,
// in the enum's order (a kind without its row does not compile).
struct OutcomeKindRow {
  OutcomeKind kind;
  const char* name;         // stable English token: journals, --json, test names
  ToolExit toolExit;        // ortenctl's exit code
  const char* batchReason;  // why batch set a device aside, in its words; null: the name
};

std::span<const OutcomeKindRow> OutcomeKindRows();
const OutcomeKindRow& OutcomeKindFacts(OutcomeKind kind);

}  // namespace orten
