#pragma once

#include <cstdint>
#include <fstream>
#include <span>
#include <string>

namespace orten {

// Opt-in log of every transport operation, one line each:
//   W <hex>  a write call      R <hex>  a read call      P <ms>  a pause
//   FW / FR  the flushes       " !" at the end when the operation failed
// Lines are flushed as written so a crash or a kill keeps what happened.
class TraceLog {
 public:
  TraceLog() = default;
  // False (and nothing logged) when the file cannot be created.
  bool Open(const std::string& path);
  bool IsOpen() const { return out_.is_open(); }

  void Write(std::span<const std::uint8_t> bytes, bool ok) { Transfer('W', bytes, ok); }
  void Read(std::span<const std::uint8_t> bytes, bool ok) { Transfer('R', bytes, ok); }
  void Pause(int ms);
  void Flush(char pipe);  // 'W' or 'R'
  void Note(const std::string& line);

  static std::string Hex(std::span<const std::uint8_t> bytes);

 private:
  void Transfer(char kind, std::span<const std::uint8_t> bytes, bool ok);
  std::ofstream out_;
};

}  // namespace orten
