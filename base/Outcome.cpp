#include "base/Outcome.h"

namespace orten {

const char* OutcomeKindName(OutcomeKind kind) {
  switch (kind) {
    case OutcomeKind::Done:
      return "done";
    case OutcomeKind::Cancelled:
      return "cancelled";
    case OutcomeKind::Usage:
      return "usage";
    case OutcomeKind::NoDevice:
      return "no-device";
    case OutcomeKind::SeveralDevices:
      return "several-devices";
    case OutcomeKind::NotConfigured:
      return "not-configured";
    case OutcomeKind::AccessRefused:
      return "access-refused";
    case OutcomeKind::UsbUnavailable:
      return "usb-unavailable";
    case OutcomeKind::DeviceBusy:
      return "device-busy";
    case OutcomeKind::WrongFamily:
      return "wrong-family";
    case OutcomeKind::SendFailed:
      return "send-failed";
    case OutcomeKind::NoAnswer:
      return "no-answer";
    case OutcomeKind::BadReply:
      return "bad-reply";
    case OutcomeKind::ChecksumError:
      return "checksum-error";
    case OutcomeKind::Refused:
      return "refused";
    case OutcomeKind::LinkFailed:
      return "link-failed";
    case OutcomeKind::DeviceGone:
      return "device-gone";
    case OutcomeKind::VerifyFailed:
      return "verify-failed";
    case OutcomeKind::FileError:
      return "file-error";
    case OutcomeKind::TimedOut:
      return "timed-out";
  }
  return "unknown";
}

}  // namespace orten
