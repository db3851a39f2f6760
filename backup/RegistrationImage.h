#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace orten {

// The receiver's registration memory (pages 0-6, 1792 bytes) between a
// device read and a file save, or a file load and a device write. Kept apart
// from the firmware image: loading firmware never touches a backup.
class RegistrationImage {
 public:
  static constexpr std::size_t kSize = 1792;

  bool empty() const { return bytes_.empty(); }
  // The values as the exchange and the files take them, one per byte.
  std::vector<std::int32_t> values() const { return {bytes_.begin(), bytes_.end()}; }
  // values must hold kSize entries 0-255 (a device read or a checked file).
  void assign(std::span<const std::int32_t> values);
  // The last byte of the memory names the device's configuration.
  int configurationCode() const { return bytes_.empty() ? 0 : bytes_.back(); }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace orten
