#include "app/encoding.h"

#include <array>

namespace almanix {
namespace {

// Characters of the bytes 0x80..0x9F; 0 marks the bytes Windows leaves
// undefined, which we map to the C1 control of the same number.
constexpr std::array<char32_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Decodes the character starting at text[pos]. Returns its length in bytes,
// or 0 when the bytes there are not a valid UTF-8 sequence.
std::size_t DecodeOne(std::string_view text, std::size_t pos,
                      char32_t* code_point) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t length;
  char32_t value;
  char32_t minimum;
  if (lead < 0x80) {
    *code_point = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
    minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
    minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
    minimum = 0x10000;
  } else {
    // Stray continuation byte, C0/C1 (always overlong) or F5..FF.
    return 0;
  }
  if (text.size() - pos < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto c = static_cast<unsigned char>(text[pos + i]);
    if (!IsContinuation(c)) return 0;
    value = (value << 6) | (c & 0x3F);
  }
  if (value < minimum) return 0;                     // overlong
  if (value >= 0xD800 && value <= 0xDFFF) return 0;  // surrogate
  if (value > 0x10FFFF) return 0;
  *code_point = value;
  return length;
}

void AppendUtf8(char32_t cp, std::string* out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// The Windows-1252 byte of a character, or -1 when it has none.
int Cp1252Byte(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (std::size_t i = 0; i < kCp1252High.size(); ++i) {
    const char32_t mapped =
        kCp1252High[i] != 0 ? kCp1252High[i] : static_cast<char32_t>(0x80 + i);
    if (mapped == cp) return static_cast<int>(0x80 + i);
  }
  return -1;
}

// Length of the character at pos, counting an invalid byte as one.
std::size_t StepOne(std::string_view text, std::size_t pos) {
  char32_t ignored;
  const std::size_t length = DecodeOne(text, pos, &ignored);
  return length == 0 ? 1 : length;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  std::size_t pos = 0;
  char32_t ignored;
  while (pos < bytes.size()) {
    const std::size_t length = DecodeOne(bytes, pos, &ignored);
    if (length == 0) return false;
    pos += length;
  }
  return true;
}

std::string Cp1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (const char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    char32_t cp = b;
    if (b >= 0x80 && b <= 0x9F) {
      cp = kCp1252High[b - 0x80] != 0 ? kCp1252High[b - 0x80] : cp;
    }
    AppendUtf8(cp, &out);
  }
  return out;
}

std::optional<std::string> Utf8ToCp1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t cp;
    const std::size_t length = DecodeOne(utf8, pos, &cp);
    if (length == 0) return std::nullopt;
    const int byte = Cp1252Byte(cp);
    if (byte < 0) return std::nullopt;
    out.push_back(static_cast<char>(byte));
    pos += length;
  }
  return out;
}

std::string DecodeText(std::string_view bytes) {
  // A file saved twice by a tool that adds a mark each time carries two; a
  // mark left behind would end up in the first key or column name.
  while (bytes.starts_with(kBom)) bytes.remove_prefix(kBom.size());
  if (IsValidUtf8(bytes)) return std::string(bytes);
  return Cp1252ToUtf8(bytes);
}

std::size_t Utf8Length(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t pos = 0; pos < text.size(); pos += StepOne(text, pos)) {
    ++count;
  }
  return count;
}

std::string Utf8Left(std::string_view text, std::size_t n) {
  std::size_t pos = 0;
  for (std::size_t count = 0; count < n && pos < text.size(); ++count) {
    pos += StepOne(text, pos);
  }
  return std::string(text.substr(0, pos));
}

}  // namespace almanix
