#pragma once

#include <string>
#include <vector>

#include "transport/UsbId.h"

namespace orten {

// The device's USB IDs, remembered once for both programs in a small file
// of the user's configuration folder. Nothing else is kept there.

// $XDG_CONFIG_HOME/ortenconf, else ~/.config/ortenconf (%APPDATA%\ortenconf on Windows).
// Only absolute values count, as the XDG base-directory rules say; empty
// when there is no such folder (HOME unset): nothing is remembered then.
std::string UserConfigFolder();
// Empty when UserConfigFolder is.
std::string RememberedUsbIdsPath();

#ifdef _WIN32
inline constexpr const char* kNoConfigFolder =
    "некуда запомнить идентификаторы: переменная APPDATA не задана или не является полным путем";
#else
inline constexpr const char* kNoConfigFolder =
    "некуда запомнить идентификаторы: переменная HOME не задана или не является полным путем "
    "(как и XDG_CONFIG_HOME)";
#endif

// The file's text: comment lines (#), blank lines and one "usb-id = VID:PID[,VID:PID]".
// False on anything else, with the line named in error.
bool ParseRememberedUsbIds(const std::string& text, std::vector<UsbId>& ids, std::string& error);
std::string FormatRememberedUsbIds(const std::vector<UsbId>& ids);

// A missing file (or none at all: an empty path) remembers nothing and is
// no error; a malformed one is.
bool LoadRememberedUsbIds(const std::string& path, std::vector<UsbId>& ids, std::string& error);
// Creates the folder if needed and replaces the file whole; refused with an
// empty path, and with more IDs than LoadRememberedUsbIds reads back.
bool RememberUsbIds(const std::string& path, const std::vector<UsbId>& ids, std::string& error);
// Removing a file that is not there is no error.
bool ForgetUsbIds(const std::string& path, std::string& error);

// Which IDs the programs look for: --usb-id, then ORTEN_USB_ID, then the
// remembered ones.
enum class UsbIdSource { None, Option, Environment, Remembered };
struct ConfiguredUsbIds {
  std::vector<UsbId> ids;
  UsbIdSource source = UsbIdSource::None;
};
enum class UsbIdProblem { None, BadEnvironment, BadFile };
UsbIdProblem ResolveUsbIds(const std::vector<UsbId>& fromOption, ConfiguredUsbIds& configured,
                           std::string& error);
// "из --usb-id", "из ORTEN_USB_ID", "запомнены в FILE".
std::string UsbIdSourceText(UsbIdSource source);

}  // namespace orten
