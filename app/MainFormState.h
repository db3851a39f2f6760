#pragma once

#include <cstdint>
#include <string>

#include "protocol/DeviceCommands.h"

namespace orten::gui {

// The proposed name of a relay settings file, and the help file.
inline constexpr const char* kDefaultReleFileName = "DEZ_MRO";
inline constexpr const char* kHelpFileName = "KelvoRPU-DEZ-v1_0-help.hlp";

// The window's own state, shared by the handlers of all pages. Fields start
// at zero; the window's constructor sets the start values.
struct MainFormState {
  // Family of the connected device; None after any connect attempt or disconnect.
  orten::DeviceMode DeviceMode = orten::DeviceMode::Receiver;
  // Version byte of the last good connect reply.
  int DeviceVersion = 0;
  // Family picked in DevOperModeRdG: 0 receiver, 1 relay module.
  std::uint8_t SelectedMode = 0;
  // Folder with Base, Reg_RPU and ReleCfg; the current directory.
  std::string ProgramFolder;
  // Start page of the program's own guide; empty when there is none.
  std::string UserGuide;
  // True while OperModeCmB shows "демо": files only, no device.
  bool DemoMode = false;
  // The next disconnect sends the disconnect command (not right after a
  // successful firmware write).
  bool DisconnectDue = false;
  int ReleCount = 0;
  int ReleParamCount = 0;
  int FirmwareFileSize = 0;
  // Byte 2 of the firmware file last read.
  int FirmwareType = 0;
  // Today's date as backup names carry it, "_071226_".
  std::string DateStamp;
};

}  // namespace orten::gui
