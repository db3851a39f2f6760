#include "transport/BoundedPipeWriter.h"

#include <algorithm>
#include <utility>

#include "base/Wording.h"

namespace orten {

bool BoundedPipeWriter::Fail(std::string text, bool timedOut) {
  failure_ = std::move(text);
  timedOut_ = timedOut;
  return false;
}

bool BoundedPipeWriter::Write(const std::uint8_t* data, std::size_t size, int timeoutMs) {
  if (!port_.StartWrite(data, size)) return Fail(port_.LastErrorText());
  std::size_t written = 0;
  switch (port_.WaitWrite(std::max(timeoutMs, 0), written)) {
    case AsyncOutcome::Pending:
      // Whether or not the system lets go in time, this write has failed; a
      // buffer it still holds is the port's to keep.
      port_.CancelWrite(kCancelGraceMs);
      return Fail("Прибор не принял данные за " + std::to_string(timeoutMs) + " мс.", true);
    case AsyncOutcome::Failed:
      return Fail(port_.LastErrorText());
    case AsyncOutcome::Done:
      break;
  }
  if (written != size) {
    return Fail(ShortTransferText("Записан", "Записано", written, size) + ".");
  }
  return true;
}

}  // namespace orten
