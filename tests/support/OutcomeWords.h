#pragma once

#include <gtest/gtest.h>

#include <string>

#include "base/Outcome.h"

namespace orten::test {

// An outcome's words kept for a test's checks; a failure must be of the
// kind the test expects of every failure it provokes.
inline bool KeptWords(const Outcome& outcome, OutcomeKind failureKind, std::string& error) {
  error = outcome.detail;
  if (!outcome) {
    EXPECT_EQ(outcome.kind, failureKind);
  }
  return outcome.ok();
}

}  // namespace orten::test
