#include "protocol/Outcome.h"

#include "protocol/OutcomeKinds.h"

namespace orten {

const char* OutcomeKindName(OutcomeKind kind) {
  return OutcomeKindFacts(kind).name;
}

}  // namespace orten
