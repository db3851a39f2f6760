#pragma once

#include <string>
#include <vector>

#include "base/Outcome.h"
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
// Anything else is a FileError naming the line.
Outcome ParseRememberedUsbIds(const std::string& text, std::vector<UsbId>& ids);
std::string FormatRememberedUsbIds(const std::vector<UsbId>& ids);

// A missing file (or none at all: an empty path) remembers nothing and is
// no error; a malformed one is (a FileError, as every failure below).
Outcome LoadRememberedUsbIds(const std::string& path, std::vector<UsbId>& ids);
// Creates the folder if needed and replaces the file whole; refused with an
// empty path, and with more IDs than LoadRememberedUsbIds reads back.
Outcome RememberUsbIds(const std::string& path, const std::vector<UsbId>& ids);
// Removing a file that is not there is no error.
Outcome ForgetUsbIds(const std::string& path);

// Which IDs the programs look for: --usb-id, then ORTEN_USB_ID, then the
// remembered ones.
enum class UsbIdSource { None, Option, Environment, Remembered };
struct ConfiguredUsbIds {
  std::vector<UsbId> ids;
  UsbIdSource source = UsbIdSource::None;
};
// A malformed ORTEN_USB_ID is a Usage error, a malformed remembered file a
// FileError; either names what is wrong.
Result<ConfiguredUsbIds> ResolveUsbIds(const std::vector<UsbId>& fromOption);
// "из --usb-id", "из ORTEN_USB_ID", "запомнены в FILE".
std::string UsbIdSourceText(UsbIdSource source);

}  // namespace orten
