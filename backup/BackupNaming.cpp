#include "backup/BackupNaming.h"

#include <algorithm>
#include <charconv>

namespace orten {

namespace {

struct Range {
  int low;
  int high;
};

std::optional<Range> ModuleRange(SystemMode mode) {
  switch (mode) {
    case SystemMode::Rpu:
      return Range{1, 4};
    case SystemMode::Rtr:
      return Range{5, 196};
    case SystemMode::None:
      break;
  }
  return std::nullopt;
}

// The run after `marker`'s first occurrence, up to the next "_" or the end.
std::optional<std::string> RunAfter(const std::string& path, const std::string& marker) {
  const std::size_t at = path.find(marker);
  if (at == std::string::npos) return std::nullopt;
  const std::size_t start = at + marker.size();
  const std::size_t end = path.find('_', start);
  return path.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace

std::string SystemModePrefix(SystemMode mode) {
  switch (mode) {
    case SystemMode::Rpu:
      return kRpuPrefix;
    case SystemMode::Rtr:
      return kRtrPrefix;
    case SystemMode::None:
      break;
  }
  return {};
}

std::string DefaultBackupName(SystemMode mode, const std::string& module,
                              const std::string& dateStamp, const std::string& object,
                              const std::string& confCode) {
  std::string name;
  if (mode != SystemMode::None) {
    name = SystemModePrefix(mode) + module + dateStamp + kObjectPart + object;
  }
  return name + kConfCodePart + confCode;
}

BackupNameFacts ReadBackupName(const std::string& path) {
  BackupNameFacts facts;
  if (auto module = RunAfter(path, kRpuPrefix)) {
    facts.mode = SystemMode::Rpu;
    facts.module = std::move(module);
  }
  if (auto module = RunAfter(path, kRtrPrefix)) {
    facts.mode = SystemMode::Rtr;
    facts.module = std::move(module);
  }
  facts.object = RunAfter(path, kObjectPart);
  return facts;
}

std::vector<std::string> ModuleNumbers(SystemMode mode) {
  std::vector<std::string> numbers;
  if (const auto range = ModuleRange(mode)) {
    for (int n = range->low; n <= range->high; ++n) numbers.push_back(std::to_string(n));
  }
  return numbers;
}

bool ModuleNumberAccepted(SystemMode mode, const std::string& text) {
  const auto range = ModuleRange(mode);
  if (text.empty() || !range) return true;
  int value = -1;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) value = -1;
  return value >= range->low && value <= range->high;
}

bool ObjectNumberAccepted(const std::string& text) {
  return !text.empty() && text.size() <= kMaxObjectDigits &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace orten
