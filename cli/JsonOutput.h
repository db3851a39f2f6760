#pragma once

#include "base/JsonWriter.h"
#include "protocol/DeviceCommands.h"

namespace orten::cli {

// "rpu" or "mro", as --family spells the families; null for none.
void WriteFamily(JsonWriter& json, DeviceMode mode);
// A device's identity as info --json prints it: type, family, version_text, version_byte.
void WriteDevice(JsonWriter& json, const DeviceIdentity& device);

}  // namespace orten::cli
