#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/TraceLog.h"

namespace orten::test {

// A trace written to a temporary file and read back as lines: the order of
// writes, reads, pauses and flushes exactly as the device saw them.
class TraceCapture {
 public:
  TraceCapture() {
    static int serial = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("orten-trace-" + std::to_string(::getpid()) + "-" + std::to_string(++serial) + ".txt");
    log_.Open(path_.string());
  }
  ~TraceCapture() {
    std::error_code ec;
    std::filesystem::remove(path_, ec);
  }
  TraceCapture(const TraceCapture&) = delete;
  TraceCapture& operator=(const TraceCapture&) = delete;

  TraceLog* log() { return &log_; }
  std::vector<std::string> Lines() const {
    std::ifstream in(path_);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

 private:
  std::filesystem::path path_;
  TraceLog log_;
};

}  // namespace orten::test
