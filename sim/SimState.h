#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "base/FileLock.h"
#include "base/Outcome.h"
#include "sim/SimDevice.h"

namespace orten {

// "--simulate rpu", "--simulate mro:45": the family and, optionally, the
// version byte, which must belong to that family (rpu 100-255, mro 0-99);
// a Usage error naming what is wrong otherwise.
Result<std::uint8_t> ParseSimulateOption(const std::string& text);

// The simulated device's memory and version kept in a small text file, so
// separate runs of the programs see the same device. A file that cannot be
// read, written or taken for a state is a FileError.
Outcome LoadSimState(const std::string& path, SimDevice& device);
Outcome SaveSimState(const std::string& path, const SimDevice& device);

// The state file as the one simulated device that every program on it
// shares. A program holds it while its pipes to the device are open (a lock
// file beside it, FILE.lock), as a real device is held by whoever claimed
// it; it loads the device when it takes it, so it sees what the others
// wrote, and saves every change at once rather than at its end.
class SimStateFile {
 public:
  SimStateFile(std::string path, SimDevice& device) : path_(std::move(path)), device_(device) {}

  const std::string& path() const { return path_; }
  SimDevice& device() const { return device_; }

  // Takes the file for this program and loads the device from it; a
  // missing file is made from the device as it stands. DeviceBusy when
  // another program holds it; a FileError when it cannot be used.
  Outcome Take();
  // Saves the device when it differs from what was loaded or last saved.
  Outcome SaveChanges();
  void Release() { lock_.Unlock(); }
  bool taken() const { return lock_.held(); }

 private:
  using Image = std::array<std::uint8_t, SimDevice::kPageSize * SimDevice::kPageCount + 1>;
  Image Snapshot() const;

  std::string path_;
  SimDevice& device_;
  FileLock lock_;
  Image saved_{};
};

}  // namespace orten
