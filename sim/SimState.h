#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orten {

class SimDevice;

// "--simulate rpu", "--simulate mro:45": the family and, optionally, the
// version byte, which must belong to that family (rpu 100-255, mro 0-99).
std::optional<std::uint8_t> ParseSimulateOption(const std::string& text, std::string& error);

// The simulated device's memory and version kept in a small text file, so
// separate runs of the programs see the same device.
bool LoadSimState(const std::string& path, SimDevice& device, std::string& error);
bool SaveSimState(const std::string& path, const SimDevice& device, std::string& error);

}  // namespace orten
