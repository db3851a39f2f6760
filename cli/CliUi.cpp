#include "cli/CliUi.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cstdio>
#include <istream>
#include <ostream>
#include <string>

namespace orten::cli {

bool StderrIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return ::isatty(STDERR_FILENO) != 0;
#endif
}

void CliUi::SetProgress(int percent) {
  if (!bar_ || percent == shown_) return;
  constexpr int kWidth = 40;
  const int filled = percent * kWidth / 100;
  err_ << '\r' << '[' << std::string(static_cast<std::size_t>(filled), '#')
       << std::string(static_cast<std::size_t>(kWidth - filled), ' ') << "] " << percent << '%'
       << std::flush;
  shown_ = percent;
}

void CliUi::EndBar() {
  if (shown_ >= 0) err_ << '\n';
  shown_ = -1;
}

void CliUi::ShowMessage(const std::string& text, const std::string& caption, BoxIcon icon) {
  EndBar();
  // The window's own caption carries no news on a terminal; the others do.
  if (caption == kAppTitle || caption.empty()) {
    err_ << text << '\n';
  } else {
    err_ << caption << (icon == BoxIcon::Error ? " (ошибка): " : ": ") << text << '\n';
  }
}

bool CliUi::AskYesNo(const std::string& text, const std::string& caption, BoxIcon) {
  EndBar();
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
