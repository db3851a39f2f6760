#include "tests/support/ScriptedUi.h"

namespace orten::test {

void ScriptedUi::SetStatusText(const std::string& text) {
  events_.push_back({Kind::Status, text, {}, BoxIcon::None, 0});
}

void ScriptedUi::SetProgress(int percent) {
  events_.push_back({Kind::Progress, {}, {}, BoxIcon::None, percent});
}

void ScriptedUi::ShowMessage(const std::string& text, const std::string& caption, BoxIcon icon) {
  events_.push_back({Kind::Message, text, caption, icon, 0});
}

bool ScriptedUi::AskYesNo(const std::string& text, const std::string& caption, BoxIcon icon) {
  events_.push_back({Kind::Question, text, caption, icon, 0});
  if (answers_.empty()) return false;
  const bool yes = answers_.front();
  answers_.pop_front();
  return yes;
}

std::optional<std::string> ScriptedUi::AskOpenFile(const FileDialogRequest& request) {
  events_.push_back({Kind::OpenDialog, request.title, request.defaultName, BoxIcon::None, 0});
  dialogs_.push_back(request);
  if (files_.empty()) return std::nullopt;
  auto path = files_.front();
  files_.pop_front();
  return path;
}

std::optional<std::string> ScriptedUi::AskSaveFile(const FileDialogRequest& request) {
  events_.push_back({Kind::SaveDialog, request.title, request.defaultName, BoxIcon::None, 0});
  dialogs_.push_back(request);
  if (files_.empty()) return std::nullopt;
  auto path = files_.front();
  files_.pop_front();
  return path;
}

bool ScriptedUi::OpenDocument(const std::string& path) {
  events_.push_back({Kind::Document, path, {}, BoxIcon::None, 0});
  return documentOpens_;
}

void ScriptedUi::Beep() {
  events_.push_back({Kind::Beep, {}, {}, BoxIcon::None, 0});
}

std::optional<std::size_t> ScriptedUi::ChooseDevice(const DeviceChoice& choice) {
  events_.push_back({Kind::DeviceChoice, choice.text, choice.title, BoxIcon::None, 0});
  choices_.push_back(choice);
  if (devices_.empty()) return std::nullopt;
  const std::optional<std::size_t> row = devices_.front();
  devices_.pop_front();
  return row;
}

std::vector<ScriptedUi::Event> ScriptedUi::Of(Kind kind) const {
  std::vector<Event> out;
  for (const Event& e : events_) {
    if (e.kind == kind) out.push_back(e);
  }
  return out;
}

std::vector<std::string> ScriptedUi::Messages() const {
  std::vector<std::string> out;
  for (const Event& e : Of(Kind::Message)) out.push_back(e.text);
  return out;
}

std::vector<std::string> ScriptedUi::Statuses() const {
  std::vector<std::string> out;
  for (const Event& e : Of(Kind::Status)) out.push_back(e.text);
  return out;
}

std::vector<int> ScriptedUi::Progress() const {
  std::vector<int> out;
  for (const Event& e : Of(Kind::Progress)) out.push_back(e.value);
  return out;
}

std::string ScriptedUi::LastStatus() const {
  const auto statuses = Statuses();
  return statuses.empty() ? std::string() : statuses.back();
}

}  // namespace orten::test
