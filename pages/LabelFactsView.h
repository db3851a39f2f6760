#pragma once

#include "firmware/FirmwareLibrary.h"

namespace orten::gui {

class FirmwarePage;

// The facts of a firmware file as the page "Главная" shows them, in the
// group "Сведения о файле прошивки:".
class LabelFactsView final : public FirmwareFactsView {
 public:
  explicit LabelFactsView(FirmwarePage& page) : page_(page) {}

  void ShowFileName(const std::string& name) override;
  void ShowFileSize(std::uintmax_t size) override;
  // In local time, date only, as dd.MM.yyyy (as ortenctl prints it).
  void ShowFileDate(std::chrono::system_clock::time_point modified) override;
  void ShowUnknownFileDate() override;
  void ShowFileType(const std::string& text) override;
  void ShowNewVersion(const std::string& text) override;

 private:
  FirmwarePage& page_;
};

}  // namespace orten::gui
