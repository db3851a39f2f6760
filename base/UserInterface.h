#pragma once

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

// Everything an operation says to the person using it goes through here: the
// window shows boxes, the command-line tool prints, tests record and answer.
class UserInterface {
 public:
  virtual ~UserInterface() = default;

  virtual void SetStatusText(const std::string& text) = 0;
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

  // The transport's failure box: caption "Error", error icon.
  void ShowSystemError(const std::string& text) {
    ShowMessage(text, kErrorCaption, BoxIcon::Error);
  }
};

}  // namespace orten
