#include "app/text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

#include "app/encoding.h"

namespace almanix {
namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }
char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// One pass over the text; equivalent to replacing the characters one after
// another, since no replacement holds a character replaced later.
std::string EscapeEntities(std::string_view text, bool blank_as_percent) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case ' ':
        out += blank_as_percent ? "%20" : " ";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

}  // namespace

std::string NbspRun(int n) {
  std::string out;
  if (n <= 0) return out;
  out.reserve(static_cast<std::size_t>(n) * 6);
  for (int i = 0; i < n; ++i) out += "&nbsp;";
  return out;
}

std::string PadTwo(std::string_view text) {
  if (Utf8Length(text) == 1) return "0" + std::string(text);
  return std::string(text);
}

std::string TwoDigits(int n) {
  std::string digits = std::to_string(n);
  return n <= 9 ? "0" + digits : digits;
}

void AppendZeroPadded(std::string& out, long long n, int min_digits) {
  char digits[24];
  const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, n);
  const size_t length = static_cast<size_t>(r.ptr - digits);
  const size_t sign = n < 0 ? 1 : 0;
  if (sign) out.push_back('-');
  if (min_digits > 0 && length < static_cast<size_t>(min_digits)) {
    out.append(static_cast<size_t>(min_digits) - length, '0');
  }
  out.append(digits + sign, length - sign);
}

std::string SingleQuoted(std::string_view text) {
  return "'" + std::string(text) + "'";
}

std::string BoolToTF(bool flag) { return flag ? "T" : "F"; }

std::string BackgroundStyleAttr(std::string_view colour) {
  if (TrimView(colour).empty()) return "";
  return "Style=\"background-color:" + std::string(colour) + ";\"";
}

bool ContainsText(std::string_view needle, std::string_view text) {
  return ToLower(text).find(ToLower(needle)) != std::string::npos;
}

std::string HtmlText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::string UrlText(std::string_view text) {
  return EscapeEntities(text, /*blank_as_percent=*/true);
}

namespace {

// The text appended to out with control characters, blanks and the marks
// in `also` percent-encoded.
void AppendPercentEncoded(std::string_view text, std::string_view also, std::string* out) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out->reserve(out->size() + text.size());
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b <= ' ' || b == 0x7F || also.find(c) != std::string_view::npos) {
      out->push_back('%');
      out->push_back(kHex[b >> 4]);
      out->push_back(kHex[b & 0xF]);
    } else {
      out->push_back(c);
    }
  }
}

}  // namespace

std::string QuotedUrl(std::string_view url) {
  std::string out = "\"";
  AppendPercentEncoded(url, "\"<>", &out);
  return out + "\"";
}

std::string QueryValue(std::string_view text) {
  std::string out;
  AppendPercentEncoded(text, "&#+=%\"'<>", &out);
  return out;
}

std::string XmlText(std::string_view text) {
  return XmlEntities(ReplaceAll(text, "&nbsp;", " "));
}

std::string XmlEntities(std::string_view text) {
  return EscapeEntities(text, /*blank_as_percent=*/false);
}

std::string ListText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '"') continue;
    out.push_back(c == ',' ? ' ' : c);
  }
  return out;
}

std::string TagText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool keep = true;
  for (const char c : text) {
    if (c == '<') {
      keep = false;
    } else if (c == '>') {
      keep = true;
    } else if (keep) {
      out.push_back(c);
    }
  }
  return out;
}

std::string_view TrimView(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string Trim(std::string_view text) { return std::string(TrimView(text)); }

std::string TrimLeft(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return std::string(text);
}

std::string TrimRight(std::string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

std::string ToLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = LowerAscii(c);
  return out;
}

std::string ToUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = UpperAscii(c);
  return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

void ReplaceAllInto(std::string_view text, std::string_view from, std::string_view to,
                    std::string* out) {
  if (from.empty()) {
    out->append(text);
    return;
  }
  out->reserve(out->size() + text.size());
  std::size_t pos = 0;
  while (true) {
    const std::size_t hit = text.find(from, pos);
    if (hit == std::string_view::npos) break;
    out->append(text, pos, hit - pos);
    out->append(to);
    pos = hit + from.size();
  }
  out->append(text, pos);
}

std::string ReplaceAll(std::string_view text, std::string_view from,
                       std::string_view to) {
  std::string out;
  ReplaceAllInto(text, from, to, &out);
  return out;
}

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t hit = text.find(separator, start);
    if (hit == std::string_view::npos) break;
    parts.emplace_back(text.substr(start, hit - start));
    start = hit + 1;
  }
  parts.emplace_back(text.substr(start));
  return parts;
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const char c = text[pos];
    if (c == '\n' || c == '\r') {
      lines.emplace_back(text.substr(start, pos - start));
      pos +=
          (c == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') ? 2 : 1;
      start = pos;
    } else {
      ++pos;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines,
                      std::string_view line_end) {
  std::string out;
  for (const std::string& line : lines) {
    out += line;
    out += line_end;
  }
  return out;
}

std::optional<int> ParseInt(std::string_view text) {
  text = TrimView(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  // Accumulates the magnitude; the limit allows -2147483648.
  constexpr std::int64_t kLimit = std::int64_t{INT32_MAX} + 1;
  std::int64_t value = 0;
  for (const char c : text) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > kLimit) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) return std::nullopt;
  return static_cast<int>(value);
}

std::optional<double> ParseDouble(std::string_view text) {
  text = TrimView(text);
  // from_chars takes no plus sign; allow one, but not "+-1".
  if (text.size() > 1 && text.front() == '+' &&
      (IsDigit(text[1]) || text[1] == '.')) {
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

}  // namespace almanix
