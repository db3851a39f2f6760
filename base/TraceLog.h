#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "base/Outcome.h"

namespace orten {

// Opt-in log of every transport operation, one line each:
//   W <hex>  a write call      R <hex>  a read call      P <ms>  a pause
//   FW / FR  the flushes       " !" at the end when the operation failed
// Lines are flushed as written so a crash or a kill keeps what happened.
class TraceLog {
 public:
  TraceLog() = default;
  // A FileError (and nothing logged) when the file cannot be created:
  // "не удается создать файл трассировки NAME: why".
  Outcome Open(const std::string& path);
  bool IsOpen() const { return file_ != nullptr; }

  // The first line that cannot be written ends the trace; the file keeps
  // what came before. Empty while all is well, else
  // "Не удается записать файл трассировки NAME: why."
  const std::string& failure() const { return failure_; }
  // Told failure() once, from inside the write that failed.
  void OnFailure(std::function<void(const std::string&)> handler) {
    onFailure_ = std::move(handler);
  }

  void Write(std::span<const std::uint8_t> bytes, bool ok) { Transfer('W', bytes, ok); }
  void Read(std::span<const std::uint8_t> bytes, bool ok) { Transfer('R', bytes, ok); }
  void Pause(int ms);
  void Flush(char pipe);  // 'W' or 'R'
  void Note(const std::string& line);

  static std::string Hex(std::span<const std::uint8_t> bytes);

 private:
  void Transfer(char kind, std::span<const std::uint8_t> bytes, bool ok);
  void Line(const std::string& text);

  struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  std::unique_ptr<std::FILE, Closer> file_;
  std::string path_;
  std::string failure_;
  std::function<void(const std::string&)> onFailure_;
};

}  // namespace orten
