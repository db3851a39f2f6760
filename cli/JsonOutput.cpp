#include "cli/JsonOutput.h"

namespace orten::cli {

void WriteFamily(JsonWriter& json, DeviceMode mode) {
  if (mode == DeviceMode::None) {
    json.Null();
  } else {
    json.String(FamilyToken(mode));
  }
}

void WriteDevice(JsonWriter& json, const DeviceIdentity& device) {
  json.BeginObject().Field("type", DeviceTypeText(device.mode)).Key("family");
  WriteFamily(json, device.mode);
  json.Field("version_text", VersionText(device.version, device.mode))
      .Field("version_byte", int{device.version})
      .EndObject();
}

}  // namespace orten::cli
