#include "params/ValueFile.h"

#include <charconv>
#include <filesystem>
#include <sstream>

#include "base/AtomicFile.h"
#include "base/FileKind.h"
#include "base/RegularFileReader.h"
#include "base/Utf8Path.h"
#include "base/Wording.h"

namespace orten {

namespace {

constexpr std::size_t kExcerptChars = 24;
constexpr std::size_t kNameChars = 200;

std::string Shown(const std::string& text) {
  return EscapedExcerpt(text, kNameChars);
}

std::string Name(const std::string& path) {
  return Utf8FromPath(PathFromUtf8(path).filename());
}

bool Blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// The token's problem, if any; its value otherwise.
std::optional<ValueTextError::Kind> Convert(std::string_view token, bool cut, std::int32_t& value) {
  if (cut) return ValueTextError::Kind::TooLong;
  const auto [next, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
  if (next != token.data() + token.size()) return ValueTextError::Kind::NotInteger;
  if (ec == std::errc::result_out_of_range) return ValueTextError::Kind::OutOfRange;
  if (ec != std::errc()) return ValueTextError::Kind::NotInteger;
  if (value < 0 || value > 255) return ValueTextError::Kind::OutOfRange;
  return std::nullopt;
}

std::string FileRefusal(const std::string& path, const RegularFileRead& read) {
  return ReadRefusal(read, {"Файл " + Shown(path), "Не удается открыть файл " + Shown(path),
                            "файлы настроек и резервных копий не бывают больше " +
                                std::to_string(kMaxValueFileBytes / 1024) + " КиБ"});
}

}  // namespace

std::optional<ValueTextError> ParseValueText(std::string_view text, std::size_t count,
                                             std::vector<std::int32_t>& values) {
  std::vector<std::int32_t> read;
  read.reserve(count);
  std::size_t line = 1;
  for (std::size_t i = 0; i < text.size() && read.size() < count;) {
    const char c = text[i];
    if (Blank(c)) {
      // CR LF is one line end, a lone CR or LF another.
      if (c == '\n' || (c == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) ++line;
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < text.size() && !Blank(text[end])) ++end;
    const std::string_view token = text.substr(i, end - i);
    const bool cut = token.size() > kMaxValueTokenBytes;
    std::int32_t value = 0;
    if (const auto kind = Convert(token, cut, value)) {
      return ValueTextError{*kind, line, std::string(token.substr(0, kMaxValueTokenBytes + 1)),
                            read.size()};
    }
    read.push_back(value);
    i = end;
  }
  if (read.size() < count)
    return ValueTextError{ValueTextError::Kind::TooFew, line, {}, read.size()};
  values = std::move(read);
  return std::nullopt;
}

std::string ValueTextErrorMessage(const std::string& fileName, const ValueTextError& error,
                                  std::size_t count) {
  const std::string where =
      "Файл " + Shown(fileName) + ", строка " + std::to_string(error.line) + ": ";
  const std::string token = EscapedExcerpt(error.token, kExcerptChars);
  switch (error.kind) {
    case ValueTextError::Kind::NotInteger:
      return where + "«" + token + "» не является целым числом.";
    case ValueTextError::Kind::TooLong:
      return where + "значение «" + token + "» слишком длинное.";
    case ValueTextError::Kind::OutOfRange:
      return where + "значение " + token + " вне диапазона 0–255.";
    case ValueTextError::Kind::TooFew:
      break;
  }
  return "Файл " + Shown(fileName) + " содержит " +
         CountText(error.found, "значение", "значения", "значений") + " из " +
         std::to_string(count) + ".";
}

Outcome ReadValueFile(const std::string& path, std::size_t count,
                      std::vector<std::int32_t>& values) {
  const RegularFileRead read = ReadRegularFile(path, kMaxValueFileBytes);
  if (read.status != RegularFileRead::Status::Read) {
    return {OutcomeKind::FileError, FileRefusal(path, read)};
  }
  if (const auto problem = ParseValueText(read.bytes, count, values)) {
    return {OutcomeKind::FileError, ValueTextErrorMessage(Name(path), *problem, count)};
  }
  return {};
}

std::string ValueFileText(std::span<const std::int32_t> values) {
  std::ostringstream text;
  for (std::int32_t v : values) text << v << "\r\n";
  return text.str();
}

Outcome WriteValueFile(const std::string& path, std::span<const std::int32_t> values) {
  return WriteFileAtomically(path, ValueFileText(values));
}

}  // namespace orten
