#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orten {

// What the window and ortenctl show for a fact they could not find out.
inline constexpr const char* kUnknownFact = "неизвестно";

// The Russian form of a noun after a count: one for 1, 21, 101 ("значение"),
// few for 2-4, 22-24 ("значения"), many for 0, 5-20, 25-30, 111 ("значений").
std::string_view PluralForm(std::uintmax_t count, std::string_view one, std::string_view few,
                            std::string_view many);
// The count and the noun in its form: "44 значения", "11 значений".
std::string CountText(std::uintmax_t count, std::string_view one, std::string_view few,
                      std::string_view many);
// Bytes, the count messages give most often: "1 байт", "2 байта", "5 байт".
std::string ByteCountText(std::uintmax_t count);
// A transfer cut short, its verb agreeing with the count as the noun does:
// "Записан 1 байт из 64", "Записано 2 байта из 64", "Записано 40 байт из 64".
std::string ShortTransferText(std::string_view verbOne, std::string_view verbMany,
                              std::uintmax_t done, std::uintmax_t whole);

// Text from a file or a file name, fit to be quoted in a message: printable
// UTF-8 stays as it is (Cyrillic too); control bytes, escape sequences, NUL,
// invalid UTF-8 and the characters that hide or reorder text are written as
// escapes (\x1b, \xff, \u202e), so nothing raw reaches a terminal or a box.
// At most maxChars characters (an escape counts as one), then "…".
std::string EscapedExcerpt(std::string_view bytes, std::size_t maxChars);

}  // namespace orten
