#include "base/Outcome.h"

#include "base/OutcomeKinds.h"

namespace orten {

const char* OutcomeKindName(OutcomeKind kind) {
  return OutcomeKindFacts(kind).name;
}

}  // namespace orten
