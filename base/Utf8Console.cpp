#include "base/Utf8Console.h"

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <iostream>
#include <streambuf>

#include "base/Utf8Path.h"
#endif

namespace orten {

#ifdef _WIN32
namespace {

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

// How many of the first size bytes form whole UTF-8 sequences: a character
// split between two writes waits for its rest.
std::size_t WholeUtf8(const char* text, std::size_t size) {
  for (std::size_t back = 1; back <= 4 && back <= size; ++back) {
    const auto byte = static_cast<unsigned char>(text[size - back]);
    if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    return length > back ? size - back : size;
  }
  return size;
}

// The program's UTF-8 text to a console as UTF-16, through WriteConsoleW:
// the console shows it whatever its code page, which stays as the user set it.
class ConsoleOut final : public std::streambuf {
 public:
  explicit ConsoleOut(HANDLE console) : console_(console) {
    setp(buffer_, buffer_ + sizeof buffer_);
  }

 protected:
  int_type overflow(int_type c) override {
    if (sync() != 0) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
  }

  int sync() override {
    const auto size = static_cast<std::size_t>(pptr() - pbase());
    const std::size_t whole = WholeUtf8(pbase(), size);
    const std::wstring wide = WideFromUtf8(std::string_view(pbase(), whole));
    bool ok = true;
    for (std::size_t done = 0; ok && done < wide.size();) {
      DWORD written = 0;
      const auto chunk = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 8192));
      ok = WriteConsoleW(console_, wide.data() + done, chunk, &written, nullptr) && written > 0;
      done += written;
    }
    std::memmove(buffer_, pbase() + whole, size - whole);
    setp(buffer_, buffer_ + sizeof buffer_);
    pbump(static_cast<int>(size - whole));
    return ok ? 0 : -1;
  }

 private:
  HANDLE console_;
  char buffer_[4096];
};

// A console's typed lines as UTF-8, through ReadConsoleW, with the line end
// as the C runtime's text mode gives it ("\n").
class ConsoleIn final : public std::streambuf {
 public:
  explicit ConsoleIn(HANDLE console) : console_(console) {}

 protected:
  int_type underflow() override {
    wchar_t wide[1024];
    DWORD read = 0;
    do {
      if (!ReadConsoleW(console_, wide, static_cast<DWORD>(std::size(wide)), &read, nullptr) ||
          read == 0) {
        return traits_type::eof();
      }
      text_.clear();
      for (const char c : Utf8FromWide(std::wstring_view(wide, read))) {
        if (c != '\r') text_ += c;
      }
    } while (text_.empty());
    setg(text_.data(), text_.data(), text_.data() + text_.size());
    return traits_type::to_int_type(text_.front());
  }

 private:
  HANDLE console_;
  std::string text_;
};

}  // namespace
#endif

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
#ifdef _WIN32
  int count = 0;
  if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
    std::vector<std::string> args;
    for (int i = 0; i < count; ++i) args.push_back(Utf8FromWide(wide[i]));
    LocalFree(wide);
    return args;
  }
#endif
  return std::vector<std::string>(argv, argv + argc);
}

void UseUtf8Console() {
#ifdef _WIN32
  // Never freed: the standard streams are flushed after main() returns.
  if (const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE); IsConsole(out)) {
    std::cout.rdbuf(new ConsoleOut(out));
  }
  if (const HANDLE err = GetStdHandle(STD_ERROR_HANDLE); IsConsole(err)) {
    std::cerr.rdbuf(new ConsoleOut(err));
  }
  if (const HANDLE in = GetStdHandle(STD_INPUT_HANDLE); IsConsole(in)) {
    std::cin.rdbuf(new ConsoleIn(in));
  }
#endif
}

}  // namespace orten
