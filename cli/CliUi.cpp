#include "cli/CliUi.h"

#include <istream>
#include <ostream>
#include <string>

namespace orten::cli {

void CliUi::ShowMessage(const std::string& text, const std::string& caption, BoxIcon icon) {
  // The window's own caption carries no news on a terminal; the others do.
  if (caption == kAppTitle || caption.empty()) {
    err_ << text << '\n';
  } else {
    err_ << caption << (icon == BoxIcon::Error ? " (ошибка): " : ": ") << text << '\n';
  }
}

bool CliUi::AskYesNo(const std::string& text, const std::string& caption) {
  err_ << caption << ": " << text << " [y/N] ";
  if (yes_) {
    err_ << "y (--yes)\n";
    return true;
  }
  std::string answer;
  if (!std::getline(in_, answer)) {
    err_ << '\n';
    return false;
  }
  return answer == "y" || answer == "Y" || answer == "yes" || answer == "д" || answer == "да";
}

}  // namespace orten::cli
