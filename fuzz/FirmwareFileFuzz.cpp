// The firmware file checks, in Preview and in Load mode, on arbitrary files.
#include <cstdint>
#include <string>

#include "protocol/FirmwareImage.h"
#include "firmware/FirmwareLibrary.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static orten::fuzz::ScratchFile file;
  const std::string& path = file.Write(data, size);
  constexpr orten::DeviceMode kFamily = orten::DeviceMode::Receiver;

  const orten::FirmwareFile preview =
      orten::ReadFirmwareFile(path, orten::FirmwareReadMode::Preview, kFamily);
  if (!preview.image.empty()) orten::fuzz::Broken("a preview loaded an image");

  const orten::FirmwareFile loaded =
      orten::ReadFirmwareFile(path, orten::FirmwareReadMode::Load, kFamily);
  if (loaded.outcome.ok() != preview.outcome.ok()) orten::fuzz::Broken("load and preview differ");
  if (loaded.loaded()) {
    // Only whole, well-headed files are ever sent.
    if (loaded.image.size() != size || !orten::IsWritableFirmwareLength(size)) {
      orten::fuzz::Broken("loaded a file of a length the device cannot take");
    }
    if (data[0] != 0x55 || data[1] != 0x55 || data[2] != 0x12) {
      orten::fuzz::Broken("loaded a file with a bad head");
    }
  } else if (!loaded.image.empty() || loaded.outcome.ok()) {
    orten::fuzz::Broken("a refused load kept an image or no refusal");
  }
  return 0;
}
