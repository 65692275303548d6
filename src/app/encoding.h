#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Text is UTF-8 inside the program. Files written by the Windows program are
// Windows-1252; these helpers tell the two apart and convert.
namespace almanix {

// Strict check: rejects overlong forms, surrogates, code points above
// U+10FFFF, truncated sequences and stray continuation bytes.
bool IsValidUtf8(std::string_view bytes);

// Every byte maps to one character; the five bytes Windows leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to U+0081 and so on, so all 256 round-trip.
std::string Cp1252ToUtf8(std::string_view bytes);

// Returns nullopt when the text is not valid UTF-8 or holds a character that
// Windows-1252 cannot represent.
std::optional<std::string> Utf8ToCp1252(std::string_view utf8);

// The rule for every text file the program reads: a UTF-8 byte-order mark is
// skipped; valid UTF-8 is taken as it is, anything else as Windows-1252.
std::string DecodeText(std::string_view bytes);

// Counts characters (code points), not bytes. Invalid bytes count as one each.
std::size_t Utf8Length(std::string_view text);

// The first n characters of the text, never splitting a character.
std::string Utf8Left(std::string_view text, std::size_t n);

}  // namespace almanix
