#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace orten {

// Captions shared by every place that raises a box.
inline constexpr const char* kAppTitle = "Программа настройки РПУ Ортен-ДЕЗ";
inline constexpr const char* kErrorCaption = "Error";
inline constexpr const char* kWarningCaption = "Внимание!";
inline constexpr const char* kSystemCaption = "Системное сообщение";

enum class BoxIcon { None, Information, Error, Question };

struct FileDialogRequest {
  std::string title;
  std::string folder;       // start folder
  std::string defaultName;  // proposed file name, may be empty
  std::string filter;       // e.g. "Файлы настроек (*.cfg)"
  std::string defaultSuffix;
};

// One device the user may pick, as the person at the screen needs it: no
// transport detail beyond the words shown.
struct DeviceChoiceItem {
  std::string id;  // "VID:PID", as it is remembered
  std::string manufacturer;
  std::string product;
  std::string port;             // where it is plugged in: "1-2.3"
  std::optional<bool> mayOpen;  // whether this user may open it; unknown when unset
};
struct DeviceChoice {
  std::string title;
  std::string text;  // what choosing does
  std::vector<DeviceChoiceItem> items;
};
// What became of an offer to choose the device after a look found none.
enum class DeviceChoiceResult { NotOffered, Chosen, Declined };

// Everything an operation says to the person using it goes through here: the
// window shows boxes, the command-line tool prints, tests record and answer.
class UserInterface {
 public:
  virtual ~UserInterface() = default;

  virtual void SetStatusText(const std::string& text) = 0;
  // Whether the status text reaches the user (the command line has no status line).
  virtual bool ShowsStatusText() const { return true; }
  virtual void SetProgress(int percent) = 0;
  // A modal box with an OK button.
  virtual void ShowMessage(const std::string& text, const std::string& caption = kAppTitle,
                           BoxIcon icon = BoxIcon::None) = 0;
  // A modal Yes/No box; only Yes proceeds.
  virtual bool AskYesNo(const std::string& text, const std::string& caption,
                        BoxIcon icon = BoxIcon::None) = 0;
  virtual std::optional<std::string> AskOpenFile(const FileDialogRequest& request) = 0;
  virtual std::optional<std::string> AskSaveFile(const FileDialogRequest& request) = 0;
  // Opens a document (the help file) with the system's handler for it.
  virtual bool OpenDocument(const std::string& path) = 0;
  virtual void Beep() = 0;
  // Asks which of the devices to use; nothing when the user declines. An
  // interface with no way to ask (the command line, a silent one) declines.
  virtual std::optional<std::size_t> ChooseDevice(const DeviceChoice&) { return std::nullopt; }

  // The transport's failure box: caption "Error", error icon.
  void ShowSystemError(const std::string& text) {
    ShowMessage(text, kErrorCaption, BoxIcon::Error);
  }
};

}  // namespace orten
