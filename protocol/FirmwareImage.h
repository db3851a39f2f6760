#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace orten {

// The bytes of one firmware file, in file order, exactly as the device gets
// them: a ready-made stream that nothing here interprets beyond its head.
class FirmwareImage {
 public:
  FirmwareImage() = default;
  explicit FirmwareImage(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

  std::span<const std::uint8_t> bytes() const { return bytes_; }
  std::size_t size() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }
  void clear() { bytes_.clear(); }
  // The firmware version byte of the head (byte 3); 0 for an empty image.
  std::uint8_t version() const { return bytes_.size() > 3 ? bytes_[3] : 0; }

 private:
  std::vector<std::uint8_t> bytes_;
};

// 8 head bytes, n blocks of 64, 2 tail bytes: the only lengths the device
// receives whole.
bool IsWritableFirmwareLength(std::uintmax_t size);

}  // namespace orten
