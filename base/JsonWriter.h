#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace orten {

// Machine-readable output (ortenctl --json): a streaming writer of one JSON
// value, compact, UTF-8 as it comes, with commas and escapes taken care of.
class JsonWriter {
 public:
  explicit JsonWriter(std::ostream& out) : out_(out) {}

  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  // The key of the next value in the object being written.
  JsonWriter& Key(std::string_view key);
  JsonWriter& String(std::string_view text);
  JsonWriter& Number(std::int64_t value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();

  // key: value, for the common case.
  template <typename T>
  JsonWriter& Field(std::string_view key, const T& value) {
    Key(key);
    return Value(value);
  }

 private:
  JsonWriter& Value(std::string_view v) { return String(v); }
  JsonWriter& Value(const std::string& v) { return String(v); }
  JsonWriter& Value(const char* v) { return String(v); }
  JsonWriter& Value(bool v) { return Bool(v); }
  template <typename T>
  JsonWriter& Value(T v) {
    return Number(static_cast<std::int64_t>(v));
  }
  void Separate();

  std::ostream& out_;
  std::vector<bool> first_;  // per open container: nothing written in it yet
  bool afterKey_ = false;
};

// text as a JSON string literal, quotes included. Control characters and
// bytes that are not UTF-8 become \u escapes, so no output can break a parser.
std::string JsonQuoted(std::string_view text);

}  // namespace orten
