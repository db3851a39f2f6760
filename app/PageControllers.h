#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "backup/RegistrationImage.h"

namespace orten::gui {

class TMainForm;

// A work page's answers to the shared buttons of the groups "Прибор" and
// "Файл" (and "Заводские"): the window asks the active page's controller,
// which holds what the page's work needs between two clicks.
class PageController {
 public:
  virtual ~PageController() = default;
  // Its tab among the window's pages.
  virtual int tab() const = 0;
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
};

// "Резервная копия": the registration memory (app/BackupHandlers.cpp).
class BackupController final : public PageController {
 public:
  explicit BackupController(TMainForm& window) : window_(window) {}
  int tab() const override;
  void connected() override;
  void openDemo() override;
  void read() override;
  void write() override;
  void load() override;
  void save() override;
  // The form was emptied: the image it no longer shows is dropped, and
  // with it the way to write it to the device.
  void drop();
  const RegistrationImage& image() const { return image_; }

 private:
  TMainForm& window_;
  RegistrationImage image_;  // last read from a device or a backup file
  std::string file_;         // the file image_ was loaded from or saved to
};

// "Режимы реле и выхода ОК": the outputs' settings (app/RelayHandlers.cpp).
class RelayController final : public PageController {
 public:
  explicit RelayController(TMainForm& window) : window_(window) {}
  int tab() const override;
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
  TMainForm& window_;
  // The page's settings as last loaded from or saved to file_: a write
  // names the file only while the page still holds what it held.
  std::string file_;
  std::vector<std::int32_t> fileTable_;
};

}  // namespace orten::gui
