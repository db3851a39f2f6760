#pragma once

#include <iosfwd>

#include "base/UserInterface.h"

namespace orten::cli {

bool StderrIsTerminal();

// The tool's side of the user interface: boxes become lines on stderr,
// questions are answered by --yes or at the terminal.
class CliUi final : public UserInterface {
 public:
  // progressBar: draw progress on err (only when it is a terminal).
  CliUi(std::ostream& err, std::istream& in, bool assumeYes, bool progressBar = false)
      : err_(err), in_(in), yes_(assumeYes), bar_(progressBar) {}

  void SetStatusText(const std::string&) override {}
  bool ShowsStatusText() const override { return false; }
  void SetProgress(int percent) override;
  void ShowMessage(const std::string& text, const std::string& caption, BoxIcon icon) override;
  bool AskYesNo(const std::string& text, const std::string& caption, BoxIcon icon) override;
  std::optional<std::string> AskOpenFile(const FileDialogRequest&) override { return std::nullopt; }
  std::optional<std::string> AskSaveFile(const FileDialogRequest&) override { return std::nullopt; }
  bool OpenDocument(const std::string&) override { return false; }
  void Beep() override {}

 private:
  std::ostream& err_;
  void EndBar();

  std::istream& in_;
  bool yes_;
  bool bar_;
  int shown_ = -1;  // percent on the bar line, -1 when no bar line is open
};

}  // namespace orten::cli
