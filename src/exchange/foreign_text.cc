#include "exchange/foreign_text.h"

#include <cstdio>

#include "app/encoding.h"
#include "app/text.h"

namespace almanix::exchange {
namespace {

bool IsC0(unsigned char c) { return c < 0x20 || c == 0x7F; }

// The length of a C1 control (U+0080..U+009F) at i in UTF-8, else 0.
size_t C1At(std::string_view text, size_t i) {
  if (i + 1 < text.size() && static_cast<unsigned char>(text[i]) == 0xC2) {
    const auto next = static_cast<unsigned char>(text[i + 1]);
    if (next >= 0x80 && next <= 0x9F) return 2;
  }
  return 0;
}

// U+202A..U+202E and U+2066..U+2069: they reorder what a terminal shows.
bool BidiAt(std::string_view text, size_t i) {
  if (i + 2 >= text.size() || static_cast<unsigned char>(text[i]) != 0xE2) return false;
  const auto b1 = static_cast<unsigned char>(text[i + 1]);
  const auto b2 = static_cast<unsigned char>(text[i + 2]);
  return (b1 == 0x80 && b2 >= 0xAA && b2 <= 0xAE) || (b1 == 0x81 && b2 >= 0xA6 && b2 <= 0xA9);
}

std::string Hex(const char* format, unsigned value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

}  // namespace

std::string ForeignText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (IsC0(static_cast<unsigned char>(c))) {
      out.push_back(' ');
    } else if (size_t n = C1At(text, i)) {
      out.push_back(' ');
      i += n - 1;
    } else if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::string CutForeignText(std::string_view text, std::size_t n) {
  std::string out = Utf8Left(text, n);
  if (out.size() == text.size()) return out;
  // The longest entity ForeignText writes is "&amp;": a cut piece of one is
  // an ampersand among the last four characters with no semicolon after it.
  const size_t amp = out.rfind('&');
  if (amp != std::string::npos && out.size() - amp <= 4 &&
      out.find(';', amp) == std::string::npos) {
    out.resize(amp);
  }
  return out;
}

std::string ForeignUrl(std::string_view url) {
  const std::string u = Trim(url);
  if (u.empty()) return "http://";
  const std::string lower = ToLower(u);
  const size_t colon = lower.find(':');
  const size_t slash = lower.find_first_of("/?#");
  const bool has_scheme = colon != std::string::npos && (slash == std::string::npos || colon < slash);
  if (has_scheme && !lower.starts_with("http:") && !lower.starts_with("https:") &&
      !lower.starts_with("mailto:")) {
    return "http://";
  }
  // Quotes, blanks and control characters would end the link where a page
  // writes it. An ampersand before the first "/", "?" or "#" could spell a
  // scheme's colon as a character reference ("javascript&colon;") that the
  // browser decodes in the attribute.
  for (size_t i = 0; i < u.size(); ++i) {
    const auto c = static_cast<unsigned char>(u[i]);
    if (IsC0(c) || C1At(u, i) || std::string_view("\"'<> ").find(u[i]) != std::string_view::npos) {
      return "http://";
    }
  }
  const size_t amp = u.find('&');
  if (amp != std::string::npos && (slash == std::string::npos || amp < slash)) return "http://";
  return u;
}

std::string PrintableText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (IsC0(c)) {
      out += Hex("\\x%02x", c);
    } else if (C1At(text, i)) {
      out += Hex("\\u%04x", static_cast<unsigned char>(text[i + 1]));
      ++i;
    } else if (BidiAt(text, i)) {
      const unsigned cp = 0x2000u | ((static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 6) |
                          (static_cast<unsigned char>(text[i + 2]) & 0x3Fu);
      out += Hex("\\u%04x", cp);
      i += 2;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

}  // namespace almanix::exchange
