#include "transport/UsbId.h"

#include <charconv>
#include <cstdio>

#include "base/Wording.h"

namespace orten {

namespace {

constexpr std::size_t kItemChars = 40;

std::optional<std::uint16_t> ParseHex16(std::string_view text) {
  if (text.empty() || text.size() > 4) return std::nullopt;
  unsigned value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

}  // namespace

std::optional<UsbId> ParseUsbId(const std::string& text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos) return std::nullopt;
  const auto vendor = ParseHex16(std::string_view(text).substr(0, colon));
  const auto product = ParseHex16(std::string_view(text).substr(colon + 1));
  if (!vendor || !product) return std::nullopt;
  return UsbId{*vendor, *product};
}

Result<std::vector<UsbId>> ParseUsbIdList(const std::string& text) {
  std::vector<UsbId> ids;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    const std::string item = text.substr(start, comma - start);
    if (!item.empty()) {
      const auto id = ParseUsbId(item);
      if (!id) {
        return Outcome{OutcomeKind::Usage, "неверный идентификатор USB '" +
                                               EscapedExcerpt(item, kItemChars) +
                                               "' (ожидается VID:PID в шестнадцатеричном виде)"};
      }
      ids.push_back(*id);
    }
    start = comma + 1;
  }
  return ids;
}

std::string FormatUsbId(const UsbId& id) {
  char text[10];
  std::snprintf(text, sizeof text, "%04x:%04x", id.vendor, id.product);
  return text;
}

}  // namespace orten
