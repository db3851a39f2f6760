#include "base/Wording.h"

#include <cstdio>

namespace orten {

namespace {

// Decodes one well-formed UTF-8 sequence at the start of bytes: its length,
// or 0 when the bytes there are not one (overlong, surrogate, cut short).
std::size_t SequenceLength(std::string_view bytes, char32_t& cp) {
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  const unsigned char lead = at(0);
  if (lead < 0x80) {
    cp = lead;
    return 1;
  }
  // Lead bytes C0, C1 and F5-FF only ever start overlong or too large forms.
  const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                             : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                            : 0;
  if (length == 0) return 0;
  constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  cp = lead & (0x7F >> length);
  if (bytes.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((at(i) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (at(i) & 0x3F);
  }
  if (cp < kSmallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return length;
}

// Characters a terminal or a label would act on instead of showing: C0 and
// C1 controls, and the invisible ones that reorder or hide what follows.
bool Hidden(char32_t cp) {
  return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || (cp >= 0x200B && cp <= 0x200F) ||
         (cp >= 0x2028 && cp <= 0x202E) || (cp >= 0x2060 && cp <= 0x2069) || cp == 0xFEFF;
}

std::string Escape(const char* format, unsigned value) {
  char text[16];
  const int n = std::snprintf(text, sizeof text, format, value);
  return std::string(text, n > 0 ? static_cast<std::size_t>(n) : 0);
}

}  // namespace

std::string_view PluralForm(std::uintmax_t count, std::string_view one, std::string_view few,
                            std::string_view many) {
  const std::uintmax_t tens = count % 100;
  const std::uintmax_t units = count % 10;
  if (tens >= 11 && tens <= 14) return many;
  if (units == 1) return one;
  if (units >= 2 && units <= 4) return few;
  return many;
}

std::string CountText(std::uintmax_t count, std::string_view one, std::string_view few,
                      std::string_view many) {
  std::string text = std::to_string(count);
  text += ' ';
  text += PluralForm(count, one, few, many);
  return text;
}

std::string ByteCountText(std::uintmax_t count) {
  return CountText(count, "байт", "байта", "байт");
}

std::string ShortTransferText(std::string_view verbOne, std::string_view verbMany,
                              std::uintmax_t done, std::uintmax_t whole) {
  std::string text(PluralForm(done, verbOne, verbMany, verbMany));
  text += ' ';
  text += ByteCountText(done);
  text += " из ";
  text += std::to_string(whole);
  return text;
}

std::string EscapedExcerpt(std::string_view bytes, std::size_t maxChars) {
  std::string out;
  std::size_t shown = 0;
  for (std::size_t i = 0; i < bytes.size(); ++shown) {
    if (shown == maxChars) return out + "…";
    char32_t cp = 0;
    const std::size_t length = SequenceLength(bytes.substr(i), cp);
    if (length == 0) {
      out += Escape("\\x%02x", static_cast<unsigned char>(bytes[i]));
      ++i;
      continue;
    }
    if (!Hidden(cp)) {
      out.append(bytes.substr(i, length));
    } else if (cp < 0x80) {
      out += Escape("\\x%02x", static_cast<unsigned>(cp));
    } else {
      out += Escape("\\u%04x", static_cast<unsigned>(cp));
    }
    i += length;
  }
  return out;
}

}  // namespace orten
