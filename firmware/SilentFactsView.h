#pragma once

#include "firmware/FirmwareLibrary.h"

namespace orten {

// A firmware file's facts shown nowhere: for callers that only want the
// checks and the load (benchmarks, fuzzing).
class SilentFactsView final : public FirmwareFactsView {
 public:
  void ShowFileName(const std::string&) override {}
  void ShowFileSize(std::uintmax_t) override {}
  void ShowFileDate(std::chrono::system_clock::time_point) override {}
  void ShowFileType(const std::string&) override {}
  void ShowNewVersion(const std::string&) override {}
};

}  // namespace orten
