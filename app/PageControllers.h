#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "backup/RegistrationImage.h"
#include "base/UserInterface.h"
#include "protocol/DeviceCommands.h"

namespace orten::gui {

class RightColumn;
class TMainForm;

// One page's files of values: where they are, how the dialogs name them
// and what the status line says on the way.
struct ValueFiles {
  const char* folder;
  const char* filter;
  const char* suffix;
  const char* openTitle;
  const char* loading;
  const char* loaded;
  const char* notLoaded;
  const char* saveTitle;
  const char* saving;
  const char* saved;
  const char* notSaved;
};

// A work page's answers to the shared buttons of the groups "Прибор" and
// "Файл" (and "Заводские"): the window asks the active page's controller,
// which holds what the page's work needs between two clicks and sets the
// buttons its work allows.
class PageController {
 public:
  explicit PageController(TMainForm& window) : window_(window) {}
  virtual ~PageController() = default;
  // Its tab among the window's pages.
  virtual int tab() const = 0;
  // The family whose devices it works with ("Главная" offers them by family).
  virtual DeviceMode family() const = 0;
  // Whether the column's "Заводские" applies to it.
  virtual bool hasDefaults() const { return false; }
  // Connected for its work: its buttons for the device and files.
  virtual void connected() = 0;
  // Opened in demo, files only: its buttons for files.
  virtual void openDemo() = 0;
  // From the device onto the page, and back.
  virtual void read() = 0;
  virtual void write() = 0;
  // From a file onto the page, and back.
  virtual void load() = 0;
  virtual void save() = 0;
  // The factory settings onto the page; nothing where a page has none.
  virtual void defaults() {}

 protected:
  RightColumn& column();
  UserInterface& ui();
  // A transfer with the device that went well: the bar back at the start,
  // the words in the status line, in a box and in the journal.
  void reportDone(const char* text);
  // All count values of a file the user picks, or none: its path, or
  // nothing when the dialog was cancelled or the file refused (then the
  // page keeps what it shows, and the user is told why).
  std::optional<std::string> loadValues(const ValueFiles& files, const std::string& pattern,
                                        std::size_t count, std::vector<std::int32_t>& values);
  // The save dialog, offering name.
  std::optional<std::string> askSave(const ValueFiles& files, const std::string& name);
  // The values into the chosen file; a refusal is told. True when written.
  bool saveValues(const ValueFiles& files, const std::string& path,
                  const std::vector<std::int32_t>& values);

  TMainForm& window_;

 private:
  void refused(const std::string& why, const char* status);
};

// "Резервная копия": the registration memory (app/BackupHandlers.cpp).
class BackupController final : public PageController {
 public:
  using PageController::PageController;
  int tab() const override;
  DeviceMode family() const override { return DeviceMode::Receiver; }
  void connected() override;
  void openDemo() override;
  void read() override;
  void write() override;
  void load() override;
  void save() override;
  // One of the page's three actions, by its button's name: a new backup
  // from the device, a backup file to the device, or a file deleted.
  void begin(const std::string& action);
  // The form was emptied: the image it no longer shows is dropped, and
  // with it the way to write it to the device.
  void drop();
  const RegistrationImage& image() const { return image_; }

 private:
  void deleteFile();

  RegistrationImage image_;  // last read from a device or a backup file
  std::string file_;         // the file image_ was loaded from or saved to
};

// "Режимы реле и выхода ОК": the outputs' settings (app/RelayHandlers.cpp).
class RelayController final : public PageController {
 public:
  using PageController::PageController;
  int tab() const override;
  DeviceMode family() const override { return DeviceMode::Relay; }
  bool hasDefaults() const override { return true; }
  void connected() override;
  void openDemo() override;
  void read() override;
  void write() override;
  void load() override;
  void save() override;
  void defaults() override;
  // The factory settings, without a word in the status line: start-up
  // shows them before anything has been done.
  void showFactorySettings();

 private:
  // The page's settings as last loaded from or saved to file_: a write
  // names the file only while the page still holds what it held.
  std::string file_;
  std::vector<std::int32_t> fileTable_;
};

}  // namespace orten::gui
