#include "base/TraceLog.h"

#include "base/Utf8Path.h"

namespace orten {

bool TraceLog::Open(const std::string& path) {
  out_.open(PathFromUtf8(path), std::ios::out | std::ios::trunc | std::ios::binary);
  return out_.is_open();
}

std::string TraceLog::Hex(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (std::uint8_t b : bytes) {
    text.push_back(kDigits[b >> 4]);
    text.push_back(kDigits[b & 0x0F]);
  }
  return text;
}

void TraceLog::Transfer(char kind, std::span<const std::uint8_t> bytes, bool ok) {
  if (!out_.is_open()) return;
  out_ << kind;
  if (!bytes.empty()) out_ << ' ' << Hex(bytes);
  if (!ok) out_ << " !";
  out_ << '\n' << std::flush;
}

void TraceLog::Pause(int ms) {
  if (out_.is_open()) out_ << "P " << ms << '\n' << std::flush;
}

void TraceLog::Flush(char pipe) {
  if (out_.is_open()) out_ << 'F' << pipe << '\n' << std::flush;
}

void TraceLog::Note(const std::string& line) {
  if (out_.is_open()) out_ << line << '\n' << std::flush;
}

}  // namespace orten
