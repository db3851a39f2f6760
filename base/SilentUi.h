#pragma once

#include "base/UserInterface.h"

namespace orten {

// Says nothing and declines every question: for exchanges whose failures are
// expected (reaching a restarting device) and for measurements.
class SilentUi final : public UserInterface {
 public:
  void SetStatusText(const std::string&) override {}
  void SetProgress(int) override {}
  void ShowMessage(const std::string&, const std::string&, BoxIcon) override {}
  bool AskYesNo(const std::string&, const std::string&, BoxIcon) override { return false; }
  std::optional<std::string> AskOpenFile(const FileDialogRequest&) override { return std::nullopt; }
  std::optional<std::string> AskSaveFile(const FileDialogRequest&) override { return std::nullopt; }
  bool OpenDocument(const std::string&) override { return false; }
  void Beep() override {}
};

}  // namespace orten
