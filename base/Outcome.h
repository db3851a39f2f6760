#pragma once

#include <optional>
#include <string>
#include <utility>

namespace orten {

// What became of an operation on the device or its files. The kind decides
// what happens next (the window's state, ortenctl's exit code); detail
// carries what only the operation knows (a reason, a file's path), and
// message the words the operation itself showed on how it ended (empty:
// none), which the journal keeps unless the program says more.
enum class OutcomeKind {
  Done,
  Cancelled,       // the user said no
  Usage,           // the request itself was wrong (ortenctl's command line)
  NoDevice,        // nothing on the line
  SeveralDevices,  // more than one device on the line
  NotConfigured,   // nothing on the line, and the USB IDs to look for are not known
  AccessRefused,   // the system refused this user the device (or the USB line)
  UsbUnavailable,  // nothing on the line: the USB layer itself did not start
  DeviceBusy,      // found, but another program holds it
  WrongFamily,     // the device runs the other family's firmware
  SendFailed,      // a request or its data could not be sent
  NoAnswer,        // the device did not answer, or not in time
  BadReply,        // an answer came, malformed
  ChecksumError,   // an answer came with a wrong checksum
  Refused,         // the device answered, and said no
  LinkFailed,      // the line could not be looked at or used
  DeviceGone,      // the device went away during the operation
  VerifyFailed,    // read back, it differs from what was written
  FileError,       // a file could not be read, written or used
  TimedOut,        // what was waited for did not happen in time
  // Not a kind: how many there are. A new kind goes above, and its row in OutcomeKinds.cpp.
  Count,
};

struct Outcome {
  OutcomeKind kind = OutcomeKind::Done;
  std::string detail;
  std::string message;

  Outcome() = default;
  Outcome(OutcomeKind k, std::string d = {})
      : kind(k), detail(std::move(d)) {}  // NOLINT: a kind is an outcome

  // The same outcome, with the words it was shown with.
  Outcome Said(std::string words) const {
    Outcome said = *this;
    said.message = std::move(words);
    return said;
  }

  bool ok() const { return kind == OutcomeKind::Done; }
  explicit operator bool() const { return ok(); }
};

// A stable English name of each kind: journals, --json, test names.
const char* OutcomeKindName(OutcomeKind kind);

// A value when the operation succeeded, its outcome in any case.
template <typename T>
class Result {
 public:
  Result(T value) : value_(std::move(value)) {}              // NOLINT: a value is a success
  Result(T value, Outcome said) : outcome_(std::move(said)), value_(std::move(value)) {}
  Result(Outcome outcome) : outcome_(std::move(outcome)) {}  // NOLINT: so is a failure
  Result(OutcomeKind kind) : outcome_(kind) {}               // NOLINT

  bool ok() const { return value_.has_value(); }
  explicit operator bool() const { return ok(); }
  const Outcome& outcome() const { return outcome_; }
  OutcomeKind kind() const { return outcome_.kind; }

  const T& operator*() const { return *value_; }
  T& operator*() { return *value_; }
  const T* operator->() const { return &*value_; }
  T* operator->() { return &*value_; }

 private:
  Outcome outcome_;
  std::optional<T> value_;
};

}  // namespace orten
