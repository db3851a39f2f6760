// The firmware file checks, in Preview and in Load mode, on arbitrary files.
#include <cstdint>
#include <string>

#include "protocol/FirmwareImage.h"
#include "firmware/FirmwareLibrary.h"
#include "firmware/SilentFactsView.h"
#include "fuzz/FuzzSupport.h"
#include "base/SilentUi.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static orten::fuzz::ScratchFile file;
  const std::string& path = file.Write(data, size);
  orten::SilentFactsView view;
  orten::SilentUi ui;
  const orten::FirmwareReadContext context{orten::DeviceMode::Receiver, 0};
  const orten::FirmwareImage before(std::vector<std::uint8_t>{1, 2, 3});

  orten::FirmwareImage image = before;
  if (orten::ReadFirmwareFile(path, orten::FirmwareReadMode::Preview, context, view, ui, &image)) {
    orten::fuzz::Broken("a preview reported a load");
  }
  if (image.size() != before.size()) orten::fuzz::Broken("a preview changed the image");

  const bool loaded =
      orten::ReadFirmwareFile(path, orten::FirmwareReadMode::Load, context, view, ui, &image);
  if (loaded) {
    // Only whole, well-headed files are ever sent.
    if (image.size() != size || !orten::IsWritableFirmwareLength(size)) {
      orten::fuzz::Broken("loaded a file of a length the device cannot take");
    }
    if (data[0] != 0x55 || data[1] != 0x55 || data[2] != 0x12) {
      orten::fuzz::Broken("loaded a file with a bad head");
    }
  } else if (image.size() != before.size()) {
    orten::fuzz::Broken("a refused load changed the image");
  }
  return 0;
}
