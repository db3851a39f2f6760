#include "backup/RegistrationImage.h"

namespace orten {

void RegistrationImage::assign(std::span<const std::int32_t> values) {
  bytes_.assign(values.size(), 0);
  for (std::size_t i = 0; i < values.size(); ++i)
    bytes_[i] = static_cast<std::uint8_t>(values[i] & 0xFF);
}

}  // namespace orten
