#include "startup/SimLineScript.h"

#include <charconv>
#include <cmath>
#include <sstream>

#include "base/RegularFileReader.h"
#include "base/Wording.h"
#include "protocol/DeviceCommands.h"
#include "sim/SimState.h"
#include "startup/CommonOptions.h"

namespace orten {

namespace {

constexpr std::uintmax_t kScriptLimit = 1024 * 1024;
constexpr double kLongestPauseS = 86400;
constexpr std::size_t kShownWordChars = 40;
constexpr std::size_t kShownPathChars = 200;

// A word of the script in a message: escaped and cut, as the file is anyone's to write.
std::string Shown(const std::string& word) {
  return EscapedExcerpt(word, kShownWordChars);
}

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line.substr(0, line.find('#')));
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

bool IsFamily(const std::string& word) {
  return FamilyOfToken(word.substr(0, word.find(':'))) != DeviceMode::None;
}

bool ParsePlug(const std::vector<std::string>& words, SimLineStep& step, std::string& why) {
  step.kind = SimLineStep::Kind::Plug;
  for (std::size_t i = 1; i < words.size(); ++i) {
    if (IsFamily(words[i])) {
      const Result<std::uint8_t> version = ParseSimulateOption(words[i]);
      if (!version) {
        why = version.outcome().detail;
        return false;
      }
      step.arrivals.push_back({*version, {}});
      continue;
    }
    if (step.arrivals.empty()) {
      why = "после plug ожидается семейство прибора (rpu или mro), а не " + Shown(words[i]);
      return false;
    }
    CommonOptions fault;
    fault.simFaults = step.arrivals.back().faults;
    if (const Outcome parsed = ParseSimFault(words[i], fault); !parsed) {
      why = parsed.detail;
      return false;
    }
    if (fault.simNoDevice || fault.simTwoDevices) {
      why = Shown(words[i]) + " - отказ линии, а не прибора: на линии его заменяют plug и unplug";
      return false;
    }
    step.arrivals.back().faults = fault.simFaults;
  }
  if (step.arrivals.empty()) why = "после plug ожидается семейство прибора (rpu или mro)";
  return !step.arrivals.empty();
}

bool ParseNumberStep(const std::vector<std::string>& words, SimLineStep& step, std::string& why) {
  const bool pause = words[0] == "pause";
  step.kind = pause ? SimLineStep::Kind::Pause : SimLineStep::Kind::Unplug;
  if (words.size() > 2) {
    why = "лишнее слово " + Shown(words[2]);
    return false;
  }
  if (words.size() == 1) {
    if (!pause) return true;  // the earliest device still on the line
    why = "после pause ожидается число секунд";
    return false;
  }
  const std::string& text = words[1];
  const char* last = text.data() + text.size();
  if (pause) {
    double seconds = 0;
    const auto [end, ec] = std::from_chars(text.data(), last, seconds);
    if (ec != std::errc() || end != last || !std::isfinite(seconds) || seconds < 0 ||
        seconds > kLongestPauseS) {
      why = "pause: ожидается число секунд от 0 до 86400, а не " + Shown(text);
      return false;
    }
    step.pauseMs = static_cast<int>(std::llround(seconds * 1000));
    return true;
  }
  const auto [end, ec] = std::from_chars(text.data(), last, step.device);
  if (ec != std::errc() || end != last || step.device < 1) {
    why = "unplug: ожидается номер прибора на линии от 1, а не " + Shown(text);
    return false;
  }
  return true;
}

}  // namespace

Outcome ParseSimLineScript(const std::string& text, std::vector<SimLineStep>& steps) {
  std::istringstream in(text);
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::vector<std::string> words = Words(line);
    if (words.empty()) continue;
    SimLineStep step;
    std::string why;
    bool ok = false;
    if (words[0] == "plug") {
      ok = ParsePlug(words, step, why);
    } else if (words[0] == "unplug" || words[0] == "pause") {
      ok = ParseNumberStep(words, step, why);
    } else {
      why = "неизвестный шаг " + Shown(words[0]) + "; ожидается plug, unplug или pause";
    }
    if (!ok) return {OutcomeKind::Usage, "строка " + std::to_string(number) + ": " + why};
    steps.push_back(std::move(step));
  }
  return {};
}

Outcome ReadSimLineScript(const std::string& path, std::vector<SimLineStep>& steps) {
  const RegularFileRead read = ReadRegularFile(path, kScriptLimit);
  const std::string shown = EscapedExcerpt(path, kShownPathChars);
  if (read.status != RegularFileRead::Status::Read) {
    return {
        OutcomeKind::FileError,
        ReadRefusal(read, {"Сценарий линии " + shown, "Не удается открыть сценарий линии " + shown,
                           "сценарии линии не бывают больше 1024 КиБ"})};
  }
  Outcome parsed = ParseSimLineScript(read.bytes, steps);
  if (!parsed) parsed.detail = "сценарий линии " + shown + ", " + parsed.detail;
  return parsed;
}

}  // namespace orten
